#include "qv/qvsystem.h"

#include <string.h>
#include <wchar.h>

void QV_Sleep(double milliseconds, int) {
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

BOOL QV_PostMessageImpl(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const wchar_t*, int) {
    return PostMessageW(window, message, wParam, lParam);
}

bool QV_StringToDouble(const wchar_t* text, double* value) {
    if (!text || !value) return false;
    // Parsed by hand so that the decimal separator is always '.', whatever the C locale says.
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t')
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    double mantissa = 0.0;
    int digits = 0, scale = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p, ++digits)
        mantissa = mantissa * 10.0 + (*p - L'0');
    if (*p == L'.') {
        for (++p; *p >= L'0' && *p <= L'9'; ++p, ++digits, --scale)
            mantissa = mantissa * 10.0 + (*p - L'0');
    }
    if (digits == 0) return false;
    if (*p == L'e' || *p == L'E') {
        const wchar_t* e = p + 1;
        bool expNegative = false;
        if (*e == L'+' || *e == L'-') expNegative = *e++ == L'-';
        if (*e >= L'0' && *e <= L'9') {
            int exponent = 0;
            for (; *e >= L'0' && *e <= L'9'; ++e)
                if (exponent < 10000) exponent = exponent * 10 + (*e - L'0');
            scale += expNegative ? -exponent : exponent;
        }
    }
    double result = mantissa;
    // Divide by exact powers of ten so that "0.1" gives the double nearest to 0.1.
    double power = 1.0;
    for (int i = 0; i < (scale < 0 ? -scale : scale) && i < 400; ++i)
        power *= 10.0;
    result = scale < 0 ? result / power : result * power;
    *value = negative ? -result : result;
    return true;
}

int strlen32(const char* s) {
    return s ? static_cast<int>(strlen(s)) : 0;
}

int wcslen32(const wchar_t* s) {
    return s ? static_cast<int>(wcslen(s)) : 0;
}

namespace {
PFN_QvMessageBoxHandler g_pfnMessageBox = nullptr;
}

int QV_MessageBox_(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
    PFN_QvMessageBoxHandler handler = g_pfnMessageBox;
    if (handler) return handler(owner, text, caption, style);
    return MessageBoxW(owner, text, caption, style);
}

void QV_SetMessageBoxHandler(PFN_QvMessageBoxHandler handler) {
    g_pfnMessageBox = handler;
}
