#include "hostwindow.h"

#include "changetext.h"
#include "output.h"

#include <qv/qvdmapi.h>
#include <qv/qvdevui.h>
#include <qv/qvgui.h>
#include <qv/qvsystem.h>

namespace {
const wchar_t kClassName[] = L"QvHostWindow";
const wchar_t kDockClassName[] = L"QvHostDock";
const wchar_t kTitle[] = L"qvhost";
const wchar_t kPadName[] = L"AOMTAVO";
const UINT_PTR kStatusTimer = 1;
const UINT kStatusIntervalMs = 250;
const int kStatusHeight = 24;
const int kMinDockWidth = 260;
const int kMaxLogCharacters = 60000;

bool RegisterClass(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW; // the frame replaces it with its own at creation
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool RegisterWindowClasses() {
    static bool registered = false;
    registered = registered || (RegisterClass(kClassName) && RegisterClass(kDockClassName));
    return registered;
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style) {
    HWND w = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return w;
}
} // namespace

CHostWindow::CHostWindow(CHostApp& app) : m_App(app) {}

CHostWindow::~CHostWindow() {
    m_App.Host().Manager().SetPhysDevConfigure(nullptr);
    m_bQuitOnDestroy = false; // the owner is done with the window, not the person leaving the program
    if (m_hWnd) DestroyWindow(m_hWnd);
}

bool CHostWindow::Create(bool show) {
    if (!RegisterWindowClasses()) return false;
    m_hWnd =
        CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                        CW_USEDEFAULT, 900, 560, nullptr, BuildMenu(), GetModuleHandleW(nullptr), nullptr);
    if (!m_hWnd) return false;
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CHostWindow::WindowProc));
    m_hLog =
        Child(m_hWnd, L"EDIT", L"", WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_BORDER);
    m_hDock = Child(m_hWnd, kDockClassName, L"", WS_CLIPCHILDREN | WS_BORDER);
    m_hNoPad = Child(m_hDock, L"STATIC", L"", SS_CENTER);
    m_hStatus = Child(m_hWnd, L"STATIC", L"", SS_LEFT | SS_NOPREFIX);
    m_pSite.reset(new CHostPadSite(m_hWnd, m_hDock));
    m_App.Host().Manager().SetPhysDevConfigure(
        [this](unsigned int, HWND parent) { return ConfigureFromDialog(parent); });
    Layout();
    if (show) ShowWindow(m_hWnd, SW_SHOW);
    std::wstring error;
    if (!m_App.Device() && !m_App.Create(m_App.Options().className, error)) Report(error);
    if (m_App.Device()) ConnectAndConfigure(nullptr);
    SetTimer(m_hWnd, kStatusTimer, kStatusIntervalMs, nullptr);
    RefreshStatus();
    return true;
}

int CHostWindow::MessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

