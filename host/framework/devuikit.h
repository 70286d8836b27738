// Small helpers the device widgets share: zoomed lengths, child controls, text measuring.
#pragma once

#include "qv/qvdevui.h"

namespace devui {
// A length in pixels at the current GUI zoom.
int Zoomed(int pixels);
// A visible child control in the default GUI font.
HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, HWND parent,
                   int id);
// Width in pixels of a text in the default GUI font.
int TextWidth(const wchar_t* text);
// Sets a window's text only when it differs; true when it changed.
bool SetTextIfDifferent(HWND window, const wchar_t* text);
// Copies text into a fixed buffer, cut to fit and NUL-terminated.
template <size_t N> void CopyText(wchar_t (&buffer)[N], const wchar_t* text) {
    size_t n = 0;
    for (; text && text[n] && n < N - 1; ++n)
        buffer[n] = text[n];
    buffer[n] = 0;
}
} // namespace devui
