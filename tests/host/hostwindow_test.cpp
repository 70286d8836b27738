// The host window: it drives the device from its menus, docks what the device offers, and its dialogs
// change nothing when cancelled.
#include "hostwindow.h"

#include "moduleloader.h"
#include "qvhost_run.h"

#include <qv/qvsystem.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::vector<std::wstring> g_Messages;

int RecordMessage(HWND, const wchar_t* text, const wchar_t*, UINT) {
    g_Messages.push_back(text ? text : L"");
    return IDOK;
}

// Cancels every modal dialog that the window's thread shows while it lives (bounded by its scope).
class DialogCanceller {
public:
    DialogCanceller() : m_Thread(GetCurrentThreadId()), m_Worker([this] { Run(); }) {}
    ~DialogCanceller() {
        m_bStop = true;
        m_Worker.join();
    }
    int Cancelled() const { return m_iCancelled; }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (IsWindowVisible(window) && wcscmp(name, L"#32770") == 0) {
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            ++reinterpret_cast<DialogCanceller*>(self)->m_iCancelled;
        }
        return TRUE;
    }
    void Run() {
        while (!m_bStop) {
            EnumThreadWindows(m_Thread, Visit, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }
    DWORD m_Thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_iCancelled{0};
    std::thread m_Worker;
};

class HostWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_Messages.clear();
        QV_SetMessageBoxHandler(RecordMessage);
        options.modulePath = BesideExecutable(L"w32_device_aomtavo.dll");
        options.storePath = store.Path();
        int code = 0;
        std::wstring error;
        ASSERT_TRUE(app.Start(true, code, error)) << std::string(error.begin(), error.end());
    }
    void TearDown() override { QV_SetMessageBoxHandler(nullptr); }
    // Lets the window handle what was posted to it (bounded).
    void Pump(DWORD ms = 100) {
        for (ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(5)) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    }

    TempStore store{"window"};
    SHostOptions options;
    CHostApp app{options};
};

TEST_F(HostWindow, OpensConfiguredWithTheDockAndStatus) {
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    EXPECT_EQ(2, app.DeviceState());
    ASSERT_TRUE(IsWindow(window.Dock()));
    EXPECT_TRUE(IsChild(window.Window(), window.Dock()));
    // The pad's window, when the device gives one, lives in the dock.
    if (window.PadWindow()) {
        EXPECT_TRUE(IsChild(window.Dock(), window.PadWindow()));
    }
    EXPECT_EQ(0u, window.StatusText().find(L"state 2, shutter closed")) << window.StatusText().c_str();
    EXPECT_TRUE(g_Messages.empty());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(store.Path(), text)) << "settings are saved after configuration";
    EXPECT_NE(std::string::npos, text.find("\nAOMTAVO_MultiLaser=")) << text;
}

TEST_F(HostWindow, MenusDriveTheShutterAndTheConnection) {
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_SHUTTER_OPEN, 0);
    EXPECT_EQ(L"open", app.ShutterText());
    EXPECT_EQ(0u, window.StatusText().find(L"state 2, shutter open")) << window.StatusText().c_str();
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_SHUTTER_CLOSE, 0);
    EXPECT_EQ(L"closed", app.ShutterText());

    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_DISCONNECT, 0);
    EXPECT_EQ(0, app.DeviceState());
    EXPECT_EQ(nullptr, window.PadWindow());
    // Shutter commands without a configured device do nothing.
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_SHUTTER_OPEN, 0);
    EXPECT_EQ(L"-", app.ShutterText());
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONNECT, 0);
    EXPECT_EQ(2, app.DeviceState());

    // The simulator's connection dialog accepts at once: the host connects again with its text.
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONNECTION, 0);
    EXPECT_EQ(2, app.DeviceState());
    EXPECT_TRUE(app.Store().Has(CHostSession::kConnectionKey));
}

TEST_F(HostWindow, CancelledDialogsChangeNothing) {
    app.Store().Set(CHostSession::kConfigurationKey, L"fValMax[0]=  5.0;sLineName[0]=Kept;");
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    ASSERT_NE(nullptr, app.Device());
    {
        DialogCanceller canceller;
        SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONFIGURE, 0);
        SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_SHUTTER_SETTINGS, 0);
    }
    // The device may hand back its configuration rewritten in full; what it says must be the same.
    std::wstring after = app.Store().Get(CHostSession::kConfigurationKey);
    EXPECT_NE(std::wstring::npos, after.find(L"fValMax[0]=  5.0;"))
        << std::string(after.begin(), after.end());
    EXPECT_NE(std::wstring::npos, after.find(L"sLineName[0]=Kept;"))
        << std::string(after.begin(), after.end());
    EXPECT_EQ(2, app.DeviceState());
    CQvStringW name;
    ASSERT_NE(nullptr, app.Session().MultiLaser());
    app.Session().MultiLaser()->GetLineName(0, name);
    EXPECT_EQ(CQvStringW(L"Kept"), name);
    // A device without one of these dialogs says so instead of showing it.
    for (const std::wstring& m : g_Messages)
        EXPECT_TRUE(m == L"The device has no line configuration dialog." ||
                    m == L"The shutter has no settings dialog.")
            << std::string(m.begin(), m.end());
}

TEST_F(HostWindow, ClosingTakesThePadDownBeforeTheDevice) {
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    HWND frame = window.Window();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(nullptr, window.PadWindow());
    std::wstring error;
    EXPECT_TRUE(app.Shutdown(error));
    EXPECT_EQ(nullptr, app.Device());
}

TEST_F(HostWindow, WithoutADeviceClassTheWindowStillOpensAndSaysWhy) {
    options.className = "CQvNoSuchClass";
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    EXPECT_EQ(nullptr, app.Device());
    EXPECT_NE(std::wstring::npos, window.StatusText().find(L"no class CQvNoSuchClass in the module"))
        << window.StatusText().c_str();
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONNECT, 0);
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONFIGURE, 0);
    EXPECT_EQ(nullptr, app.Device());
}

} // namespace
