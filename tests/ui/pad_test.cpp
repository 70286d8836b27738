// The control pad docked in a host window: layout, the person's actions, macro texts, and the pad
// following changes made elsewhere.
#include "devicehost.h"
#include "person.h"
#include "qvprint.h"
#include "tavosim_unit.h"
#include "../widgets/testwindow.h"

#include <aomtavomultilaser.h>
#include <aomtavopad.h>
#include <aomtavoshutter.h>
#include <res/resource.h>

#include <qv/qvdevui.h>
#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <locale.h>

namespace {

const uint32_t kLaserId = 101;
const uint32_t kShutterId = 102;

class Pad : public ::testing::Test {
protected:
    void TearDown() override { pad().DestroyUI(); }
    // Connects and configures the device, gives the logical devices the host's ids and keys.
    void Configure(DeviceHost& h, int comPort = 0) {
        ASSERT_TRUE(h.Connect(comPort));
        ASSERT_EQ(DMRC_OK, h.Configure(L"sLineName[0]=Violet;sLineName[1]=Blue;sLineName[2]=Green;"));
        h->m_pMultiLaser->LoadSettings(L"", kLaserId);
        h->m_pShutter->LoadSettings(L"", kShutterId);
        h.manager().AddLogicalDevice({kLaserId, L"ML", 1, true, true, h->m_pMultiLaser, nullptr});
        h.manager().AddLogicalDevice({kShutterId, L"SH", 1, true, true, h->m_pShutter, h->m_pShutter});
        h.Listen();
    }
    HWND Dock(DeviceHost& h) {
        IQvGUIElement* element = nullptr;
        EXPECT_EQ(DMRC_OK, h->GetControlPad(&element, nullptr));
        m_pPad = h->m_pPad;
        return reinterpret_cast<HWND>(
            element->CreateUI(L"pad", 0, reinterpret_cast<int64_t>(dock.Handle()), nullptr, nullptr));
    }
    CQvAOMTAVOPad& pad() { return *(m_pPad ? m_pPad : host->m_pPad); }
    CQvDevUI_MultiLaserLine* Row(int i) { return pad().m_LinesGUI.GetLine(i); }
    int Paints(int row, int part) { return Row(row)->GetPaintCount(part); }
    int ButtonX(HWND window) {
        RECT button;
        GetWindowRect(pad().m_SettingsButton.GetWindow(), &button);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
        return button.left;
    }
    // Lets the pad handle the updates posted to it so far.
    void Settle() {
        PumpUntil([] { return true; });
    }

    TestWindow dock;
    DeviceHost host;
    CQvAOMTAVOPad* m_pPad = nullptr;
};

TEST_F(Pad, LayoutFollowsTheZoom) {
    Configure(host);
    struct {
        double zoom;
        int gap, width;
    } cases[] = {{1.0, 4, 262}, {1.25, 5, 328}};
    for (const auto& c : cases) {
        CQvGUILayoutManager::SetGuiZoom(c.zoom);
        HWND window = Dock(host);
        ASSERT_NE(nullptr, window) << c.zoom;
        CQvAOMTAVOPad& p = pad();
        EXPECT_EQ(c.width, GetWndWidth(window)) << c.zoom;
        EXPECT_EQ(6 * c.gap, p.m_ShutterGUI.GetPositionX()) << c.zoom;
        // Laid out one gap to the right of the shutter; the shutter's first update then places it 5 pixels
        // from the shutter's edge.
        EXPECT_EQ(p.m_ShutterGUI.GetPositionX() + GetWndWidth(p.m_ShutterGUI.GetWindow()) + c.gap,
                  ButtonX(window))
            << c.zoom;
        EXPECT_TRUE(PumpUntil([&] {
            return p.m_ShutterGUI.GetPositionX() + p.m_ShutterGUI.GetWidth() + 5 == ButtonX(window);
        })) << c.zoom;
        EXPECT_EQ(p.m_LinesGUI.GetHeight() + p.m_ShutterGUI.GetHeight() + 4 * c.gap, GetWndHeight(window));
        EXPECT_EQ(3, p.m_LinesGUI.GetCount());
        p.DestroyUI();
    }
}

TEST_F(Pad, WithoutAShutterTheButtonMovesToTheLeft) {
    Configure(host);
    // The pad takes the device's shutter when it builds its window; the poll must not meet the gap. A
    // no-op command through the worker returns only after any poll under way.
    host->m_iPollCountdown = -1;
    host->CallBack([](uint64_t, uint64_t, uint64_t) -> int32_t { return 0; }, 0, 0, 0, 0);
    CQvAOMTAVOShutter* shutter = host->m_pShutter;
    host->m_pShutter = nullptr;
    HWND window = Dock(host);
    host->m_pShutter = shutter;
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0, ButtonX(window));
    EXPECT_EQ(nullptr, pad().m_ShutterGUI.GetWindow());
    EXPECT_EQ(pad().m_LinesGUI.GetHeight() + 16, GetWndHeight(window));
}

