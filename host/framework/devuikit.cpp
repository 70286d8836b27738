#include "devuikit.h"

#include <math.h>
#include <wchar.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace devui {

int Zoomed(int pixels) {
    return static_cast<int>(lround(pixels * CQvGUILayoutManager::GetGuiZoom()));
}

HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, HWND parent,
                   int id) {
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(QV_GetDefaultGuiFont()), FALSE);
    return control;
}

int TextWidth(const wchar_t* text) {
    if (!text || !*text) return 0;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, QV_GetDefaultGuiFont());
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

bool SetTextIfDifferent(HWND window, const wchar_t* text) {
    wchar_t current[128];
    GetWindowTextW(window, current, 128);
    if (wcscmp(current, text) == 0) return false;
    SetWindowTextW(window, text);
    return true;
}

} // namespace devui
