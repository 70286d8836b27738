// Window size and position helpers, and the shared GUI fonts.
#include "qv/qvdevui.h"

#include <wchar.h>

namespace {

// The framework's fonts, made once and released when the framework unloads.
struct GuiFonts {
    HFONT normal;
    HFONT bold;
    GuiFonts() {
        LOGFONTW font{};
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font = metrics.lfMessageFont;
        else
            GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
        normal = CreateFontIndirectW(&font);
        font.lfWeight = FW_BOLD;
        bold = CreateFontIndirectW(&font);
    }
    ~GuiFonts() {
        DeleteObject(normal);
        DeleteObject(bold);
    }
};

GuiFonts& Fonts() {
    static GuiFonts fonts;
    return fonts;
}

// The outer rectangle in the coordinates a move uses: the parent's client area, or the screen.
RECT PlacedRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Resize(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsTextStatic(HWND window) {
    wchar_t name[16];
    if (!GetClassNameW(window, name, 16) || _wcsicmp(name, L"Static") != 0) return false;
    switch (GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

} // namespace

HFONT QV_GetDefaultGuiFont() {
    return Fonts().normal;
}

void BoldifyCaptions(HWND dialog) {
    // Only the dialog's own captions: the texts inside widgets keep their font.
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsTextStatic(child))
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().bold), TRUE);
}

void SetWndWidth(HWND window, int width) {
    if (window) Resize(window, width, GetWndHeight(window));
}

void SetWndSize(HWND window, int width, int height) {
    if (window) Resize(window, width, height);
}

void SetWndX(HWND window, int x) {
    if (!window) return;
    RECT r = PlacedRect(window);
    SetWindowPos(window, nullptr, x, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int GetWndWidth(HWND window) {
    RECT r{};
    return window && GetWindowRect(window, &r) ? r.right - r.left : 0;
}

int GetWndHeight(HWND window) {
    RECT r{};
    return window && GetWindowRect(window, &r) ? r.bottom - r.top : 0;
}
