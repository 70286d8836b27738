#include "qv/qvstring.h"

#include "qvformat.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {
const wchar_t kEmptyW[1] = {0};
const char kEmptyA[1] = {0};

int BoundedLength(const wchar_t* s, int len) {
    if (!s) return 0;
    int n = 0;
    while ((len < 0 || n < len) && s[n])
        ++n;
    return n;
}

// Narrow text reaching the host comes from devices and libraries: read it in the ANSI code page.
std::wstring Widen(const char* s, int len) {
    if (!s || len == 0) return std::wstring();
    if (len < 0) len = static_cast<int>(strlen(s));
    int n = MultiByteToWideChar(CP_ACP, 0, s, len, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s, len, &w[0], n);
    return w;
}
} // namespace

CQvStringW::CQvStringW() : m_pData(nullptr), m_iLength(0), m_iCapacity(0) {}

CQvStringW::CQvStringW(const wchar_t* s) : CQvStringW() {
    Assign(s, BoundedLength(s, -1));
}

CQvStringW::CQvStringW(const wchar_t* s, int len) : CQvStringW() {
    Assign(s, BoundedLength(s, len));
}

CQvStringW::CQvStringW(const char* s) : CQvStringW() {
    std::wstring w = Widen(s, -1);
    Assign(w.c_str(), static_cast<int>(w.size()));
}

CQvStringW::CQvStringW(const char* s, int len) : CQvStringW() {
    int n = 0;
    while (s && (len < 0 || n < len) && s[n])
        ++n;
    std::wstring w = Widen(s, n);
    Assign(w.c_str(), static_cast<int>(w.size()));
}

CQvStringW::CQvStringW(const CQvStringW& other) : CQvStringW() {
    Assign(other.m_pData, other.m_iLength);
}

CQvStringW::CQvStringW(CQvStringW&& other) noexcept
    : m_pData(other.m_pData), m_iLength(other.m_iLength), m_iCapacity(other.m_iCapacity) {
    other.m_pData = nullptr;
    other.m_iLength = other.m_iCapacity = 0;
}

CQvStringW::~CQvStringW() {
    free(m_pData);
}

CQvStringW& CQvStringW::operator=(const CQvStringW& other) {
    if (this != &other) Assign(other.m_pData, other.m_iLength);
    return *this;
}

CQvStringW& CQvStringW::operator=(CQvStringW&& other) noexcept {
    if (this != &other) {
        free(m_pData);
        m_pData = other.m_pData;
        m_iLength = other.m_iLength;
        m_iCapacity = other.m_iCapacity;
        other.m_pData = nullptr;
        other.m_iLength = other.m_iCapacity = 0;
    }
    return *this;
}

CQvStringW& CQvStringW::operator=(const wchar_t* s) {
    if (s >= m_pData && m_pData && s < m_pData + m_iCapacity) {
        CQvStringW copy(s); // assigning a part of ourselves
        *this = static_cast<CQvStringW&&>(copy);
    } else {
        Assign(s, BoundedLength(s, -1));
    }
    return *this;
}

bool CQvStringW::Reserve(int capacity) {
    if (capacity <= m_iCapacity) return true;
    int grown = m_iCapacity < 16 ? 16 : m_iCapacity;
    while (grown < capacity)
        grown *= 2;
    void* p = realloc(m_pData, static_cast<size_t>(grown) * sizeof(wchar_t));
    if (!p) return false;
    m_pData = static_cast<wchar_t*>(p);
    m_iCapacity = grown;
    return true;
}

void CQvStringW::Assign(const wchar_t* s, int len) {
    m_iLength = 0;
    Append(s, len);
}

void CQvStringW::Append(const wchar_t* s, int len) {
    if (len <= 0) {
        if (m_pData) m_pData[m_iLength] = 0;
        return;
    }
    if (!Reserve(m_iLength + len + 1)) return; // out of memory: the string keeps its old value
    memmove(m_pData + m_iLength, s, static_cast<size_t>(len) * sizeof(wchar_t));
    m_iLength += len;
    m_pData[m_iLength] = 0;
}

