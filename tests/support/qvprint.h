// Readable test failure messages for the host's strings.
#pragma once

#include <qv/qvstring.h>

#include <ostream>

inline void PrintTo(const CQvStringW& s, std::ostream* os) {
    *os << '"';
    for (const wchar_t* p = s.GetString(); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7f)
            *os << static_cast<char>(*p);
        else
            *os << "\\u" << std::hex << static_cast<unsigned>(*p) << std::dec;
    }
    *os << '"';
}