TEST_F(Pad, SecondCreateReturnsTheSameWindowAndTitlesCarryTheInstance) {
    Configure(host);
    host->m_iInstanceNumber = 3;
    HWND first = Dock(host);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(reinterpret_cast<int64_t>(first), pad().CreateUI(L"other", 0, 0, nullptr, nullptr));
    EXPECT_STREQ(L"pad", pad().GetInfo(0));
    EXPECT_STREQ(L"AOM TAVO Sim Pad2", pad().GetInfo(1));
    pad().DestroyUI();
    host->m_iInstanceNumber = 1;
    Dock(host);
    EXPECT_STREQ(L"AOM TAVO Sim Pad", pad().GetInfo(1));
}

TEST_F(Pad, SwitchingALineOnOrTheShutterSendsTheMacroAndLightsTheLineOnlyWithTheShutterOpen) {
    Configure(host);
    ASSERT_NE(nullptr, Dock(host));
    host.manager().TakeMacros();
    Settle();
    HWND check = GetDlgItem(Row(1)->GetWindow(), CQvDevUI_MultiLaserLine::ControlUsed);
    ASSERT_NE(nullptr, check);
    SendMessageW(check, BM_CLICK, 0, 0);
    EXPECT_FALSE(Row(1)->GetLaserShine());
    Settle();
    EXPECT_EQ(std::vector<std::wstring>{L"Stg_SetMultiLaserLineUsed(\"ML\", 1, 1);"},
              host.manager().TakeMacros());
    EXPECT_TRUE(Row(1)->GetUsed());
    EXPECT_FALSE(Row(1)->GetLaserShine());
    bool used = false;
    host->m_pMultiLaser->GetLineUsed(1, &used);
    EXPECT_TRUE(used);
    // With the shutter open the line lights at once, before any update reaches the pad.
    host->m_pShutter->SetState(true);
    SendMessageW(GetDlgItem(Row(2)->GetWindow(), CQvDevUI_MultiLaserLine::ControlUsed), BM_CLICK, 0, 0);
    EXPECT_TRUE(Row(2)->GetLaserShine());
    // The person switches the shutter in the pad: its macros, and the used line darkens and lights again.
    ASSERT_TRUE(PumpUntil([&] { return pad().m_ShutterGUI.GetState() && !Row(1)->GetUsed(); }));
    host.manager().TakeMacros();
    pad().m_ShutterGUI.Toggle();
    EXPECT_FALSE(Row(2)->GetLaserShine());
    pad().m_ShutterGUI.Toggle();
    EXPECT_TRUE(Row(2)->GetLaserShine());
    EXPECT_FALSE(Row(1)->GetLaserShine());
    EXPECT_EQ((std::vector<std::wstring>{L"Stg_SetShutterStateEx(\"SH\", 0);",
                                         L"Stg_SetShutterStateEx(\"SH\", 1);"}),
              host.manager().TakeMacros());
    // Closed elsewhere: the shutter's update darkens the line.
    host->m_pShutter->SetState(false);
    EXPECT_TRUE(PumpUntil([&] { return !Row(2)->GetLaserShine(); }));
}