int CQvStringW::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatV(format, args);
    va_end(args);
    return n;
}

int CQvStringW::FormatV(const wchar_t* format, va_list args) {
    std::wstring text;
    QvFormatAppendV(text, format, args);
    Assign(text.c_str(), static_cast<int>(text.size()));
    return m_iLength;
}

CQvStringW& CQvStringW::AddString(const wchar_t* s) {
    if (s >= m_pData && m_pData && s < m_pData + m_iCapacity) {
        CQvStringW copy(s);
        Append(copy.m_pData, copy.m_iLength);
    } else {
        Append(s, BoundedLength(s, -1));
    }
    return *this;
}

CQvStringW& CQvStringW::AddString(const CQvStringW& s) {
    if (&s == this) {
        CQvStringW copy(s);
        Append(copy.m_pData, copy.m_iLength);
    } else {
        Append(s.m_pData, s.m_iLength);
    }
    return *this;
}

CQvStringW& CQvStringW::AddInt(int value) {
    wchar_t buffer[16];
    int n = 0;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        buffer[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) buffer[n++] = L'-';
    for (int i = 0; i < n / 2; ++i) {
        wchar_t t = buffer[i];
        buffer[i] = buffer[n - 1 - i];
        buffer[n - 1 - i] = t;
    }
    Append(buffer, n);
    return *this;
}

CQvStringW& CQvStringW::AddChar(wchar_t c) {
    Append(&c, 1);
    return *this;
}

int CQvStringW::Find(const wchar_t* sub, int start) const {
    if (!sub || start < 0 || start > m_iLength) return -1;
    const wchar_t* hit = wcsstr(GetString() + start, sub);
    return hit ? static_cast<int>(hit - GetString()) : -1;
}

CQvStringW CQvStringW::Mid(int start, int count) const {
    if (start < 0) start = 0;
    if (start >= m_iLength) return CQvStringW();
    int rest = m_iLength - start;
    if (count < 0 || count > rest) count = rest;
    return CQvStringW(m_pData + start, count);
}

void CQvStringW::Empty() {
    m_iLength = 0;
    if (m_pData) m_pData[0] = 0;
}

bool CQvStringW::IsEmpty() const {
    return m_iLength == 0;
}

int CQvStringW::GetLength() const {
    return m_iLength;
}

const wchar_t* CQvStringW::GetString() const {
    return m_pData ? m_pData : kEmptyW;
}

bool CQvStringW::operator==(const CQvStringW& other) const {
    return m_iLength == other.m_iLength && wcscmp(GetString(), other.GetString()) == 0;
}

bool CQvStringW::operator==(const wchar_t* s) const {
    return wcscmp(GetString(), s ? s : kEmptyW) == 0;
}

CQvStringA::CQvStringA() : m_pData(nullptr), m_iLength(0) {}

CQvStringA::CQvStringA(const wchar_t* s) : CQvStringA() {
    if (!s || !*s) return;
    int n = WideCharToMultiByte(CP_ACP, 0, s, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return;
    m_pData = static_cast<char*>(malloc(static_cast<size_t>(n)));
    if (!m_pData) return;
    WideCharToMultiByte(CP_ACP, 0, s, -1, m_pData, n, nullptr, nullptr);
    m_iLength = n - 1;
}

CQvStringA::CQvStringA(const CQvStringA& other) : CQvStringA() {
    *this = other;
}

CQvStringA::~CQvStringA() {
    free(m_pData);
}

CQvStringA& CQvStringA::operator=(const CQvStringA& other) {
    if (this == &other) return *this;
    char* copy = nullptr;
    if (other.m_iLength > 0) {
        copy = static_cast<char*>(malloc(static_cast<size_t>(other.m_iLength) + 1));
        if (!copy) return *this;
        memcpy(copy, other.m_pData, static_cast<size_t>(other.m_iLength) + 1);
    }
    free(m_pData);
    m_pData = copy;
    m_iLength = copy ? other.m_iLength : 0;
    return *this;
}

const char* CQvStringA::GetString() const {
    return m_pData ? m_pData : kEmptyA;
}

int CQvStringA::GetLength() const {
    return m_iLength;
}
