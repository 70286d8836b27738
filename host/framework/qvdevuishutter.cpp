// The shutter widget: a switch showing the state and the title, and a small settings button.
#include "devuikit.h"
#include "devuipaint.h"

#include "qv/qvdmapi.h"

#include <algorithm>

namespace {

enum { IdSwitch = 1, IdSettings = 2 };
// Unzoomed pixels: the frame, the gaps around the icon, the icon and the settings button.
const int kFrame = 2, kGap = 4, kIcon = 16, kSettings = 18;

int ContentWidth(const wchar_t* title, int margin) {
    int fixed = 2 * (margin + kFrame) + kGap + kIcon + kGap + kGap + 1 + kSettings;
    return devui::Zoomed(fixed) + devui::TextWidth(title);
}

RECT InnerRect(HWND window, int margin, bool framed) {
    RECT r{};
    GetClientRect(window, &r);
    int inset = devui::Zoomed(margin + (framed ? kFrame : 0));
    InflateRect(&r, -inset, -inset);
    return r;
}

void DrawSwitch(const DRAWITEMSTRUCT& item, bool open, const wchar_t* title) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pressed = item.itemState & ODS_SELECTED, enabled = !(item.itemState & ODS_DISABLED);
    // Open looks pushed in and lit, so that the state reads at a glance.
    COLORREF face = open && enabled ? RGB(222, 242, 208) : GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    DrawEdge(dc, &r, open || pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    int icon = devui::Zoomed(kIcon), shift = pressed ? 1 : 0;
    int top = (r.top + r.bottom - icon) / 2 + shift, left = r.left + devui::Zoomed(kGap) + shift;
    devui::DrawShutterIcon(dc, RECT{left, top, left + icon, top + icon}, open, enabled);
    RECT text{left + icon + devui::Zoomed(kGap), r.top + shift, r.right - 2, r.bottom + shift};
    HGDIOBJ oldFont = SelectObject(dc, QV_GetDefaultGuiFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, title, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace

CQvDevUI_Shutter::CQvDevUI_Shutter()
    : m_iDefaultWidth(80), m_iDefaultHeight(24), m_iMargin(0), m_iMinWidth(64), m_bFramed(true),
      m_bOpen(false), m_bResizable(false), m_iResizeMin(0), m_iResizeMax(0), m_hSwitch(nullptr),
      m_hSettings(nullptr) {}

CQvDevUI_Shutter::~CQvDevUI_Shutter() {
    Destroy();
}

CQvDevUI_Shutter::CQvDevUI_Shutter(const CQvDevUI_Shutter& other)
    : CQvDevUI_Base(other), m_iDefaultWidth(other.m_iDefaultWidth), m_iDefaultHeight(other.m_iDefaultHeight),
      m_iMargin(other.m_iMargin), m_iMinWidth(other.m_iMinWidth), m_bFramed(other.m_bFramed),
      m_bOpen(other.m_bOpen), m_bResizable(other.m_bResizable), m_iResizeMin(other.m_iResizeMin),
      m_iResizeMax(other.m_iResizeMax), m_hSwitch(nullptr), m_hSettings(nullptr) {}

CQvDevUI_Shutter& CQvDevUI_Shutter::operator=(const CQvDevUI_Shutter& other) {
    if (this == &other) return *this;
    m_iDefaultWidth = other.m_iDefaultWidth;
    m_iDefaultHeight = other.m_iDefaultHeight;
    m_iMargin = other.m_iMargin;
    m_iMinWidth = other.m_iMinWidth;
    m_bFramed = other.m_bFramed;
    m_bResizable = other.m_bResizable;
    m_iResizeMin = other.m_iResizeMin;
    m_iResizeMax = other.m_iResizeMax;
    // The title goes through the window, which fits its width to it.
    CQvDevUI_Base::operator=(other);
    SetState(other.m_bOpen);
    return *this;
}

SIZE CQvDevUI_Shutter::PreferredSize() {
    int width = devui::Zoomed(std::max(m_iDefaultWidth, m_iMinWidth));
    if (m_bResizable) {
        int low = devui::Zoomed(std::max(m_iMinWidth, m_iResizeMin));
        int high = std::max(low, devui::Zoomed(m_iResizeMax));
        width = std::min(std::max(ContentWidth(m_szTitle, m_iMargin), low), high);
    }
    return SIZE{width, devui::Zoomed(m_iDefaultHeight + 2 * m_iMargin)};
}

void CQvDevUI_Shutter::OnCreated() {
    m_hSwitch = devui::CreateControl(L"BUTTON", m_szTitle, BS_OWNERDRAW | WS_TABSTOP, 0, m_hWnd, IdSwitch);
    m_hSettings =
        devui::CreateControl(L"BUTTON", L"", BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, 0, m_hWnd, IdSettings);
    SendMessageW(m_hSettings, BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(CQvBitmapPool::AddImageBaseUI(L"SETTINGS", nullptr)));
    SendMessageW(m_hSettings, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Settings"));
    RECT client{};
    GetClientRect(m_hWnd, &client);
    OnMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

LRESULT CQvDevUI_Shutter::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) break;
        if (LOWORD(wParam) == IdSwitch) Toggle();
        if (LOWORD(wParam) == IdSettings) OnShowSettings();
        return 0;
    case WM_DRAWITEM:
        if (wParam != IdSwitch) break;
        DrawSwitch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), m_bOpen, m_szTitle);
        return TRUE;
    case WM_SIZE: {
        RECT inner = InnerRect(m_hWnd, m_iMargin, m_bFramed);
        int settings = devui::Zoomed(kSettings);
        int split = std::max<int>(inner.left, inner.right - settings - 1);
        ::MoveWindow(m_hSwitch, inner.left, inner.top, split - inner.left, inner.bottom - inner.top, TRUE);
        ::MoveWindow(m_hSettings, split + 1, inner.top, inner.right - split - 1, inner.bottom - inner.top,
                     TRUE);
        return 0;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        HDC dc = message == WM_PAINT ? BeginPaint(m_hWnd, &ps) : reinterpret_cast<HDC>(wParam);
        if (m_bFramed) {
            RECT frame{};
            GetClientRect(m_hWnd, &frame);
            int margin = devui::Zoomed(m_iMargin);
            InflateRect(&frame, -margin, -margin);
            DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        }
        if (message == WM_PAINT) EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_SETTEXT: {
        LRESULT result = CQvDevUI_Base::OnMessage(message, wParam, lParam);
        if (m_hSwitch) SetWindowTextW(m_hSwitch, m_szTitle);
        if (m_bResizable) {
            SIZE size = PreferredSize();
            ResizeWindow(size.cx, GetHeight());
        }
        return result;
    }
    case WM_DESTROY:
        m_hSwitch = m_hSettings = nullptr;
        break;
    }
    return CQvDevUI_Base::OnMessage(message, wParam, lParam);
}

void CQvDevUI_Shutter::UpdateShutterIcon() {
    if (m_hSwitch) InvalidateRect(m_hSwitch, nullptr, FALSE);
}

void CQvDevUI_Shutter::SetAutomaticallyResizable(bool resizable, int minWidth, int maxWidth) {
    m_bResizable = resizable;
    m_iResizeMin = minWidth;
    m_iResizeMax = maxWidth;
    if (m_hWnd && resizable) ResizeWindow(PreferredSize().cx, GetHeight());
}

void CQvDevUI_Shutter::Update(uint32_t shutterId, bool title, bool state, bool icon) {
    // Only a shutter the device manager knows has a name and a state to show.
    if (DMApi::LogDev_GetKey(shutterId)) {
        const wchar_t* name = title ? DMApi::Shutter_GetToolbarName(shutterId, true) : nullptr;
        if (name) SetTitle(name);
        if (state) SetState(DMApi::Shutter_GetState(shutterId, false));
    }
    if (icon) UpdateShutterIcon();
}

void CQvDevUI_Shutter::SetState(bool open) {
    if (m_bOpen == open) return;
    m_bOpen = open;
    UpdateShutterIcon();
}

void CQvDevUI_Shutter::Toggle() {
    m_bOpen = !m_bOpen;
    UpdateShutterIcon();
    OnStateChanged(m_bOpen);
}
