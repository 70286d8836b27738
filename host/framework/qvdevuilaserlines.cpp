// The multi-laser widget: one row per line of the device, stacked.
#include "devuikit.h"

#include "qv/qvdevice.h"

#include <windowsx.h>

CQvDevUI_MultiLaserLines::CQvDevUI_MultiLaserLines() : m_pMultiLaser(nullptr), m_iCount(0) {
    for (int i = 0; i < MaxLines; ++i) {
        m_aLines[i].m_pOwner = this;
        m_aLines[i].m_iIndex = i;
        m_aLines[i].SetId(i + 1);
    }
}

CQvDevUI_MultiLaserLines::~CQvDevUI_MultiLaserLines() {
    // The callbacks of the derived class are gone: the rows must not call them while they close.
    for (CQvDevUI_MultiLaserLine& line : m_aLines)
        line.m_pOwner = nullptr;
    Destroy();
}

CQvDevUI_MultiLaserLines::CQvDevUI_MultiLaserLines(const CQvDevUI_MultiLaserLines& other)
    : CQvDevUI_MultiLaserLines() {
    *this = other;
}

CQvDevUI_MultiLaserLines& CQvDevUI_MultiLaserLines::operator=(const CQvDevUI_MultiLaserLines& other) {
    if (this == &other) return *this;
    CQvDevUI_Base::operator=(other);
    m_pMultiLaser = other.m_pMultiLaser;
    m_iCount = other.m_iCount;
    for (int i = 0; i < MaxLines; ++i)
        m_aLines[i] = other.m_aLines[i];
    return *this;
}

void CQvDevUI_MultiLaserLines::Init(IQvDeviceMultiLaser* multiLaser, bool, bool) {
    m_pMultiLaser = multiLaser;
    uint32_t count = 0;
    if (!multiLaser || multiLaser->GetLineCount(&count) != DMRC_OK) count = 0;
    m_iCount = count < static_cast<uint32_t>(MaxLines) ? static_cast<int>(count) : MaxLines;
}

CQvDevUI_MultiLaserLine* CQvDevUI_MultiLaserLines::GetLine(int index) {
    return index >= 0 && index < m_iCount ? &m_aLines[index] : nullptr;
}

SIZE CQvDevUI_MultiLaserLines::PreferredSize() {
    SIZE row = m_aLines[0].PreferredSize();
    return SIZE{row.cx, row.cy * m_iCount};
}

bool CQvDevUI_MultiLaserLines::Create(HWND parent, int x, int y, int width, int height) {
    if (!CQvDevUI_Base::Create(parent, x, y, width, height)) return false;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    int rowHeight = m_aLines[0].PreferredSize().cy;
    for (int i = 0; i < m_iCount; ++i)
        if (!m_aLines[i].Create(m_hWnd, 0, i * rowHeight, client.right, rowHeight)) {
            Destroy();
            return false;
        }
    return true;
}

bool CQvDevUI_MultiLaserLines::HandleMouseWheel(uint64_t wParam, int64_t lParam) {
    if (!m_hWnd || !IsWindowVisible(m_hWnd) || !IsWindowEnabled(m_hWnd)) return false;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    for (int i = 0; i < m_iCount; ++i) {
        CQvDevUI_MultiLaserLine& line = m_aLines[i];
        RECT r{};
        if (!line.m_hWnd || !GetWindowRect(line.m_hWnd, &r) || !PtInRect(&r, at)) continue;
        if (!IsWindowEnabled(line.m_hWnd)) return false;
        // One notch is one percent.
        double notches =
            GET_WHEEL_DELTA_WPARAM(static_cast<WPARAM>(wParam)) / static_cast<double>(WHEEL_DELTA);
        line.CommitPower(line.m_dPower + notches);
        return true;
    }
    return false;
}

void CQvDevUI_MultiLaserLines::OnNDFilterChanged(int, bool&) {}
void CQvDevUI_MultiLaserLines::OnLinkChanged(int, bool&) {}
void CQvDevUI_MultiLaserLines::OnHoverForPad(int) {}
void CQvDevUI_MultiLaserLines::UnHoverForPad() {}
void CQvDevUI_MultiLaserLines::OnSubsetChanged(int, bool) {}
