// The host window: it drives the device from its menus, docks what the device offers, and its dialogs
// change nothing when cancelled.
#include "hostwindow.h"

#include "../ui/person.h"
#include "moduleloader.h"
#include "qvhost_run.h"

#include <qv/qvsystem.h>

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> g_Messages;

int RecordMessage(HWND, const wchar_t* text, const wchar_t*, UINT) {
    g_Messages.push_back(text ? text : L"");
    return IDOK;
}

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

    TempStore store{"window"};
    SHostOptions options;
    CHostApp app{options};
};

// From opening configured to closing, which takes the pad down before the device.
TEST_F(HostWindow, OpensConfiguredMenusDriveTheShutterAndTheConnectionAndClosingIsInOrder) {
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    EXPECT_EQ(2, app.DeviceState());
    ASSERT_TRUE(IsWindow(window.Dock()));
    EXPECT_TRUE(IsChild(window.Window(), window.Dock()));
    ASSERT_NE(nullptr, window.PadWindow());
    EXPECT_TRUE(IsChild(window.Dock(), window.PadWindow()));
    EXPECT_EQ(0u, window.StatusText().find(L"state 2, shutter closed")) << window.StatusText().c_str();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(store.Path(), text)) << "settings are saved after configuration";
    EXPECT_NE(std::string::npos, text.find("\nAOMTAVO_MultiLaser=")) << text;

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
    EXPECT_TRUE(g_Messages.empty());

    HWND frame = window.Window();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(frame); }));
    EXPECT_EQ(nullptr, window.PadWindow());
    std::wstring error;
    EXPECT_TRUE(app.Shutdown(error));
    EXPECT_EQ(nullptr, app.Device());
}

TEST_F(HostWindow, CancelledDialogsChangeNothing) {
    app.Store().Set(CHostSession::kConfigurationKey, L"fValMax[0]=  5.0;sLineName[0]=Kept;");
    CHostWindow window(app);
    ASSERT_TRUE(window.Create(false));
    ASSERT_NE(nullptr, app.Device());
    std::vector<std::wstring> cancelled; // the captions of the dialogs a person cancelled
    Person person([&] {
        HWND configuration = WaitForDialog();
        cancelled.push_back(WindowText(configuration));
        ClickButton(configuration, IDCANCEL);
        HWND shutter = WaitForDialog(10000, configuration);
        cancelled.push_back(WindowText(shutter));
        ClickButton(shutter, IDCANCEL);
    });
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CONFIGURE, 0);
    SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_SHUTTER_SETTINGS, 0);
    person.join();
    EXPECT_EQ((std::vector<std::wstring>{L"Configure TAVO and AOM", L"Shutter Configuration"}), cancelled);
    EXPECT_TRUE(g_Messages.empty());
    // The device may hand back its configuration rewritten in full; what it says must be the same.
    std::wstring stored = app.Store().Get(CHostSession::kConfigurationKey);
    std::string after(stored.begin(), stored.end());
    EXPECT_NE(std::string::npos, after.find("fValMax[0]=  5.0;")) << after;
    EXPECT_NE(std::string::npos, after.find("sLineName[0]=Kept;")) << after;
    EXPECT_EQ(2, app.DeviceState());
    CQvStringW name;
    ASSERT_NE(nullptr, app.Session().MultiLaser());
    app.Session().MultiLaser()->GetLineName(0, name);
    EXPECT_EQ(CQvStringW(L"Kept"), name);
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
