// qvhost's script lines: the command word, its argument and words, and the strict numbers.
#include "numbers.h"
#include "scriptline.h"

#include <stddef.h>
#include <stdint.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return 0;
}
