// The real device on a COM port (a simulated unit on a pty) with the NI-DAQmx stand-in: connecting in each
// line mode, and the status poll handing the unit's own changes to the host.
#include "devicehost.h"
#include "logcapture.h"

#include <gtest/gtest.h>

namespace {

// The real device and a unit of that personality; the logical devices carry the host's ids, as after a
// configure, but the host does not listen yet.
bool Start(DeviceHost& host, const char* personality) {
    host->m_pMultiLaser->m_uId = CHostSession::kMultiLaserId;
    host->m_pShutter->m_uId = CHostSession::kShutterId;
    return host.StartUnit(personality);
}

// What the unit answers at the connect decides the mode: a unit that answers the line read is driven one
// line at a time, one that answers only the mask read by its mask, one that answers neither starts on
// line one with the shutter closed.
TEST(RealDevice, TheReadsTheUnitAnswersChooseTheMode) {
    const struct {
        const char* personality;
        const char* frontPanel; // the unit's state before the connect
        bool extended;
        uint32_t line, mask;
        bool open;
    } cases[] = {
        {"both", "line 2", false, 2, 0, true},
        {"extended", "mask 5", true, 0, 5, true},
        {"neither", "line 2", false, 1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.personality);
        DeviceHost host("CQvAOMTAVO");
        ASSERT_TRUE(Start(host, c.personality));
        ASSERT_TRUE(host.unit().run(c.frontPanel));
        LogCapture log;
        ASSERT_TRUE(host.Connect());
        EXPECT_EQ(3, host->GetDeviceState());
        EXPECT_EQ(c.extended, host->m_bExtendedMode);
        EXPECT_EQ(c.line, host->m_iCurrentLine);
        EXPECT_EQ(c.mask, host->m_iLinesMask);
        EXPECT_EQ(c.mask, host->m_iLinesUsed);
        EXPECT_EQ(c.open, host->m_bShutterOpen);
        EXPECT_EQ(CQvStringW(L"TAVO 2.01\n"), host->m_sFWVersion);
        EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::C_Connect - FW version TAVO 2.01\n"));
        EXPECT_TRUE(log.Contains(c.extended ? L"CQvAOMTAVO::C_Connect - Extended Mode"
                                            : L"CQvAOMTAVO::C_Connect - Standard Mode"));
    }
}

TEST(RealDevice, FirstPollPushesBothStatesAndRepeatsUntilTheHostListens) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(Start(host, "standard"));
    host.manager().SetLogCommunication(true);
    LogCapture log;
    ASSERT_TRUE(host.Connect());
    // No callback yet: the push stays pending through several polls (the connect and each poll read the
    // binocular shutter once).
    EXPECT_TRUE(WaitUntil(5000, [&log] {
        int reads = 0;
        for (const std::wstring& line : log.Lines())
            reads += line.find(L"req:'rTES") != std::wstring::npos;
        return reads >= 4;
    }));
    EXPECT_TRUE(host->m_bPushPending);
    host.Listen();
    ASSERT_TRUE(host.WaitForView("used 1 0 0 open 0")) << "line 0 read at connect: closed, line 1 kept";
    EXPECT_EQ(-1, DataAt<int32_t>(*host.Latest(CHostSession::kMultiLaserId), 372));
    EXPECT_TRUE(WaitUntil(2000, [&] { return !host->m_bPushPending; }));
    EXPECT_EQ(1u, host->m_iCurrentLine);
}

// The unit's own changes reach the host: line 0 on a standard unit closes the shutter and keeps the line,
// mask 0 on an extended unit keeps the shutter's state. Each step: the front panel, the host's view after.
TEST(RealDevice, FrontPanelChangesReachTheHost) {
    const struct {
        const char* personality;
        std::vector<std::pair<std::string, std::string>> steps;
    } cases[] = {
        {"standard", {{"line 2", "used 0 1 0 open 1"}, {"line 0", "used 0 1 0 open 0"}}},
        {"extended", {{"mask 6", "used 0 1 1 open 1"}, {"mask 0", "used 0 0 0 open 1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.personality);
        DeviceHost host("CQvAOMTAVO");
        ASSERT_TRUE(Start(host, c.personality));
        host.Listen();
        ASSERT_TRUE(host.Connect());
        for (const auto& step : c.steps) {
            ASSERT_TRUE(host.unit().run(step.first));
            EXPECT_TRUE(host.WaitForView(step.second)) << step.first << ": " << host.View();
        }
    }
}

// Engaged, the binocular shutter closes the shutter; released, the unit passes again the line it kept, and
// the host hears the shutter open.
TEST(RealDevice, TheBinocularShutterClosesTheShutterAndItsReleaseShowsWhatTheUnitPasses) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(Start(host, "standard"));
    host.Listen();
    ASSERT_TRUE(host.Connect());
    ASSERT_TRUE(host.WaitForView("used 1 0 0 open 0"));
    // Both changes must meet one poll.
    host.PausePoll();
    ASSERT_TRUE(host.unit().select_line(3));
    ASSERT_TRUE(host.unit().set_binocular(true));
    host->m_iPollCountdown = 0;
    ASSERT_TRUE(host.WaitForView("used 0 0 1 open 0")) << host.View();
    EXPECT_TRUE(host->m_bBinoShutter);
    ASSERT_TRUE(host.unit().set_binocular(false));
    EXPECT_TRUE(host.WaitForView("used 0 0 1 open 1")) << host.View();
    EXPECT_EQ("line 3 mask 4 bino 0", host.unit().state());
}

} // namespace
