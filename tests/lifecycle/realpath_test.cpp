// The real device on a COM port (a simulated unit on a pty) with the NI-DAQmx stand-in: connecting in each
// line mode, a silent unit, and the status poll handing the unit's own changes to the host.
#include "devicehost.h"
#include "handles.h"
#include "logcapture.h"
#include "tavosim_fixture.h"

#include <aomnidaqport.h>
#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>

#include <gtest/gtest.h>

using tavosim_fixture::TavoSimOptions;
using tavosim_fixture::TavoSimUnit;

namespace {

const uint32_t kLaserId = 11;
const uint32_t kShutterId = 12;

TavoSimOptions Personality(const char* personality) {
    TavoSimOptions options;
    options.personality = personality;
    return options;
}

class RealDevice : public ::testing::Test {
protected:
    void SetUp() override {
        UseDaqVariant("full");
        host->m_pMultiLaser->m_uId = kLaserId;
        host->m_pShutter->m_uId = kShutterId;
    }
    void Start(const char* personality) {
        unit.reset(new TavoSimUnit(Personality(personality)));
        ASSERT_TRUE(unit->ok()) << unit->error();
    }
    // The latest change the host received from one logical device.
    const SHostChange* Latest(uint32_t key) {
        for (auto it = host.changes().rbegin(); it != host.changes().rend(); ++it)
            if (it->key == key) return &*it;
        return nullptr;
    }
    // Waits until the latest record of the multi-laser shows these lines used and the shutter this state.
    bool WaitForUnitState(bool l1, bool l2, bool l3, bool open) {
        return host.WaitForChanges(
            [&](const std::vector<SHostChange>&) {
                const SHostChange* laser = Latest(kLaserId);
                const SHostChange* shutter = Latest(kShutterId);
                return laser && shutter && laser->data[4] == l1 && laser->data[5] == l2 &&
                       laser->data[6] == l3 && shutter->data[0] == open;
            },
            5000);
    }

