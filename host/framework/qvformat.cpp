#include "qvformat.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace {

enum class Length { None, Short, Char, Long, LongLong, Size, LongDouble };

struct Spec {
    std::string flags;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    wchar_t conversion = 0;
    bool leftAlign() const { return flags.find('-') != std::string::npos; }
};

void Pad(std::wstring& out, int count) {
    if (count > 0) out.append(static_cast<size_t>(count), L' ');
}

void AppendPadded(std::wstring& out, const std::wstring& text, const Spec& spec) {
    int pad = spec.width - static_cast<int>(text.size());
    if (!spec.leftAlign()) Pad(out, pad);
    out += text;
    if (spec.leftAlign()) Pad(out, pad);
}

std::wstring TakeWide(const wchar_t* s, int precision) {
    if (!s) s = L"(null)";
    size_t n = wcslen(s);
    if (precision >= 0 && static_cast<size_t>(precision) < n) n = static_cast<size_t>(precision);
    return std::wstring(s, n);
}

std::wstring TakeNarrow(const char* s, int precision) {
    if (!s) s = "(null)";
    size_t n = strlen(s);
    if (precision >= 0 && static_cast<size_t>(precision) < n) n = static_cast<size_t>(precision);
    std::wstring w;
    w.reserve(n);
    for (size_t i = 0; i < n; ++i)
        w += static_cast<wchar_t>(static_cast<unsigned char>(s[i]));
    return w;
}

// Numbers are formatted by the narrow C runtime, one conversion at a time, with width and
// precision already resolved so that no argument is read twice.
template <class T> std::wstring FormatNumber(const Spec& spec, const char* lengthText, T value) {
    char pattern[64];
    char conv = static_cast<char>(spec.conversion);
    if (spec.precision >= 0)
        snprintf(pattern, sizeof pattern, "%%%s.%d%s%c", spec.flags.c_str(), spec.precision, lengthText,
                 conv);
    else
        snprintf(pattern, sizeof pattern, "%%%s%s%c", spec.flags.c_str(), lengthText, conv);
    // The width is applied by the caller, so that it counts wide characters.
    char small[128];
    int n = snprintf(small, sizeof small, pattern, value);
    std::string text;
    if (n < 0) return std::wstring();
    if (static_cast<size_t>(n) < sizeof small) {
        text.assign(small, static_cast<size_t>(n));
    } else {
        text.resize(static_cast<size_t>(n) + 1);
        snprintf(&text[0], text.size(), pattern, value);
        text.resize(static_cast<size_t>(n));
    }
    return std::wstring(text.begin(), text.end());
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

void QvFormatAppendV(std::wstring& out, const wchar_t* format, va_list args) {
    if (!format) return;
    va_list ap;
    va_copy(ap, args);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        const wchar_t* start = p++;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Spec spec;
        while (*p && wcschr(L"-+ #0", *p))
            spec.flags += static_cast<char>(*p++);
        if (*p == L'*') {
            spec.width = va_arg(ap, int);
            if (spec.width < 0) {
                spec.flags += '-';
                spec.width = -spec.width;
            }
            ++p;
        } else {
            while (IsDigit(*p))
                spec.width = (spec.width < 0 ? 0 : spec.width) * 10 + (*p++ - L'0');
        }
        if (*p == L'.') {
            ++p;
            spec.precision = 0;
            if (*p == L'*') {
                spec.precision = va_arg(ap, int);
                ++p;
            } else {
                while (IsDigit(*p))
                    spec.precision = spec.precision * 10 + (*p++ - L'0');
            }
        }
        if (p[0] == L'h' && p[1] == L'h') {
            spec.length = Length::Char;
            p += 2;
        } else if (*p == L'h') {
            spec.length = Length::Short;
            ++p;
        } else if (p[0] == L'l' && p[1] == L'l') {
            spec.length = Length::LongLong;
            p += 2;
        } else if (*p == L'l' || *p == L'w') {
            spec.length = Length::Long;
            ++p;
        } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            spec.length = Length::LongLong;
            p += 3;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
        } else if (*p == L'z' || *p == L'I' || *p == L't' || *p == L'j') {
            spec.length = Length::Size;
            ++p;
        } else if (*p == L'L') {
            spec.length = Length::LongDouble;
            ++p;
        }
        spec.conversion = *p;
        if (!*p) {
            out.append(start); // a lone % at the end stays as it is
            break;
        }
        ++p;
        std::wstring text;
        switch (spec.conversion) {
        case L's':
        case L'S': {
            bool wide =
                spec.length == Length::Long || (spec.length != Length::Short && spec.conversion == L's');
            text = wide ? TakeWide(va_arg(ap, const wchar_t*), spec.precision)
                        : TakeNarrow(va_arg(ap, const char*), spec.precision);
            break;
        }
        case L'c':
        case L'C': {
            int c = va_arg(ap, int);
            bool wide =
                spec.length == Length::Long || (spec.length != Length::Short && spec.conversion == L'c');
            text.assign(1,
                        wide ? static_cast<wchar_t>(c) : static_cast<wchar_t>(static_cast<unsigned char>(c)));
            break;
        }
        case L'd':
        case L'i':
        case L'u':
        case L'o':
        case L'x':
        case L'X': {
            bool isSigned = spec.conversion == L'd' || spec.conversion == L'i';
            if (spec.length == Length::LongLong || spec.length == Length::Size) {
                if (isSigned)
                    text = FormatNumber(spec, "ll", va_arg(ap, long long));
                else
                    text = FormatNumber(spec, "ll", va_arg(ap, unsigned long long));
            } else {
                // int and long are both 32 bits on Windows; h and hh narrow after promotion.
                if (isSigned) {
                    int v = va_arg(ap, int);
                    if (spec.length == Length::Short)
                        v = static_cast<short>(v);
                    else if (spec.length == Length::Char)
                        v = static_cast<signed char>(v);
                    text = FormatNumber(spec, "", v);
                } else {
                    unsigned v = va_arg(ap, unsigned);
                    if (spec.length == Length::Short)
                        v = static_cast<unsigned short>(v);
                    else if (spec.length == Length::Char)
                        v = static_cast<unsigned char>(v);
                    text = FormatNumber(spec, "", v);
                }
            }
            break;
        }
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A': {
            double v = spec.length == Length::LongDouble ? static_cast<double>(va_arg(ap, long double))
                                                         : va_arg(ap, double);
            text = FormatNumber(spec, "", v);
            break;
        }
        case L'p': {
            Spec hex = spec;
            hex.conversion = L'X';
            text = FormatNumber(
                hex, "ll", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(ap, void*))));
            if (text.size() < 16) text.insert(0, 16 - text.size(), L'0');
            break;
        }
        default:
            // Unknown conversions (and %n, which would write through an argument) are copied as text.
            out.append(start, p);
            continue;
        }
        // Zero padding for numbers keeps the sign in front.
        bool zeroPad = spec.flags.find('0') != std::string::npos && !spec.leftAlign() &&
                       wcschr(L"diuoxXeEfFgGaA", spec.conversion) &&
                       spec.width > static_cast<int>(text.size());
        if (zeroPad) {
            size_t signLength = (!text.empty() && wcschr(L"+- ", text[0])) ? 1 : 0;
            if (text.size() > signLength + 1 && text[signLength] == L'0' &&
                (text[signLength + 1] == L'x' || text[signLength + 1] == L'X'))
                signLength += 2;
            text.insert(signLength, static_cast<size_t>(spec.width) - text.size(), L'0');
        }
        AppendPadded(out, text, spec);
    }
    va_end(ap);
}
