#include "aomtavopad.h"

#include <qv/qvsystem.h>

namespace {
// Private update commands: WM_COMMAND from control 0xFFFF with code 7 (shutter) or 8 (lines).
const WPARAM kUpdateShutter = 0x7FFFF;
const WPARAM kUpdateMultiLaser = 0x8FFFF;
const LPARAM kUpdateAll = 0xFFFF;
} // namespace

CQvAOMTAVOPad::CQvAOMTAVOPad(CQvAOMTAVO* device)
    : m_pDevice(device), m_pShutter(nullptr), m_pMultiLaser(nullptr), m_iShutterId(0), m_iMultiLaserId(0) {}

CQvAOMTAVOPad::~CQvAOMTAVOPad() {}

int64_t CQvAOMTAVOPad::CreateUI(const wchar_t*, int, int64_t, IQvGUIElement*, void*) {
    // The pad's dialog template and widgets are not part of this module yet: no window.
    return reinterpret_cast<int64_t>(m_hWnd);
}

void CQvAOMTAVOPad::DestroyUI() {
    if (!m_hWnd) return;
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

int CQvAOMTAVOPad::RefreshGUI() {
    if (!m_hWnd) return -9;
    Update();
    return 0;
}

bool CQvAOMTAVOPad::Update() {
    Update_Shutter();
    Update_MultiLaser();
    return true;
}

// Without a window there is nothing to repaint; a post to no window would land in the calling thread's own
// queue (often the worker's, which has no message loop) and pile up there.
bool CQvAOMTAVOPad::Update_Shutter() {
    if (!m_hWnd) return true;
    QV_PostMessageImpl(m_hWnd, WM_COMMAND, kUpdateShutter, kUpdateAll, QV_WFILE, __LINE__);
    return true;
}

bool CQvAOMTAVOPad::Update_MultiLaser() {
    if (!m_hWnd) return true;
    QV_PostMessageImpl(m_hWnd, WM_COMMAND, kUpdateMultiLaser, kUpdateAll, QV_WFILE, __LINE__);
    return true;
}
