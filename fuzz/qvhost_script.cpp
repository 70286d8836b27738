// qvhost's script lines: the command word, its argument and words, the strict numbers and the nearest
// command to a mistyped one; and the whole input as a configuration text mapped to the unit's lines.
#include "linenumbers.h"
#include "numbers.h"
#include "scriptline.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> kCommands = {
        "lines", "power", "used", "connect", "configure", "configuration", "scan", "state", "save", "help"};
    std::string script(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= script.size()) {
        size_t end = script.find('\n', start);
        std::string line = script.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string word, argument;
        if (SplitScriptLine(line, word, argument)) {
            long long integer = 0;
            double decimal = 0.0;
            for (const std::string& w : ScriptWords(argument)) {
                ParseInteger(w, -1000000, 1000000, integer);
                ParseDecimal(w, decimal);
            }
            std::string nearest = NearestWord(word, kCommands);
            if (!nearest.empty() && std::find(kCommands.begin(), kCommands.end(), nearest) == kCommands.end())
                abort();
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    // The unit's lines of the visible ones: none, or one each, rising from 1 to 3.
    std::wstring configuration(script.begin(), script.end());
    for (uint32_t visible = 0; visible <= 4; ++visible) {
        std::vector<int> unitLines = UnitLinesOfVisibleLines(configuration, visible);
        if (!unitLines.empty() && unitLines.size() != visible) abort();
        for (size_t i = 0; i < unitLines.size(); ++i)
            if (unitLines[i] < 1 || unitLines[i] > kUnitLines || (i && unitLines[i] <= unitLines[i - 1]))
                abort();
        for (int line = -1; line <= static_cast<int>(visible); ++line)
            UnitLineNote(unitLines, line);
    }
    return 0;
}
