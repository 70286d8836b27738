// What the device does when something fails: a connect that cannot complete, a second connect, exceptions
// inside the worker, a shutter command the unit does not take, and lines configured against the grain.
#include "devicehost.h"
#include "handles.h"
#include "logcapture.h"

#include <gtest/gtest.h>

namespace {

// Each failed connect answers 1, says why in one line whatever the log's detail, and leaves the device
// unconnected in state 3 with both ports closed; the disconnect after it has no worker to wait for, and the
// same device connects once the cause is gone.
TEST(ConnectFailure, EachCauseIsLoggedAndLeavesThePortsClosedAndTheDeviceReady) {
    const struct {
        const char* daqFault;  // NI-DAQmx function failing while connecting
        const char* unitFault; // tavosim fault while connecting
        bool wrongPort;        // a COM port with nothing behind it
        const wchar_t* line;   // what the detailed log shows of the failure
        std::wstring cause;    // what the ERROR line says
    } cases[] = {
        {"DAQmxGetSysDevNames", "none", false, L"CQvAOMNIDAQPort was just disconnected",
         L"DAQmxGetSysDevNames failed with NI-DAQmx code -200220"},
        {nullptr, "silent", false, L"CQvAOMTAVO::C_Connect - end - LRESULT=0xffffffff",
         L"the unit did not answer the version request on COM%d at 9600 8N1"},
        {nullptr, "silent-after 1", false, L"CQvAOMTAVO::C_Connect - end - LRESULT=0xfffffffe",
         L"the unit did not answer rVER on COM%d"},
        {nullptr, "none", true, L"CQvAOMTAVO::C_Connect - end - LRESULT=0xffffffff",
         L"COM%d could not be opened ("},
    };
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartUnit("standard"));
    // Handles made once per process (the library, the worker's first start) come before the count.
    ASSERT_TRUE(host.Connect());
    host->DisconnectDevice();
    const int kNothingThere = 249;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unitFault);
        if (c.daqFault) SetDaqFault(c.daqFault, -200220);
        ASSERT_TRUE(host.unit().set_fault(c.unitFault));
        const int com = c.wrongPort ? kNothingThere : host.unit().com_port();
        wchar_t cause[160];
        swprintf(cause, 160, c.cause.c_str(), com);
        const std::wstring connection = L"m_iCOMPort=" + std::to_wstring(com) + L";";
        int handles = OpenHandleCount();
        DeviceHost::messageThreads().clear();
        {
            LogCapture log(false);
            EXPECT_EQ(1, host->ConnectDevice(connection.c_str()));
            // A dialog waits for a person: on the host's thread, never on the worker.
            for (DWORD thread : DeviceHost::messageThreads())
                EXPECT_EQ(GetCurrentThreadId(), thread);
            EXPECT_EQ(c.daqFault != nullptr, !DeviceHost::messageThreads().empty());
            EXPECT_FALSE(host->m_bConnected);
            EXPECT_EQ(3, host->GetDeviceState());
            std::vector<std::wstring> lines = log.Lines();
            ASSERT_EQ(1u, lines.size());
            EXPECT_EQ(0u, lines[0].find(L"ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: " +
                                        std::wstring(cause)))
                << std::string(lines[0].begin(), lines[0].end());
        }
        {
            LogCapture log;
            ASSERT_TRUE(host.unit().set_fault(c.unitFault));
            EXPECT_EQ(1, host->ConnectDevice(connection.c_str()));
            EXPECT_TRUE(log.Contains(c.line));
            EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::ConnectDevice - END, error - cannot connect"));
        }
        EXPECT_LE(OpenHandleCount(), handles) << "no port left open";
        {
            LogCapture log;
            host->DisconnectDevice();
            for (const std::wstring& line : log.Lines())
                EXPECT_EQ(std::wstring::npos, line.find(L"TIMEOUT")) << "no worker was waited for";
        }
        if (c.daqFault) SetDaqFault(c.daqFault, 0);
        ASSERT_TRUE(host.unit().clear_fault());
        EXPECT_EQ(1, host->ConnectDevice(host.Connection().c_str()));
        EXPECT_TRUE(host->m_bConnected);
        host->DisconnectDevice();
    }
}

// Connects with and without a disconnect between them leave at most one worker and one port open.
TEST(ConnectFailure, ConnectingAgainWithoutADisconnectLeavesNothingBehind) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartUnit("standard"));
    // The first cycle loads the library and creates what lives as long as the process.
    ASSERT_TRUE(host.Connect());
    host->DisconnectDevice();
    int before = OpenHandleCount();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(host.Connect()) << i;
        if (i % 2) host->DisconnectDevice();
    }
    EXPECT_EQ(0, host->GetDeviceState());
    EXPECT_LE(OpenHandleCount(), before + 2) << "handles left behind by the connects";
}

HANDLE g_hThrown = nullptr;
int64_t ThrowingListener(uint32_t, SQvDMChangeRecord*, uint64_t) {
    SetEvent(g_hThrown);
    throw 1;
}

TEST(WorkerFailure, ExceptionsInCommandsAndPollsAreCaughtAndTheWorkerRunsOn) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartUnit("standard"));
    ASSERT_TRUE(host.Connect());
    LogCapture log;
    auto noop = [](uint64_t, uint64_t, uint64_t) -> int32_t { return 0; };
    EXPECT_EQ(-1, host->CallBack([](uint64_t, uint64_t, uint64_t) -> int32_t { throw 1; }, 0, 0, 0, 0));
    EXPECT_TRUE(log.Contains(L"CQvTAVO::Main - Unknown exception - 1"));
    EXPECT_EQ(0, host->CallBack(noop, 0, 0, 0, 0));
    // A listener that throws, reached from the poll that sees the front panel's change.
    g_hThrown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    host->SetChangeCallback(ThrowingListener, 0);
    ASSERT_TRUE(host.unit().select_line(2));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hThrown, 5000));
    EXPECT_EQ(0, host->CallBack(noop, 0, 0, 0, 0)) << "the poll ended and the worker still takes commands";
    EXPECT_TRUE(log.Contains(L"CQvTAVO::Main - Unknown exception - 2"));
    host->SetChangeCallback(nullptr, 0);
    CloseHandle(g_hThrown);
}

TEST(ShutterFailure, UnitNotAnsweringKeepsTheStateAndTellsNoOne) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    host.TakeChanges();
    ASSERT_TRUE(host.unit().set_fault("silent"));
    LogCapture log;
    EXPECT_EQ(DMRC_NO_DEVICE, host.shutter().SetState(true));
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVOShutter::C_SetState - end - LRESULT=0xffffffff"));
    bool open = true;
    host.shutter().GetState(&open);
    EXPECT_FALSE(open);
    host.PausePoll(); // any change record would have been sent before this returns
    EXPECT_TRUE(host.TakeChanges().empty());
}

TEST(LineConfiguration, ExtendedUnitIsNotSingleLineAndAFallingRangeIsFollowed) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("extended", L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=4.0;fValMax[0]=2.0;"
                                           L"fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"));
    uint32_t single = 1;
    EXPECT_EQ(DMRC_OK, host.laser().GetSingleLineMode(&single));
    EXPECT_EQ(0u, single);
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 25.0));
    EXPECT_DOUBLE_EQ(3.5, LastVoltage("Dev1/ao0")) << "4 V less 25 % of 2 V";
}

} // namespace