TEST_F(Pad, PowerMacroHasOneDecimalWhileTheLaserGetsTheValue) {
    Configure(host);
    ASSERT_NE(nullptr, Dock(host));
    host.manager().TakeMacros();
    double power = 12.345;
    std::string saved = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "German_Germany.1252"); // the macro keeps its point in a comma locale
    pad().m_LinesGUI.OnPowerChanged(0, power);
    setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(std::vector<std::wstring>{L"Stg_SetMultiLaserPower(\"ML\", 0, 12.3);"},
              host.manager().TakeMacros());
    double stored = 0;
    host->m_pMultiLaser->GetLinePower(0, &stored);
    EXPECT_DOUBLE_EQ(12.345, stored);
}

// The pad records every change the person makes, as the host's protocol expects it, except one that did not
// take effect (21): a power the device refused as out of range (12) and a switch while the device was
// connected anew but not yet configured (1) are recorded too.
TEST_F(Pad, RecordsAChangeUnlessItDidNotTakeEffect) {
    Configure(host);
    ASSERT_NE(nullptr, Dock(host));
    host.manager().TakeMacros();
    double tooMuch = 100.5;
    pad().m_LinesGUI.OnPowerChanged(0, tooMuch);
    EXPECT_EQ(std::vector<std::wstring>{L"Stg_SetMultiLaserPower(\"ML\", 0, 100.5);"},
              host.manager().TakeMacros());
    ASSERT_TRUE(host.Connect()); // state 3 until the next configure
    bool used = true;
    pad().m_LinesGUI.OnUsedChanged(1, used);
    EXPECT_EQ(std::vector<std::wstring>{L"Stg_SetMultiLaserLineUsed(\"ML\", 1, 1);"},
              host.manager().TakeMacros());
    host->m_Lines[0].iIndex = 0; // a line without an AOM channel: the change answers 21
    double power = 50.0;
    pad().m_LinesGUI.OnPowerChanged(0, power);
    EXPECT_EQ(std::vector<std::wstring>{}, host.manager().TakeMacros());
}

TEST_F(Pad, AnUpdateRepaintsOnlyWhatItsMaskNames) {
    Configure(host);
    ASSERT_NE(nullptr, Dock(host));
    Settle();
    const int parts[] = {CQvDevUI_MultiLaserLine::PartPower, CQvDevUI_MultiLaserLine::PartName,
                         CQvDevUI_MultiLaserLine::PartWavelength};
    const LPARAM masks[] = {0x2, 0x4, 0x8};
    for (int k = 0; k < 3; ++k) {
        int before[3];
        for (int j = 0; j < 3; ++j)
            before[j] = Paints(0, parts[j]);
        PostMessageW(reinterpret_cast<HWND>(pad().GetHandle()), WM_COMMAND, 0x8FFFF, masks[k]);
        EXPECT_TRUE(PumpUntil([&] { return Paints(0, parts[k]) > before[k]; })) << masks[k];
        for (int j = 0; j < 3; ++j)
            if (j != k) {
                EXPECT_EQ(before[j], Paints(0, parts[j])) << "mask " << masks[k] << " part " << j;
            }
    }
}

