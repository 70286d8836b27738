// A push button drawn with an image and a title; a click tells the parent as a button would.
#include "devuikit.h"

#include <algorithm>

namespace {

const int kPadding = 4;

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

bool CursorInside(HWND window) {
    POINT at{};
    RECT client{};
    GetCursorPos(&at);
    ScreenToClient(window, &at);
    GetClientRect(window, &client);
    return PtInRect(&client, at);
}

struct ButtonLook {
    HBITMAP normal;
    HBITMAP pressed;
    bool showTitle;
    const wchar_t* title;
};

void DrawButton(HWND window, HDC dc, const ButtonLook& look) {
    RECT r{};
    GetClientRect(window, &r);
    bool pressed = GetCapture() == window && CursorInside(window), enabled = IsWindowEnabled(window);
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    RECT inner = r;
    InflateRect(&inner, -devui::Zoomed(kPadding), -2);
    if (pressed) OffsetRect(&inner, 1, 1);
    HBITMAP image = pressed && look.pressed ? look.pressed : look.normal;
    SIZE size = BitmapSize(image);
    bool titled = look.showTitle && look.title && *look.title;
    if (image) {
        int x = titled ? inner.left : (inner.left + inner.right - size.cx) / 2;
        int y = (inner.top + inner.bottom - size.cy) / 2;
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, x, y, size.cx, size.cy,
                   DST_BITMAP | (enabled ? DSS_NORMAL : DSS_DISABLED));
        inner.left = x + size.cx + devui::Zoomed(kPadding);
    }
    if (titled) {
        HGDIOBJ oldFont = SelectObject(dc, QV_GetDefaultGuiFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, look.title, -1, &inner,
                  DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
    if (GetFocus() == window) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace

CQvDevUI_ImageButton::CQvDevUI_ImageButton()
    : m_hNormal(nullptr), m_hPressed(nullptr), m_bShowTitle(true), m_bNotifyParent(true) {}

CQvDevUI_ImageButton::~CQvDevUI_ImageButton() {
    Destroy();
}

void CQvDevUI_ImageButton::Init(HBITMAP normal, HBITMAP pressed, bool showTitle, bool notifyParent) {
    m_hNormal = normal;
    m_hPressed = pressed;
    m_bShowTitle = showTitle;
    m_bNotifyParent = notifyParent;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CQvDevUI_ImageButton::Click() {
    if (!m_hWnd || !IsWindowEnabled(m_hWnd) || !m_bNotifyParent) return;
    // The parent may destroy this button while it handles the click: nothing of it is used afterwards.
    SendMessageW(GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(m_iId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

SIZE CQvDevUI_ImageButton::PreferredSize() {
    SIZE image = BitmapSize(m_hNormal);
    int text = m_bShowTitle ? devui::TextWidth(m_szTitle) : 0;
    int gap = image.cx && text ? kPadding : 0;
    int width = devui::Zoomed(4 * kPadding) + image.cx + gap + text;
    int height = std::max(devui::Zoomed(24), static_cast<int>(image.cy + devui::Zoomed(2 * kPadding)));
    return SIZE{width, height};
}

LRESULT CQvDevUI_ImageButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // A button is a tab stop itself, not a container of controls.
        SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_TABSTOP);
        SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_CONTROLPARENT);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BM_CLICK:
        Click();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(m_hWnd);
        ::SetFocus(m_hWnd);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != m_hWnd) return 0;
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT client{};
        GetClientRect(m_hWnd, &client);
        ReleaseCapture();
        if (PtInRect(&client, at)) Click();
        return 0;
    }
    case WM_KEYUP:
        if (wParam == VK_SPACE) Click();
        return 0;
    case WM_CAPTURECHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_SETTEXT: {
        LRESULT result = CQvDevUI_Base::OnMessage(message, wParam, lParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        HDC dc = message == WM_PAINT ? BeginPaint(m_hWnd, &ps) : reinterpret_cast<HDC>(wParam);
        DrawButton(m_hWnd, dc, ButtonLook{m_hNormal, m_hPressed, m_bShowTitle, m_szTitle});
        if (message == WM_PAINT) EndPaint(m_hWnd, &ps);
        return 0;
    }
    }
    return CQvDevUI_Base::OnMessage(message, wParam, lParam);
}