    DeviceHost host{"QV_ConstructorForCQvAOMTAVO"};
    std::unique_ptr<TavoSimUnit> unit;
};

TEST_F(RealDevice, UnitAnsweringBothReadsIsDrivenInStandardMode) {
    Start("both");
    ASSERT_TRUE(unit->select_line(2));
    LogCapture log;
    ASSERT_TRUE(host.Connect(unit->com_port()));
    EXPECT_FALSE(host->m_bExtendedMode);
    EXPECT_EQ(2u, host->m_iCurrentLine);
    EXPECT_TRUE(host->m_bShutterOpen);
    EXPECT_EQ(CQvStringW(L"TAVO 2.01\n"), host->m_sFWVersion);
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::C_Connect - FW version TAVO 2.01\n"));
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::C_Connect - Standard Mode"));
    EXPECT_EQ(3, host->GetDeviceState());
}

TEST_F(RealDevice, UnitAnsweringOnlyTheMaskIsDrivenInExtendedMode) {
    Start("extended");
    ASSERT_TRUE(unit->set_mask(5));
    ASSERT_TRUE(host.Connect(unit->com_port()));
    EXPECT_TRUE(host->m_bExtendedMode);
    EXPECT_EQ(5u, host->m_iLinesMask);
    EXPECT_EQ(5u, host->m_iLinesUsed);
    EXPECT_EQ(0u, host->m_iCurrentLine);
    EXPECT_TRUE(host->m_bShutterOpen);
}

TEST_F(RealDevice, UnitAnsweringNeitherStartsOnLineOneWithTheShutterClosed) {
    Start("neither");
    ASSERT_TRUE(host.Connect(unit->com_port()));
    EXPECT_FALSE(host->m_bExtendedMode);
    EXPECT_EQ(1u, host->m_iCurrentLine);
    EXPECT_FALSE(host->m_bShutterOpen);
}

TEST_F(RealDevice, FirstPollPushesBothStatesAndRepeatsUntilTheHostListens) {
    Start("standard");
    host.manager().SetLogCommunication(true);
    LogCapture log;
    ASSERT_TRUE(host.Connect(unit->com_port()));
    // No callback yet: the push stays pending through several polls (the connect and each poll read the
    // binocular shutter once).
    auto reads = [&log] {
        int n = 0;
        for (const std::wstring& line : log.Lines())
            n += line.find(L"req:'rTES") != std::wstring::npos;
        return n;
    };
    for (ULONGLONG end = GetTickCount64() + 5000; reads() < 4 && GetTickCount64() < end;)
        Sleep(10);
    EXPECT_GE(reads(), 4);
    EXPECT_TRUE(host->m_bPushPending);
    host.Listen();
    ASSERT_TRUE(WaitForUnitState(true, false, false, false)) << "line 0 read at connect: closed, line 1 kept";
    const SHostChange* laser = Latest(kLaserId);
    int32_t position = 0;
    memcpy(&position, &laser->data[372], 4);
    EXPECT_EQ(-1, position);
    for (ULONGLONG deadline = GetTickCount64() + 2000; host->m_bPushPending && GetTickCount64() < deadline;)
        Sleep(5);
    EXPECT_FALSE(host->m_bPushPending);
    EXPECT_EQ(1u, host->m_iCurrentLine);
}

TEST_F(RealDevice, FrontPanelChangesReachTheHostInStandardMode) {
    Start("standard");
    host.Listen();
    ASSERT_TRUE(host.Connect(unit->com_port()));
    ASSERT_TRUE(unit->select_line(2));
    ASSERT_TRUE(WaitForUnitState(false, true, false, true));
    // Line 0 on a standard unit closes the shutter and keeps the line.
    ASSERT_TRUE(unit->select_line(0));
    ASSERT_TRUE(WaitForUnitState(false, true, false, false));
    EXPECT_EQ(2u, host->m_iCurrentLine);
}

TEST_F(RealDevice, MaskZeroKeepsTheShutterStateInExtendedMode) {
    Start("extended");
    host.Listen();
    ASSERT_TRUE(host.Connect(unit->com_port()));
    ASSERT_TRUE(unit->set_mask(6));
    ASSERT_TRUE(WaitForUnitState(false, true, true, true));
    ASSERT_TRUE(unit->set_mask(0));
    ASSERT_TRUE(WaitForUnitState(false, false, false, true));
    EXPECT_TRUE(host->m_bShutterOpen);
}

TEST_F(RealDevice, EngagedBinocularShutterClosesEvenWhenTheLineChangedInTheSamePoll) {
    Start("standard");
    host.Listen();
    ASSERT_TRUE(host.Connect(unit->com_port()));
    ASSERT_TRUE(WaitForUnitState(true, false, false, false));
    // Both changes must meet one poll: polling paused while the unit changes.
    host->m_iPollCountdown = -1;
    host->CallBack([](uint64_t, uint64_t, uint64_t) -> int32_t { return 0; }, 0, 0, 0, 0); // after any poll
    ASSERT_TRUE(unit->select_line(3));
    ASSERT_TRUE(unit->set_binocular(true));
    host->m_iPollCountdown = 0;
    ASSERT_TRUE(WaitForUnitState(false, false, true, false));
    EXPECT_TRUE(host->m_bBinoShutter);
    EXPECT_FALSE(host->m_bShutterOpen);
    EXPECT_EQ(3u, host->m_iCurrentLine);
}

TEST(RealDeviceEndurance, TwoHundredConnectsLeakNoHandles) {
    UseDaqVariant("full");
    TavoSimUnit unit(Personality("standard"));
    ASSERT_TRUE(unit.ok()) << unit.error();
    DeviceHost host("QV_ConstructorForCQvAOMTAVO");
    // The first cycle loads the library and creates what lives as long as the process.
    ASSERT_TRUE(host.Connect(unit.com_port()));
    host->DisconnectDevice();
    int before = OpenHandleCount();
    ASSERT_GT(before, 0);
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_TRUE(host.Connect(unit.com_port())) << "cycle " << cycle;
        host->DisconnectDevice();
        ASSERT_EQ(0, host->GetDeviceState());
    }
    int after = OpenHandleCount();
    EXPECT_LE(after, before + 2) << "handles grew from " << before << " to " << after;
}

} // namespace
