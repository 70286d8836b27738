#include "padsite.h"

#include <qv/qvdevui.h>

double CHostPadSite::GetGuiZoom() {
    return CQvGUILayoutManager::GetGuiZoom();
}

int CHostPadSite::RequestLayout() {
    // Posted: the pad may ask from inside its own message handling.
    return PostMessageW(m_hFrame, kLayoutMessage, 0, 0) ? 0 : -1;
}

int CHostPadSite::ShowPad(bool show) {
    ShowWindow(m_hDock, show ? SW_SHOW : SW_HIDE);
    return 0;
}

bool CHostPadSite::IsPadVisible() {
    return IsWindowVisible(m_hDock) != FALSE;
}

int CHostPadSite::SetPadTitle(const wchar_t* title) {
    return SetWindowTextW(m_hDock, title ? title : L"") ? 0 : -1;
}
