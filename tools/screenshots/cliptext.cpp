#include "cliptext.h"

#include <stdio.h>

namespace {

std::wstring Text(HWND control) {
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    return text;
}

// The size the text takes in the control's font, wrapped at the width when the flags ask for it.
SIZE Extent(HWND control, const std::wstring& text, int width, UINT flags) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{r.right, r.bottom};
}

void AddIfClipped(HWND control, std::vector<std::wstring>& lines) {
    std::wstring text = Text(control);
    if (text.empty() || !IsWindowVisible(control)) return;
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    int width = client.right, height = client.bottom;
    UINT flags = DT_SINGLELINE;
    if (!lstrcmpiW(name, L"Static")) {
        LONG kind = style & SS_TYPEMASK;
        if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP) return;
        if (kind != SS_LEFTNOWORDWRAP && !(style & SS_CENTERIMAGE)) flags = DT_WORDBREAK;
        if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
    } else if (!lstrcmpiW(name, L"Button")) {
        LONG kind = style & BS_TYPEMASK;
        if (kind == BS_OWNERDRAW || kind == BS_GROUPBOX || (style & (BS_BITMAP | BS_ICON))) return;
        bool box = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                   kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE;
        // The box and its gap, or the push button's frame, take their part of the width.
        width -= box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 6;
    } else if (!lstrcmpiW(name, L"Edit") && !(style & ES_MULTILINE)) {
        RECT format{};
        SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        width = format.right - format.left;
        flags |= DT_NOPREFIX;
    } else {
        return;
    }
    SIZE need = Extent(control, text, width, flags);
    if (need.cx <= width && need.cy <= height) return;
    wchar_t line[400];
    swprintf(line, 400, L"\"%ls\" needs %ldx%ld pixels and has %dx%d", text.c_str(), need.cx, need.cy, width,
             height);
    lines.push_back(line);
}

} // namespace

std::vector<std::wstring> ClippedTexts(HWND window) {
    std::vector<std::wstring> lines;
    EnumChildWindows(
        window,
        [](HWND control, LPARAM context) -> BOOL {
            AddIfClipped(control, *reinterpret_cast<std::vector<std::wstring>*>(context));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&lines));
    return lines;
}
