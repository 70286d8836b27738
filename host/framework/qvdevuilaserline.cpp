// One laser line of the multi-laser widget: lamp, used check box with the name, wavelength, power.
#include "devuikit.h"
#include "devuipaint.h"

#include <commctrl.h>
#include <math.h>
#include <stdio.h>
#include <wchar.h>

#include <algorithm>

namespace {

// Row-private messages from the power controls.
const UINT kCommitText = WM_USER + 0x51;
const UINT kRevertText = WM_USER + 0x52;
const UINT_PTR kTextSubclass = 1, kTrackSubclass = 2;
// Trackbar positions are tenths of a percent.
const int kPositions = 1000;
// Unzoomed layout of a row: lamp, check box with the name, wavelength, trackbar, power text.
const int kRowWidth = 256, kRowHeight = 24, kLampX = 4, kLamp = 12, kUsedX = 20, kUsedWidth = 64,
          kLabelX = 86, kLabelWidth = 40, kTrackX = 126, kTextWidth = 42, kEdge = 4;

RECT LampRect(HWND row) {
    RECT client{};
    GetClientRect(row, &client);
    int size = devui::Zoomed(kLamp), x = devui::Zoomed(kLampX), y = (client.bottom - size) / 2;
    return RECT{x, y, x + size, y + size};
}

void Place(HWND control, int x, int width, int height, int rowHeight) {
    ::MoveWindow(control, x, (rowHeight - height) / 2, std::max(width, 0), height, TRUE);
}

void FormatPower(wchar_t (&text)[32], double percent) {
    swprintf(text, 32, L"%.1f%%", percent);
}

void FormatWavelength(wchar_t (&text)[32], uint32_t nm) {
    if (nm)
        swprintf(text, 32, L"%u nm", nm);
    else
        text[0] = 0;
}

double Clamped(double percent) {
    if (!(percent > 0.0)) return 0.0;
    return std::min(percent, 100.0);
}

// Enter takes the typed power and Escape drops it; the wheel goes to the row, which picks the line under it.
LRESULT CALLBACK PowerControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR) {
    bool text = id == kTextSubclass;
    switch (message) {
    case WM_GETDLGCODE:
        if (text && lParam && (wParam == VK_RETURN || wParam == VK_ESCAPE))
            return DLGC_WANTALLKEYS | DefSubclassProc(window, message, wParam, lParam);
        break;
    case WM_KEYDOWN:
        if (text && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
            SendMessageW(GetParent(window), wParam == VK_RETURN ? kCommitText : kRevertText, 0, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (text && (wParam == L'\r' || wParam == 27)) return 0;
        break;
    case WM_MOUSEWHEEL:
        return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, PowerControlProc, id);
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void LoadTrackbarClass() {
    static const bool loaded = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)loaded;
}

} // namespace

CQvDevUI_MultiLaserLine::CQvDevUI_MultiLaserLine()
    : m_pOwner(nullptr), m_iIndex(0), m_bUsed(false), m_dPower(0.0), m_uWavelength(0), m_szName{},
      m_bShine(false), m_aiPaints{}, m_hUsed(nullptr), m_hPower(nullptr), m_hPowerText(nullptr),
      m_hLabel(nullptr) {}

CQvDevUI_MultiLaserLine::~CQvDevUI_MultiLaserLine() {
    Destroy();
}

// The owner and the index belong to the place of the row, not to its settings.
CQvDevUI_MultiLaserLine::CQvDevUI_MultiLaserLine(const CQvDevUI_MultiLaserLine& other)
    : CQvDevUI_Base(other), m_pOwner(nullptr), m_iIndex(0), m_bUsed(other.m_bUsed), m_dPower(other.m_dPower),
      m_uWavelength(other.m_uWavelength), m_szName{}, m_bShine(other.m_bShine), m_aiPaints{},
      m_hUsed(nullptr), m_hPower(nullptr), m_hPowerText(nullptr), m_hLabel(nullptr) {
    devui::CopyText(m_szName, other.m_szName);
}

CQvDevUI_MultiLaserLine& CQvDevUI_MultiLaserLine::operator=(const CQvDevUI_MultiLaserLine& other) {
    if (this == &other) return *this;
    CQvDevUI_Base::operator=(other);
    SetUsed(other.m_bUsed, true);
    SetPower(other.m_dPower);
    SetWavelength(other.m_uWavelength);
    SetName(other.m_szName);
    SetLaserShine(other.m_bShine);
    return *this;
}

SIZE CQvDevUI_MultiLaserLine::PreferredSize() {
    return SIZE{devui::Zoomed(kRowWidth), devui::Zoomed(kRowHeight)};
}

void CQvDevUI_MultiLaserLine::OnCreated() {
    LoadTrackbarClass();
    wchar_t text[32];
    m_hUsed = devui::CreateControl(L"BUTTON", m_szName, BS_AUTOCHECKBOX | WS_TABSTOP, 0, m_hWnd, ControlUsed);
    SendMessageW(m_hUsed, BM_SETCHECK, m_bUsed ? BST_CHECKED : BST_UNCHECKED, 0);
    FormatWavelength(text, m_uWavelength);
    m_hLabel = devui::CreateControl(L"STATIC", text, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, m_hWnd, -1);
    m_hPower = devui::CreateControl(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 0, m_hWnd,
                                    ControlPower);
    SendMessageW(m_hPower, TBM_SETRANGE, FALSE, MAKELPARAM(0, kPositions));
    SendMessageW(m_hPower, TBM_SETLINESIZE, 0, kPositions / 100);
    SendMessageW(m_hPower, TBM_SETPAGESIZE, 0, kPositions / 10);
    m_hPowerText = devui::CreateControl(L"EDIT", L"", ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP,
                                        WS_EX_CLIENTEDGE, m_hWnd, ControlPowerText);
    SetWindowSubclass(m_hPowerText, PowerControlProc, kTextSubclass, 0);
    SetWindowSubclass(m_hPower, PowerControlProc, kTrackSubclass, 0);
    ShowPower();
    RECT client{};
    GetClientRect(m_hWnd, &client);
    OnMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

LRESULT CQvDevUI_MultiLaserLine::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (from && from == m_hUsed && HIWORD(wParam) == BN_CLICKED)
            CommitUsed(SendMessageW(m_hUsed, BM_GETCHECK, 0, 0) == BST_CHECKED);
        // Leaving the text takes it; a row being hidden or destroyed takes nothing.
        else if (from && from == m_hPowerText && HIWORD(wParam) == EN_KILLFOCUS && IsWindowVisible(m_hWnd) &&
                 SendMessageW(m_hPowerText, EM_GETMODIFY, 0, 0))
            CommitPowerText();
        return 0;
    }
    case WM_HSCROLL: {
        if (!m_hPower || reinterpret_cast<HWND>(lParam) != m_hPower) break;
        double percent = SendMessageW(m_hPower, TBM_GETPOS, 0, 0) * 100.0 / kPositions;
        if (LOWORD(wParam) == TB_ENDTRACK || LOWORD(wParam) == TB_THUMBPOSITION) {
            CommitPower(percent);
        } else {
            // While the thumb moves the text follows it; the line changes when the person lets go.
            wchar_t text[32];
            FormatPower(text, percent);
            SetWindowTextW(m_hPowerText, text);
        }
        return 0;
    }
    case kCommitText:
        CommitPowerText();
        SendMessageW(m_hPowerText, EM_SETSEL, 0, -1);
        return 0;
    case kRevertText:
        SendMessageW(m_hPowerText, EM_SETMODIFY, FALSE, 0);
        ShowPower();
        return 0;
    case WM_MOUSEWHEEL:
        if (m_pOwner && m_pOwner->HandleMouseWheel(wParam, lParam)) return 0;
        break;
    case WM_SIZE: {
        int width = LOWORD(lParam), height = HIWORD(lParam);
        int text = devui::Zoomed(kTextWidth), textX = width - devui::Zoomed(kEdge) - text;
        int trackX = devui::Zoomed(kTrackX), control = devui::Zoomed(20);
        Place(m_hUsed, devui::Zoomed(kUsedX), devui::Zoomed(kUsedWidth), control, height);
        Place(m_hLabel, devui::Zoomed(kLabelX), devui::Zoomed(kLabelWidth), height, height);
        Place(m_hPower, trackX, textX - devui::Zoomed(2) - trackX, devui::Zoomed(22), height);
        Place(m_hPowerText, textX, text, control, height);
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        HDC dc = message == WM_PAINT ? BeginPaint(m_hWnd, &ps) : reinterpret_cast<HDC>(wParam);
        devui::DrawLamp(dc, LampRect(m_hWnd), devui::WavelengthColor(m_uWavelength), m_bShine);
        if (message == WM_PAINT) EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        // From here on the controls send nothing this row acts on.
        m_hUsed = m_hPower = m_hPowerText = m_hLabel = nullptr;
        break;
    }
    return CQvDevUI_Base::OnMessage(message, wParam, lParam);
}

