// The common part of the device widgets: one child window whose messages reach the C++ object.
#include "devuikit.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const wchar_t kWidgetClass[] = L"QvDevUIWidget";

ATOM RegisterWidgetClass(WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = sizeof(LONG_PTR); // the widget object
    wc.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWidgetClass;
    return RegisterClassExW(&wc);
}

BOOL CALLBACK EnableChild(HWND child, LPARAM enable) {
    EnableWindow(child, static_cast<BOOL>(enable));
    return TRUE;
}

} // namespace

CQvDevUI_Base::CQvDevUI_Base() : m_hWnd(nullptr), m_iId(0), m_szTitle{} {}

CQvDevUI_Base::~CQvDevUI_Base() {
    Destroy();
}

CQvDevUI_Base::CQvDevUI_Base(const CQvDevUI_Base& other) : m_hWnd(nullptr), m_iId(other.m_iId), m_szTitle{} {
    devui::CopyText(m_szTitle, other.m_szTitle);
}

CQvDevUI_Base& CQvDevUI_Base::operator=(const CQvDevUI_Base& other) {
    if (this != &other) {
        m_iId = other.m_iId;
        SetTitle(other.m_szTitle);
    }
    return *this;
}

LRESULT CALLBACK CQvDevUI_Base::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* widget = reinterpret_cast<CQvDevUI_Base*>(GetWindowLongPtrW(window, 0));
    if (message == WM_NCCREATE) {
        widget = static_cast<CQvDevUI_Base*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(widget));
        widget->m_hWnd = window;
    }
    if (!widget) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = widget->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, 0, 0);
        widget->m_hWnd = nullptr;
    }
    return result;
}

LRESULT CQvDevUI_Base::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The title follows the window's text, however it is set.
    if (message == WM_SETTEXT) devui::CopyText(m_szTitle, reinterpret_cast<const wchar_t*>(lParam));
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

SIZE CQvDevUI_Base::PreferredSize() {
    return SIZE{devui::Zoomed(100), devui::Zoomed(24)};
}

bool CQvDevUI_Base::Create(HWND parent, int x, int y, int width, int height) {
    static const ATOM widgetClass = RegisterWidgetClass(&CQvDevUI_Base::WindowProc);
    if (!widgetClass || !IsWindow(parent)) return false;
    Destroy();
    SIZE preferred = PreferredSize();
    if (width < 0) width = preferred.cx;
    if (height < 0) height = preferred.cy;
    // The window reaches this object in WM_NCCREATE, inside this call.
    CreateWindowExW(WS_EX_CONTROLPARENT, MAKEINTATOM(widgetClass), m_szTitle,
                    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_iId)),
                    reinterpret_cast<HINSTANCE>(&__ImageBase), this);
    if (!m_hWnd) return false;
    OnCreated();
    return true;
}

void CQvDevUI_Base::Destroy() {
    if (!m_hWnd) return;
    // A window of another thread cannot be destroyed here: at least it stops calling this object.
    if (!DestroyWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, 0, 0);
        m_hWnd = nullptr;
    }
}

bool CQvDevUI_Base::GetEnabled() {
    return m_hWnd && IsWindowEnabled(m_hWnd);
}

void CQvDevUI_Base::SetEnabled(bool enabled) {
    if (!m_hWnd) return;
    // The controls inside show the state too, not just stop taking input.
    EnumChildWindows(m_hWnd, EnableChild, enabled);
    EnableWindow(m_hWnd, enabled);
}

bool CQvDevUI_Base::GetVisible() {
    return m_hWnd && (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VISIBLE);
}

void CQvDevUI_Base::SetVisible(bool visible) {
    if (m_hWnd) ShowWindow(m_hWnd, visible ? SW_SHOWNA : SW_HIDE);
}

const wchar_t* CQvDevUI_Base::GetTitle() {
    return m_szTitle;
}

void CQvDevUI_Base::SetTitle(const wchar_t* title) {
    devui::CopyText(m_szTitle, title);
    if (m_hWnd) SetWindowTextW(m_hWnd, m_szTitle);
}

void CQvDevUI_Base::SetFocus() {
    if (!m_hWnd) return;
    HWND target = m_hWnd;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtrW(child, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) ==
            (WS_TABSTOP | WS_VISIBLE)) {
            target = child;
            break;
        }
    ::SetFocus(target);
}

void CQvDevUI_Base::SetRedraw(bool redraw) {
    if (!m_hWnd) return;
    SendMessageW(m_hWnd, WM_SETREDRAW, redraw, 0);
    if (redraw) RefreshWindow();
}

SIZE CQvDevUI_Base::GetWindowSize() {
    RECT r = GetWindowRectangle();
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void CQvDevUI_Base::RefreshWindow() {
    if (m_hWnd)
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

POINT CQvDevUI_Base::GetWindowPosition() {
    RECT r = GetWindowRectangle();
    return POINT{r.left, r.top};
}

RECT CQvDevUI_Base::GetWindowRectangle() {
    RECT r{};
    if (m_hWnd && GetWindowRect(m_hWnd, &r))
        MapWindowPoints(HWND_DESKTOP, GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void CQvDevUI_Base::MoveWindow(int x, int y) {
    if (m_hWnd) SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQvDevUI_Base::MoveWindowRelative(int dx, int dy) {
    POINT at = GetWindowPosition();
    MoveWindow(at.x + dx, at.y + dy);
}

void CQvDevUI_Base::ResizeWindow(int width, int height) {
    if (m_hWnd)
        SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQvDevUI_Base::ResizeWindowRelative(int dx, int dy) {
    SIZE size = GetWindowSize();
    ResizeWindow(size.cx + dx, size.cy + dy);
}

bool CQvDevUI_Base::HandleMouseWheel(uint64_t, int64_t) {
    return false;
}

int CQvDevUI_Base::GetPositionX() {
    return GetWindowPosition().x;
}

int CQvDevUI_Base::GetWidth() {
    return GetWindowSize().cx;
}

int CQvDevUI_Base::GetHeight() {
    return GetWindowSize().cy;
}