// Without a key or a toolbar name from the host the shutter is titled "Shutter"; the settings dialog is
// followed by a shutter update, as is the host's PostPadUpdate; "Configure..." that the host accepted
// refreshes the host's lists.
TEST_F(Pad, ShutterTitleSettingsAndConfigure) {
    Configure(host);
    ASSERT_NE(nullptr, Dock(host));
    Settle();
    host.manager().SetPhysDevConfigure([](unsigned int, HWND) { return true; });
    int refreshed = host.manager().RefreshCount();
    SendMessageW(reinterpret_cast<HWND>(pad().GetHandle()), WM_COMMAND,
                 MAKEWPARAM(IDC_PAD_SETTINGS, BN_CLICKED), 0);
    EXPECT_EQ(refreshed + 1, host.manager().RefreshCount());
    Settle();
    Person person([] {
        if (HWND d = WaitForWindow(L"Shutter Configuration")) ClickButton(d, IDOK);
    });
    pad().m_ShutterGUI.OnShowSettings();
    person.join();
    MSG update{};
    EXPECT_TRUE(PeekMessageW(&update, reinterpret_cast<HWND>(pad().GetHandle()), WM_COMMAND, WM_COMMAND,
                             PM_NOREMOVE));
    EXPECT_EQ(0x7FFFFu, update.wParam);
    Settle();
    EXPECT_EQ(DMRC_OK, host->m_pShutter->PostPadUpdate()); // the host asks for the same update
    update = MSG{};
    EXPECT_TRUE(PeekMessageW(&update, reinterpret_cast<HWND>(pad().GetHandle()), WM_COMMAND, WM_COMMAND,
                             PM_NOREMOVE));
    EXPECT_EQ(0x7FFFFu, update.wParam);
    pad().DestroyUI();
    host->m_pShutter->LoadSettings(L"", 999); // an id the host does not know
    ASSERT_NE(nullptr, Dock(host));
    EXPECT_TRUE(PumpUntil([&] { return std::wstring(L"Shutter") == pad().m_ShutterGUI.GetTitle(); }));
}

// The host may destroy the window it docked the pad in, and may release the device before the pad's window:
// the pad is then built again, and a window left behind reaches no pad.
TEST_F(Pad, AWindowTheHostDestroyedIsBuiltAgainAndAPadGoneIsNotReached) {
    Configure(host);
    {
        TestWindow docker;
        ASSERT_NE(0, host->m_pPad->CreateUI(L"pad", 0, reinterpret_cast<int64_t>(docker.Handle()), nullptr,
                                            nullptr));
    }
    HWND again = Dock(host);
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(reinterpret_cast<int64_t>(again), pad().GetHandle());

    CQvAOMTAVOPad* gone = new CQvAOMTAVOPad(&host.device());
    HWND left = reinterpret_cast<HWND>(
        gone->CreateUI(L"left", 0, reinterpret_cast<int64_t>(dock.Handle()), nullptr, nullptr));
    ASSERT_TRUE(IsWindow(left));
    delete gone;
    SendMessageW(left, WM_SYSCOLORCHANGE, 0, 0);
    PostMessageW(left, WM_COMMAND, 0x7FFFF, 0x7FFFF);
    Settle();
    DestroyWindow(left);
}

TEST_F(Pad, MouseWheelAndClosingTheElement) {
    Configure(host);
    HWND window = Dock(host);
    ASSERT_NE(nullptr, window);
    int64_t position = 0;
    EXPECT_EQ(0, pad().CustomCommand(0x8001, 0, &position)) << "a wheel over no widget is not taken";
    ShowWindow(window, SW_SHOW);
    RECT row;
    GetWindowRect(Row(0)->GetWindow(), &row);
    position = MAKELPARAM(row.left + 2, row.top + 2);
    EXPECT_EQ(-8, pad().CustomCommand(0x8001, WHEEL_DELTA << 16, &position)) << "a wheel over a row is";
    static uint32_t seen;
    static void* context;
    struct Handler {
        static int Call(IQvGUIElement*, SQvGUIElementEvent* event, void* data) {
            seen = event->uSize << 8 | event->uCode;
            context = data;
            return 0;
        }
    };
    seen = 0;
    context = &seen;
    pad().SetHandler(Handler::Call, &seen);
    pad().DestroyUI();
    EXPECT_EQ(56u << 8 | 1u, seen);
    EXPECT_EQ(nullptr, context) << "the closing event carries no data";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(-9, pad().RefreshGUI());
}

