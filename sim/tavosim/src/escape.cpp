#include "escape.h"

namespace tavosim {

std::string escape_bytes(const std::string& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        default:
            if (byte >= 0x20 && byte < 0x7F) {
                out.push_back(c);
            } else {
                out += "\\x";
                out.push_back(hex[byte >> 4]);
                out.push_back(hex[byte & 0xF]);
            }
        }
    }
    return out;
}

} // namespace tavosim
