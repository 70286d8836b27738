#include "testwindow.h"

#include <qv/qvdevui.h>

#include <winternl.h>

TestWindow::TestWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"QvWidgetsTestWindow";
        return RegisterClassW(&wc);
    }();
    // Shown without activation, so that it is no window manager's: Wine then does not wait 2 s for one
    // when it closes.
    m_hWnd = CreateWindowExW(WS_EX_NOACTIVATE, MAKEINTATOM(windowClass), L"widgets", WS_POPUP | WS_BORDER, 40,
                             40, 480, 360, nullptr, nullptr, nullptr, this);
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    sizes.clear();
}

TestWindow::~TestWindow() {
    DestroyWindow(m_hWnd);
    // The zoom is the process's: each case leaves 1.0, and 1.0 as the previous zoom, to the next.
    CQvGUILayoutManager::SetGuiZoom(1.0);
    CQvGUILayoutManager::SetGuiZoom(1.0);
}

LRESULT CALLBACK TestWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_COMMAND) self->commands.push_back(wParam);
    if (self && message == WM_SIZE) self->sizes.push_back(lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

int DescendantCount(HWND parent) {
    int count = 0;
    EnumChildWindows(
        parent, [](HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

COLORREF PrintedPixel(HWND window, int x, int y) {
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
}

// Wine answers GetGuiResources with 0. Its GDI handle table, which the process block points to as on
// Windows, has a 24-byte entry per handle with the object type at byte 14 (0 when free).
static int RawGdiCount() {
    int count = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    PROCESS_BASIC_INFORMATION info{};
    if (count > 0 ||
        NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr))
        return count > 0 ? count : -1;
    const BYTE* table =
        *reinterpret_cast<const BYTE* const*>(reinterpret_cast<const BYTE*>(info.PebBaseAddress) + 0xF8);
    for (int i = 0; table && i < 0x10000; ++i)
        count += table[i * 24 + 14] != 0;
    return table ? count : -1;
}

int GdiObjectCount() {
    // A count that does not see one brush come and go counts nothing.
    int before = RawGdiCount();
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    int with = RawGdiCount();
    DeleteObject(probe);
    return before >= 0 && with == before + 1 && RawGdiCount() == before ? before : -1;
}
