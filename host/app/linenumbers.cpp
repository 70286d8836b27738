#include "linenumbers.h"

namespace {
// Whether the entry "bEmpty[p]=<value>" marks position p empty.
bool EmptyFlag(const std::wstring& entry, int& position, bool& empty) {
    const std::wstring key = L"bEmpty[";
    size_t start = entry.find_first_not_of(L" \t");
    if (start == std::wstring::npos || entry.compare(start, key.size(), key) != 0) return false;
    size_t p = start + key.size();
    if (p + 2 >= entry.size() || entry[p] < L'0' || entry[p] > L'9' || entry[p + 1] != L']' ||
        entry[p + 2] != L'=')
        return false;
    position = entry[p] - L'0';
    std::wstring value = entry.substr(p + 3);
    size_t digit = value.find_first_not_of(L" \t");
    empty = digit != std::wstring::npos && value[digit] >= L'1' && value[digit] <= L'9';
    return true;
}
} // namespace

std::vector<int> UnitLinesOfVisibleLines(const std::wstring& configuration, uint32_t visibleCount) {
    bool empty[kUnitLines] = {false, false, false};
    size_t start = 0;
    while (start < configuration.size()) {
        size_t end = configuration.find(L';', start);
        if (end == std::wstring::npos) end = configuration.size();
        int position = 0;
        bool flag = false;
        if (EmptyFlag(configuration.substr(start, end - start), position, flag) && position < kUnitLines)
            empty[position] = flag;
        start = end + 1;
    }
    std::vector<int> unitLines;
    for (int p = 0; p < kUnitLines; ++p)
        if (!empty[p]) unitLines.push_back(p + 1);
    if (unitLines.size() != visibleCount) unitLines.clear();
    return unitLines;
}

std::wstring UnitLineNote(const std::vector<int>& unitLines, int line) {
    if (line < 0 || static_cast<size_t>(line) >= unitLines.size()) return std::wstring();
    return L" (unit line " + std::to_wstring(unitLines[static_cast<size_t>(line)]) + L")";
}
