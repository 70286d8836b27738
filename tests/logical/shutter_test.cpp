// The shutter through the host: its settings text, the binocular shutter, and host calls racing the unit's
// own front panel.
#include "devicehost.h"
#include "qvprint.h"

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Commands = std::vector<std::string>;

// The settings text carries the type, which names the shutter: a type that names nothing keeps the name
// it had. The host's id comes with the text.
TEST(Shutter, SettingsTextCarriesTheTypeThatNamesTheShutter) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    IQvDeviceShutter& shutter = host.shutter();
    const struct {
        uint32_t type;
        const wchar_t* typeName;
        const wchar_t* name;
    } types[] = {{0, L"Shutter EPI", L"EPI"},
                 {1, L"Shutter DIA", L"DIA"},
                 {2, L"Shutter Aux1", L"Aux1"},
                 {3, L"Shutter Aux2", L"Aux2"},
                 {7, L"Shutter", L"Aux2"}};
    CQvStringW s;
    for (const auto& t : types) {
        const std::wstring text = L"ShutterType=" + std::to_wstring(t.type) + L"|";
        EXPECT_EQ(DMRC_OK, shutter.LoadSettings(text.c_str(), 77));
        shutter.GetTypeName(s);
        EXPECT_EQ(CQvStringW(t.typeName), s) << t.type;
        shutter.GetName(s);
        EXPECT_EQ(QV_GetTranslation(t.name, L"aomtavoshutter"), s) << t.type;
        shutter.SaveSettings(s);
        EXPECT_EQ(CQvStringW(text.c_str()), s);
    }
    uint32_t id = 0, type = 0;
    shutter.GetShutterId(&id);
    EXPECT_EQ(77u, id);
    EXPECT_EQ(DMRC_OK, shutter.LoadSettings(L"garbage", 77));
    shutter.GetShutterType(&type);
    EXPECT_EQ(7u, type);
    EXPECT_FALSE(shutter.SupportsMode(1));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, shutter.SetMode(1));
}

TEST(Shutter, EngagedBinocularShutterSendsNothingButStillReports) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_TRUE(host.unit().set_binocular(true));
    // Let the poll see the binocular shutter, then keep it quiet.
    ASSERT_TRUE(WaitUntil(3000, [&] { return host.device().m_bBinoShutter; }));
    host.PausePoll();
    host.TakeCommands();
    host.TakeChanges();
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    EXPECT_EQ(Commands{}, host.TakeCommands());
    bool open = false;
    host.shutter().GetState(&open);
    EXPECT_TRUE(open);
    // Even without a change the host hears of it while the binocular shutter is engaged.
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kShutterId));
    std::vector<SHostChange> changes = host.TakeChanges();
    int shutterRecords = 0;
    for (const SHostChange& c : changes)
        shutterRecords += c.key == CHostSession::kShutterId;
    EXPECT_EQ(2, shutterRecords);
    // Line changes meanwhile update the state and notify, but reach no wire either.
    EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(1, true));
    EXPECT_EQ(Commands{"cTSO2\\r"}, host.TakeCommands()) << "the multi-laser still selects the line";
}

// Host threads switch lines and the shutter while the unit's front panel changes the selection: every
// call returns in bounded time, and once all is quiet the host's view equals the unit's.
TEST(Shutter, HostAndFrontPanelRaceToAConsistentState) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    std::atomic<bool> stop{false};
    std::atomic<int> slowest{0};
    std::thread user([&] {
        for (int i = 0; !stop; ++i) {
            ULONGLONG start = GetTickCount64();
            if (i % 3 == 0)
                host.shutter().SetState(i % 2 == 0);
            else
                host.laser().SetLineUsed(i % 3, true);
            int took = static_cast<int>(GetTickCount64() - start);
            if (took > slowest) slowest = took;
        }
    });
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(host.unit().select_line(i % 4));
        Sleep(15);
    }
    stop = true;
    user.join();
    EXPECT_LT(slowest.load(), 20000) << "every call is bounded by the worker's time-outs";
    ASSERT_TRUE(host.unit().select_line(3));
    // The poll brings the host's view to the unit's: line 3, shutter open.
    EXPECT_TRUE(WaitUntil(3000, [&] {
        bool open = false, used = false;
        host.shutter().GetState(&open);
        host.laser().GetLineUsed(2, &used);
        return open && used;
    }));
    EXPECT_EQ("line 3 mask 4 bino 0", host.unit().state());
}

} // namespace