class PadOnUnit : public Pad {
protected:
    DeviceHost real{"CQvAOMTAVO"};
};

TEST_F(PadOnUnit, FrontPanelChangesShowAfterThePoll) {
    ASSERT_TRUE(real.StartUnit("standard"));
    Configure(real, real.unit().com_port());
    ASSERT_NE(nullptr, Dock(real));
    ASSERT_TRUE(real.unit().select_line(3));
    // The lines and the shutter come in updates of their own: both are waited for.
    EXPECT_TRUE(PumpUntil([&] { return Row(2)->GetUsed() && !Row(0)->GetUsed(); }));
    EXPECT_TRUE(PumpUntil([&] { return pad().m_ShutterGUI.GetState() && Row(2)->GetLaserShine(); }))
        << "a selected line opens the shutter";
}

// A command the unit refuses is not recorded as a macro, and the pad shows the state the unit kept.
TEST_F(PadOnUnit, ARefusedCommandIsNeitherRecordedNorShown) {
    ASSERT_TRUE(real.StartUnit("standard"));
    Configure(real, real.unit().com_port());
    ASSERT_NE(nullptr, Dock(real));
    real.PausePoll(); // a poll of a refusing unit would read "closed" on its own
    ASSERT_EQ(DMRC_OK, real->m_pShutter->SetState(true));
    ASSERT_TRUE(PumpUntil([&] { return pad().m_ShutterGUI.GetState() && Row(0)->GetLaserShine(); }));
    ASSERT_TRUE(real.unit().set_fault("refuse"));
    real.manager().TakeMacros();

    SendMessageW(GetDlgItem(Row(1)->GetWindow(), CQvDevUI_MultiLaserLine::ControlUsed), BM_CLICK, 0, 0);
    EXPECT_FALSE(Row(1)->GetUsed());
    pad().m_ShutterGUI.Toggle();
    EXPECT_TRUE(PumpUntil([&] { return pad().m_ShutterGUI.GetState(); }));
    Settle();
    EXPECT_TRUE(Row(0)->GetUsed());
    EXPECT_TRUE(Row(0)->GetLaserShine());
    EXPECT_FALSE(Row(1)->GetUsed());
    EXPECT_EQ(std::vector<std::wstring>{}, real.manager().TakeMacros());
    EXPECT_EQ("line 1 mask 1 bino 0", real.unit().state());
}

TEST(PadLanguage, GermanHostShowsGermanTexts) {
    CQvLocale::SetHostLanguage(1031);
    DeviceHost host;
    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(DMRC_OK, host.Configure(L""));
    std::wstring caption;
    Person person([&] {
        HWND dialog = WaitForDialog();
        caption = WindowText(dialog);
        SelectItem(dialog, IDC_CFG_CHANNEL1, 1);
        SelectItem(dialog, IDC_CFG_CHANNEL2, 1);
        ClickButton(dialog, IDOK);
        ClickButton(dialog, IDCANCEL);
    });
    CQvStringW text;
    host->ShowLineConfigurationDialog(text, nullptr);
    person.join();
    EXPECT_EQ(L"TAVO und AOM konfigurieren", caption);
    EXPECT_EQ(std::vector<std::wstring>{L"Kanal Dev1/ao0 wird mehrfach verwendet"}, DeviceHost::messages());
    TestWindow dock;
    ASSERT_NE(0,
              host->m_pPad->CreateUI(L"pad", 0, reinterpret_cast<int64_t>(dock.Handle()), nullptr, nullptr));
    EXPECT_STREQ(L"Bedienfeld AOM TAVO (Simulator)", host->m_pPad->GetInfo(1));
    host->m_pPad->DestroyUI();
    CQvLocale::SetHostLanguage(1033);
}

} // namespace
