// Where the host docks a device's control pad: the pad asks its site for the dock window, the zoom and
// a new layout.
#pragma once

#include <qv/qvdevice.h>

class CHostPadSite : public IQvDevicePadSite {
public:
    static const UINT kLayoutMessage = WM_APP + 1; // posted to the frame when the pad asks for a layout

    CHostPadSite(HWND frame, HWND dock) : m_hFrame(frame), m_hDock(dock) {}

    int GetSiteVersion() override { return 1; }
    HWND GetDockWindow() override { return m_hDock; }
    double GetGuiZoom() override;
    int RequestLayout() override;
    int ShowPad(bool show) override;
    bool IsPadVisible() override;
    int SetPadTitle(const wchar_t* title) override;
    int GetPadCount() override { return 1; }
    // One physical device per host window: every device is instance 1.
    int GetInstanceNumber(uint32_t) override { return 1; }

private:
    HWND m_hFrame;
    HWND m_hDock;
};
