// The shutter through the host: open and close on the wire, the binocular shutter, change records,
// settings texts; and host calls racing the unit's own front panel.
#include "logcapture.h"
#include "logicalhost.h"
#include "qvprint.h"

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string.h>
#include <thread>

namespace {

using Commands = std::vector<std::string>;

TEST(Shutter, FixedAnswersAndNames) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    IQvDeviceShutter& shutter = host.shutter();
    CQvStringW s;
    shutter.GetInterfaceName(s);
    EXPECT_EQ(CQvStringW(L"IDeviceShutter"), s);
    shutter.GetNameByKind(s, 1, 0);
    EXPECT_EQ(CQvStringW(L"AOM TAVO Shutter"), s);
    shutter.GetNameByKind(s, 3, 0);
    EXPECT_EQ(CQvStringW(L"Shutter"), s);
    shutter.GetName(s);
    EXPECT_EQ(CQvStringW(L"TAVO"), s);
    double ms = 0;
    EXPECT_EQ(DMRC_OK, shutter.GetSwitchTime(&ms));
    EXPECT_DOUBLE_EQ(50.0, ms);
    EXPECT_TRUE(shutter.SupportsMode(0));
    EXPECT_FALSE(shutter.SupportsMode(1));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, shutter.SetMode(1));
    uint32_t id = 0;
    EXPECT_EQ(DMRC_OK, shutter.GetShutterId(&id));
    EXPECT_EQ(CHostSession::kShutterId, id);

    const struct {
        uint32_t type;
        const wchar_t* typeName;
        const wchar_t* name;
    } types[] = {{0, L"Shutter EPI", L"EPI"},
                 {1, L"Shutter DIA", L"DIA"},
                 {2, L"Shutter Aux1", L"Aux1"},
                 {3, L"Shutter Aux2", L"Aux2"},
                 {7, L"Shutter", L"Aux2"}};
    for (const auto& t : types) {
        EXPECT_EQ(DMRC_OK, shutter.SetShutterType(t.type));
        shutter.GetTypeName(s);
        EXPECT_EQ(CQvStringW(t.typeName), s) << t.type;
        shutter.GetName(s);
        EXPECT_EQ(CQvStringW(t.name), s) << "type " << t.type << " names nothing and keeps the name";
    }
}

TEST(Shutter, SettingsTextCarriesTheType) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    IQvDeviceShutter& shutter = host.shutter();
    CQvStringW text(L"old");
    shutter.SetShutterType(3);
    shutter.SaveSettings(text);
    EXPECT_EQ(CQvStringW(L"ShutterType=3|"), text);
    EXPECT_EQ(DMRC_OK, shutter.LoadSettings(L"ShutterType=2|", 77));
    CQvStringW name;
    shutter.GetName(name);
    EXPECT_EQ(QV_GetTranslation(L"Aux1", L"aomtavoshutter"), name);
    uint32_t id = 0, type = 0;
    shutter.GetShutterId(&id);
    EXPECT_EQ(77u, id);
    EXPECT_EQ(DMRC_OK, shutter.LoadSettings(L"ShutterType=7|", 77));
    shutter.GetShutterType(&type);
    EXPECT_EQ(7u, type);
    shutter.GetName(name);
    EXPECT_EQ(QV_GetTranslation(L"Aux1", L"aomtavoshutter"), name);
    EXPECT_EQ(DMRC_OK, shutter.LoadSettings(L"garbage", 77));
    shutter.GetShutterType(&type);
    EXPECT_EQ(7u, type);
}

TEST(Shutter, EngagedBinocularShutterSendsNothingButStillReports) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_TRUE(host.unit().set_binocular(true));
    // Let the poll see the binocular shutter, then keep it quiet.
    for (ULONGLONG deadline = GetTickCount64() + 3000;
         !host.device().m_bBinoShutter && GetTickCount64() < deadline;)
        Sleep(5);
    ASSERT_TRUE(host.device().m_bBinoShutter);
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

TEST(Shutter, ChangeRecordBytes) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    host.TakeChanges();
    ASSERT_EQ(DMRC_OK, host.shutter().SetState(true));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kShutterId));
    const SHostChange c = host.TakeChanges().back();
    EXPECT_EQ(CHostSession::kShutterId, c.key);
    EXPECT_EQ(1u, c.subKind);
    EXPECT_EQ(1, c.data[0]);
    int32_t zero = -1;
    double none = -1;
    memcpy(&zero, c.data.data() + 4, 4);
    memcpy(&none, c.data.data() + 8, 8);
    EXPECT_EQ(0, zero);
    EXPECT_EQ(0.0, none);
    for (size_t i = 16; i < c.data.size(); ++i)
        ASSERT_EQ(0, c.data[i]) << "byte " << i << " carries no stack contents";
}

// Host threads switch lines and the shutter while the unit's front panel changes the selection: every
// call returns in bounded time, and once all is quiet the host's view equals the unit's.
TEST(Shutter, HostAndFrontPanelRaceToAConsistentState) {
    LogicalHost host;
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
    bool open = false, used = false;
    for (ULONGLONG deadline = GetTickCount64() + 3000; GetTickCount64() < deadline; Sleep(10)) {
        host.shutter().GetState(&open);
        host.laser().GetLineUsed(2, &used);
        if (open && used) break;
    }
    EXPECT_TRUE(open);
    EXPECT_TRUE(used);
    EXPECT_EQ("line 3 mask 4 bino 0", host.unit().state());
}

} // namespace
