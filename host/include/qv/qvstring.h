// The host's wide and narrow strings.
#pragma once

#include "qvbase.h"
#include <stdarg.h>

class QV_FRAMEWORK_API CQvStringW {
public:
    CQvStringW();
    CQvStringW(const wchar_t* s);
    CQvStringW(const wchar_t* s, int len);
    explicit CQvStringW(const char* s);
    CQvStringW(const char* s, int len);
    CQvStringW(const CQvStringW& other);
    CQvStringW(CQvStringW&& other) noexcept;
    ~CQvStringW();

    CQvStringW& operator=(const CQvStringW& other);
    CQvStringW& operator=(CQvStringW&& other) noexcept;
    CQvStringW& operator=(const wchar_t* s);

    // printf-style with the host's meaning: %s takes a wide string, %S a narrow one
    // (%c wide, %C narrow), whatever the C runtime's own convention is. Returns the length.
    int Format(const wchar_t* format, ...);
    int FormatV(const wchar_t* format, va_list args);

    CQvStringW& AddString(const wchar_t* s);
    CQvStringW& AddString(const CQvStringW& s);
    CQvStringW& AddInt(int value);
    CQvStringW& AddChar(wchar_t c);

    // Index of the first occurrence at or after start, -1 when absent.
    int Find(const wchar_t* sub, int start = 0) const;
    // count < 0 takes the rest; out-of-range arguments are clipped.
    CQvStringW Mid(int start, int count = -1) const;

    void Empty();
    bool IsEmpty() const;
    int GetLength() const;
    const wchar_t* GetString() const; // never null
    operator const wchar_t*() const { return GetString(); }

    bool operator==(const CQvStringW& other) const;
    bool operator==(const wchar_t* s) const;
    bool operator!=(const CQvStringW& other) const { return !(*this == other); }
    bool operator!=(const wchar_t* s) const { return !(*this == s); }

private:
    void Assign(const wchar_t* s, int len);
    void Append(const wchar_t* s, int len);
    bool Reserve(int capacity);

    wchar_t* m_pData;
    int m_iLength;
    int m_iCapacity;
};

// Narrow text, made from wide text to pass names to libraries that take char strings.
class QV_FRAMEWORK_API CQvStringA {
public:
    CQvStringA();
    explicit CQvStringA(const wchar_t* s);
    CQvStringA(const CQvStringA& other);
    ~CQvStringA();
    CQvStringA& operator=(const CQvStringA& other);

    const char* GetString() const; // never null
    int GetLength() const;
    operator const char*() const { return GetString(); }

private:
    char* m_pData;
    int m_iLength;
};
