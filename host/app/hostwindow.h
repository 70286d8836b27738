// The host window (--gui): the device's control pad docked on the right, menus for the connection, line
// configuration and shutter dialogs, and a status line.
#pragma once

#include "hostapp.h"
#include "padsite.h"

#include <memory>
#include <string>

class CHostWindow {
public:
    enum {
        ID_CONNECTION = 100, // connection dialog, then connect again
        ID_CONFIGURE,        // line configuration dialog, then configure again
        ID_CALIBRATE,        // the multi-laser's power calibration dialog, then the settings are saved
        ID_CONNECT,
        ID_DISCONNECT,
        ID_EXIT,
        ID_SHUTTER_OPEN = 200,
        ID_SHUTTER_CLOSE,
        ID_SHUTTER_SETTINGS,
    };

    explicit CHostWindow(CHostApp& app);
    ~CHostWindow(); // destroys the window if it is still there

    // Creates the window, then the device: create, connect, configure, pad. False when there is no window.
    bool Create(bool show);
    // Runs until the window is closed; returns the exit code.
    int MessageLoop();
    // What a menu choice does (tests send the same WM_COMMAND).
    void Command(int id);

    HWND Window() const { return m_hWnd; }
    HWND Dock() const { return m_hDock; }
    HWND PadWindow() const { return m_hPad; }
    std::wstring StatusText() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HMENU BuildMenu();
    void Layout();
    void RefreshStatus();
    void Report(const std::wstring& text);
    void AppendLog(const std::wstring& line);

    // The pad exists only while the device is configured; it is taken down before every reconnect.
    void AttachPad();
    void DetachPad();
    void ConnectAndConfigure(const std::wstring* connection);
    void ShowConnectionDialog();
    void Calibrate();
    // DMApi::PhysDev_Configure: the line configuration dialog, then ConfigureDevice with its text.
    bool ConfigureFromDialog(HWND parent);

    CHostApp& m_App;
    HWND m_hWnd = nullptr;
    bool m_bQuitOnDestroy = true;
    HWND m_hLog = nullptr; // what the host received and did
    HWND m_hDock = nullptr;
    HWND m_hStatus = nullptr;
    HWND m_hNoPad = nullptr;
    HWND m_hPad = nullptr;
    int m_iPadWidth = 0; // the pad's own width when it was created
    IQvGUIElement* m_pPad = nullptr;
    std::unique_ptr<CHostPadSite> m_pSite;
    std::wstring m_sLastReport;
};

// --gui: the window until it is closed.
int RunHostWindow(CHostApp& app);
