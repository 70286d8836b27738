#include "text_util.h"

#include <charconv>

namespace fakedaqmx {

std::string FormatFixed(double value, int decimals) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return FormatShortest(value);
    return std::string(text, result.ptr);
}

std::string FormatShortest(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool ParseInteger(std::string_view text, long long& out) {
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, out);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

bool ParseReal(std::string_view text, double& out) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars rejects a leading '+', which people write in ranges.
    if (begin != end && *begin == '+') ++begin;
    auto result = std::from_chars(begin, end, out);
    return result.ec == std::errc() && result.ptr == end && begin != end;
}

static char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerChar(c);
    return out;
}

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += separator;
        out += items[i];
    }
    return out;
}

std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        std::string_view item = list.substr(start, comma - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (!item.empty()) items.emplace_back(item);
        start = comma + 1;
    }
    return items;
}

} // namespace fakedaqmx
