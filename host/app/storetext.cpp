#include "storetext.h"

namespace {
const char kHeader[] = "qvhost-store 1";

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        if (s[i] == 'n')
            out += '\n';
        else if (s[i] == 'r')
            out += '\r';
        else if (s[i] == '\\')
            out += '\\';
        else
            return false;
    }
    return true;
}
} // namespace

std::string EscapeStoreValue(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

int ParseStoreText(const std::string& text, std::map<std::string, std::string>& values) {
    values.clear();
    size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) return kStoreIncomplete;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != kHeader) return kStoreBadHeader;
            continue;
        }
        size_t equals = line.find('=');
        std::string value;
        if (equals == std::string::npos || equals == 0 || !Unescape(line.substr(equals + 1), value))
            return lineNumber;
        values[line.substr(0, equals)] = value;
    }
    return kStoreWhole;
}