HMENU CHostWindow::BuildMenu() {
    HMENU device = CreatePopupMenu();
    AppendMenuW(device, MF_STRING, ID_CONNECTION, L"&Connection...");
    AppendMenuW(device, MF_STRING, ID_CONFIGURE, L"&Line configuration...");
    AppendMenuW(device, MF_STRING, ID_CALIBRATE, L"&Power calibration...");
    AppendMenuW(device, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(device, MF_STRING, ID_CONNECT, L"C&onnect");
    AppendMenuW(device, MF_STRING, ID_DISCONNECT, L"&Disconnect");
    AppendMenuW(device, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(device, MF_STRING, ID_EXIT, L"E&xit");
    HMENU shutter = CreatePopupMenu();
    AppendMenuW(shutter, MF_STRING, ID_SHUTTER_OPEN, L"&Open");
    AppendMenuW(shutter, MF_STRING, ID_SHUTTER_CLOSE, L"&Close");
    AppendMenuW(shutter, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(shutter, MF_STRING, ID_SHUTTER_SETTINGS, L"&Settings...");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(device), L"&Device");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(shutter), L"&Shutter");
    return bar;
}

LRESULT CALLBACK CHostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CHostWindow* self = reinterpret_cast<CHostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->OnMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CHostWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0) Command(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP: {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        bool connected = m_App.IsConnected(), configured = m_App.Session().IsConfigured();
        auto enable = [menu](int id, bool on) {
            EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
        };
        enable(ID_CONNECT, m_App.Device() && !connected);
        enable(ID_DISCONNECT, connected);
        enable(ID_CONFIGURE, connected);
        enable(ID_CONNECTION, m_App.Device() != nullptr);
        enable(ID_SHUTTER_OPEN, configured);
        enable(ID_SHUTTER_CLOSE, configured);
        enable(ID_SHUTTER_SETTINGS, configured);
        return 0;
    }
    case WM_SIZE:
    case CHostPadSite::kLayoutMessage:
        Layout();
        return 0;
    case WM_TIMER:
        if (wParam == kStatusTimer) RefreshStatus();
        return 0;
    case WM_CLOSE:
        DestroyWindow(m_hWnd);
        return 0;
    case WM_DESTROY:
        KillTimer(m_hWnd, kStatusTimer);
        DetachPad(); // before the device goes
        m_hWnd = nullptr;
        if (m_bQuitOnDestroy) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CHostWindow::Command(int id) {
    IQvDeviceShutter* shutter = m_App.Session().Shutter();
    switch (id) {
    case ID_CONNECTION:
        ShowConnectionDialog();
        break;
    case ID_CONFIGURE:
        // The same way the pad's own "Configure..." reaches the host.
        DMApi::PhysDev_Configure(CHostSession::kPhysDevId, m_hWnd);
        break;
    case ID_CALIBRATE:
        Calibrate();
        break;
    case ID_CONNECT:
        ConnectAndConfigure(nullptr);
        break;
    case ID_DISCONNECT:
        DetachPad();
        m_App.Disconnect();
        Report(L"Disconnected.");
        break;
    case ID_EXIT:
        if (m_hWnd) PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        break;
    case ID_SHUTTER_OPEN:
    case ID_SHUTTER_CLOSE:
        if (shutter) {
            EDeviceManagerReturnCode result = shutter->SetState(id == ID_SHUTTER_OPEN);
            Report(std::wstring(id == ID_SHUTTER_OPEN ? L"Shutter open" : L"Shutter close") + L": result " +
                   std::to_wstring(result) + L".");
        }
        break;
    case ID_SHUTTER_SETTINGS:
        if (m_App.Host().Manager().ShowShutterDialog(CHostSession::kShutterId, m_hWnd) == DMRC_NOT_SUPPORTED)
            QV_MessageBox_(m_hWnd, L"The shutter has no settings dialog.", kTitle, MB_ICONINFORMATION);
        break;
    }
    RefreshStatus();
}

void CHostWindow::Calibrate() {
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    if (!laser || !laser->GetCalibrationSupported()) {
        QV_MessageBox_(m_hWnd, L"No configured multi-laser offers a power calibration.", kTitle, MB_ICONINFORMATION);
        return;
    }
    EDeviceManagerReturnCode result = laser->ShowCalibrationDialog(m_hWnd);
    std::wstring error;
    // The calibration travels with the multi-laser's settings.
    if (result == DMRC_OK && !m_App.Save(error)) Report(error);
    else Report(L"Power calibration: result " + std::to_wstring(result) + L".");
}

void CHostWindow::Layout() {
    if (!m_hWnd) return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    int width = client.right, height = client.bottom - kStatusHeight;
    int dockWidth = m_iPadWidth > kMinDockWidth ? m_iPadWidth : kMinDockWidth;
    if (dockWidth > width / 2 + kMinDockWidth) dockWidth = width / 2 + kMinDockWidth;
    MoveWindow(m_hLog, 0, 0, width - dockWidth, height, TRUE);
    MoveWindow(m_hDock, width - dockWidth, 0, dockWidth, height, TRUE);
    MoveWindow(m_hNoPad, 8, 8, dockWidth - 16, height - 16, TRUE);
    if (m_pPad) m_pPad->Move(0, 0, dockWidth, height);
    MoveWindow(m_hStatus, 4, height + 4, width - 8, kStatusHeight - 6, TRUE);
}

std::wstring CHostWindow::StatusText() const {
    wchar_t text[512] = {};
    if (m_hStatus) GetWindowTextW(m_hStatus, text, 512);
    return text;
}

void CHostWindow::RefreshStatus() {
    if (!m_hWnd) return;
    std::wstring status =
        L"state " + std::to_wstring(m_App.DeviceState()) + L", shutter " + m_App.ShutterText();
    if (!m_sLastReport.empty()) status += L" - " + m_sLastReport;
    if (status != StatusText()) SetWindowTextW(m_hStatus, status.c_str());
    for (const SHostChange& c : m_App.Host().Manager().TakeChanges())
        AppendLog(DescribeChange(c, CHostSession::kMultiLaserId, CHostSession::kShutterId));
    size_t dropped = 0;
    for (const SModuleLogLine& line : m_App.Log().Take(dropped))
        AppendLog(L"log " + line.text);
    for (const std::wstring& m : m_App.Host().Manager().TakeMacros())
        AppendLog(L"macro " + m);
}

void CHostWindow::AppendLog(const std::wstring& line) {
    if (GetWindowTextLengthW(m_hLog) > kMaxLogCharacters) SetWindowTextW(m_hLog, L"");
    int end = GetWindowTextLengthW(m_hLog);
    SendMessageW(m_hLog, EM_SETSEL, end, end);
    SendMessageW(m_hLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>((line + L"\r\n").c_str()));
}

void CHostWindow::Report(const std::wstring& text) {
    m_sLastReport = text;
    if (m_hLog) AppendLog(text);
    RefreshStatus();
}

void CHostWindow::AttachPad() {
    IQvPhysicalDevice* device = m_App.Device();
    if (!device || m_pPad) return;
    IQvGUIElement* pad = nullptr;
    if (device->GetControlPad(&pad, m_pSite.get()) != DMRC_OK || !pad) {
        SetWindowTextW(m_hNoPad, L"The device offers no control pad.");
        return;
    }
    m_pPad = pad;
    m_hPad = reinterpret_cast<HWND>(
        pad->CreateUI(kPadName, 0, reinterpret_cast<int64_t>(m_hDock), nullptr, nullptr));
    if (m_hPad) {
        RECT natural;
        GetWindowRect(m_hPad, &natural);
        m_iPadWidth = natural.right - natural.left;
        // The pad asks its docker for a new layout with WM_SIZE: the frame lays the dock out.
        CQvGUILayoutManager::SetDocker(pad, m_hWnd);
        ShowWindow(m_hNoPad, SW_HIDE);
        pad->Show(true);
    } else {
        // The window works without a pad: the menus reach every dialog.
        SetWindowTextW(m_hNoPad, L"The device's control pad has no window yet.\r\nUse the menus.");
        ShowWindow(m_hNoPad, SW_SHOW);
    }
    Layout();
}

void CHostWindow::DetachPad() {
    if (m_pPad) {
        CQvGUILayoutManager::SetDocker(m_pPad, nullptr);
        m_pPad->DestroyUI();
    }
    m_iPadWidth = 0;
    m_pPad = nullptr;
    m_hPad = nullptr;
    if (m_hNoPad) {
        SetWindowTextW(m_hNoPad, L"Not configured: no control pad.");
        ShowWindow(m_hNoPad, SW_SHOW);
    }
}

void CHostWindow::ConnectAndConfigure(const std::wstring* connection) {
    DetachPad();
    if (m_App.IsConnected()) m_App.Disconnect();
    m_App.Connect(connection);
    std::wstring error;
    EDeviceManagerReturnCode result = m_App.Configure(nullptr, error);
    if (result == DMRC_WRONG_STATE) {
        Report(L"Not connected: check the connection (Device > Connection...).");
        return;
    }
    if (result != DMRC_OK) {
        Report(L"Connected, but the configuration was refused (result " + std::to_wstring(result) + L").");
        return;
    }
    Report(error.empty() ? L"Connected and configured." : error);
    AttachPad();
}

void CHostWindow::ShowConnectionDialog() {
    IQvPhysicalDevice* device = m_App.Device();
    if (!device) return;
    CQvStringW text(m_App.DefaultConnectionText().c_str());
    EDeviceManagerReturnCode result = device->ShowConnectionDialog(text, m_hWnd);
    if (result != DMRC_OK) return; // cancelled: nothing changes
    std::wstring connection = text.GetString();
    ConnectAndConfigure(&connection);
}

bool CHostWindow::ConfigureFromDialog(HWND parent) {
    IQvPhysicalDevice* device = m_App.Device();
    if (!device || !m_App.IsConnected()) return false;
    CQvStringW text(m_App.Store().Get(CHostSession::kConfigurationKey).c_str());
    EDeviceManagerReturnCode result = device->ShowLineConfigurationDialog(text, parent);
    if (result == DMRC_NOT_SUPPORTED) {
        QV_MessageBox_(parent, L"The device has no line configuration dialog.", kTitle, MB_ICONINFORMATION);
        return false;
    }
    if (result != DMRC_OK) return false;
    DetachPad();
    std::wstring configuration = text.GetString(), error;
    result = m_App.Configure(&configuration, error);
    Report(result == DMRC_OK
               ? L"Configured with the new line configuration."
               : L"The device refused the line configuration (result " + std::to_wstring(result) + L").");
    if (result == DMRC_OK) AttachPad();
    return result == DMRC_OK;
}

int RunHostWindow(CHostApp& app) {
    CHostWindow window(app);
    if (!window.Create(true)) {
        // Without a display there is nobody to show a message box either.
        PrintError(DMRC_NO_DEVICE, L"the host window cannot be created: there is no display (without one, "
                                   L"run it as xvfb-run -a scripts/run.sh --gui)");
        return 1;
    }
    return window.MessageLoop();
}