// Every update a row gets while it has a window repaints its part, and only that part, and is counted.
void CQvDevUI_MultiLaserLine::SetUsed(bool used, bool redraw) {
    m_bUsed = used;
    if (!m_hUsed) return;
    // Without redraw the box changes now and shows it at the next repaint of the row.
    if (!redraw) SendMessageW(m_hUsed, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_hUsed, BM_SETCHECK, used ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!redraw) {
        SendMessageW(m_hUsed, WM_SETREDRAW, TRUE, 0);
        return;
    }
    InvalidateRect(m_hUsed, nullptr, TRUE);
    ++m_aiPaints[PartUsed];
}

void CQvDevUI_MultiLaserLine::SetPower(double percent) {
    m_dPower = Clamped(percent);
    if (!m_hPower || !m_hPowerText) return;
    ShowPower();
    InvalidateRect(m_hPower, nullptr, TRUE);
    InvalidateRect(m_hPowerText, nullptr, TRUE);
    ++m_aiPaints[PartPower];
}

void CQvDevUI_MultiLaserLine::ShowPower() {
    if (!m_hPower || !m_hPowerText) return;
    int position = static_cast<int>(lround(m_dPower * kPositions / 100.0));
    // The thumb a person holds and the text a person types stay theirs.
    if (GetCapture() != m_hPower && SendMessageW(m_hPower, TBM_GETPOS, 0, 0) != position)
        SendMessageW(m_hPower, TBM_SETPOS, TRUE, position);
    wchar_t text[32];
    FormatPower(text, m_dPower);
    bool typing = ::GetFocus() == m_hPowerText && SendMessageW(m_hPowerText, EM_GETMODIFY, 0, 0);
    if (!typing) devui::SetTextIfDifferent(m_hPowerText, text);
}

void CQvDevUI_MultiLaserLine::SetWavelength(uint32_t nm) {
    m_uWavelength = nm;
    if (!m_hLabel) return;
    wchar_t text[32];
    FormatWavelength(text, nm);
    SetWindowTextW(m_hLabel, text);
    // A lit lamp shows the colour of the wavelength.
    RECT lamp = LampRect(m_hWnd);
    if (m_bShine) InvalidateRect(m_hWnd, &lamp, TRUE);
    ++m_aiPaints[PartWavelength];
}

void CQvDevUI_MultiLaserLine::SetName(const wchar_t* name) {
    devui::CopyText(m_szName, name);
    if (!m_hUsed) return;
    SetWindowTextW(m_hUsed, m_szName);
    ++m_aiPaints[PartName];
}

void CQvDevUI_MultiLaserLine::SetLaserShine(bool shine) {
    m_bShine = shine;
    if (!m_hWnd) return;
    RECT lamp = LampRect(m_hWnd);
    InvalidateRect(m_hWnd, &lamp, TRUE);
    ++m_aiPaints[PartShine];
}

int CQvDevUI_MultiLaserLine::GetPaintCount(int part) const {
    return part >= 0 && part < PartCount ? m_aiPaints[part] : 0;
}

void CQvDevUI_MultiLaserLine::CommitPower(double percent) {
    if (!isfinite(percent)) return ShowPower();
    percent = Clamped(round(percent * 10.0) / 10.0);
    if (percent != m_dPower) {
        m_dPower = percent;
        if (m_pOwner) m_pOwner->OnPowerChanged(m_iIndex, percent);
        m_dPower = Clamped(percent);
    }
    if (m_hPowerText) SendMessageW(m_hPowerText, EM_SETMODIFY, FALSE, 0);
    // The trackbar still holds the mouse while it reports the end of a drag.
    int position = static_cast<int>(lround(m_dPower * kPositions / 100.0));
    if (m_hPower && SendMessageW(m_hPower, TBM_GETPOS, 0, 0) != position)
        SendMessageW(m_hPower, TBM_SETPOS, TRUE, position);
    ShowPower();
}

void CQvDevUI_MultiLaserLine::CommitUsed(bool used) {
    m_bUsed = used;
    if (m_pOwner) m_pOwner->OnUsedChanged(m_iIndex, used);
    m_bUsed = used;
    if (m_hUsed) SendMessageW(m_hUsed, BM_SETCHECK, used ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CQvDevUI_MultiLaserLine::CommitPowerText() {
    if (!m_hPowerText) return;
    wchar_t text[32];
    GetWindowTextW(m_hPowerText, text, 32);
    // Either decimal separator; the trailing percent sign is optional.
    for (wchar_t* c = text; *c; ++c)
        if (*c == L',') *c = L'.';
    wchar_t* end = nullptr;
    double percent = wcstod(text, &end);
    SendMessageW(m_hPowerText, EM_SETMODIFY, FALSE, 0);
    if (end == text) return ShowPower();
    CommitPower(percent);
}
