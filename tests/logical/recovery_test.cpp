// What the host cannot prevent: a worker that had to be ended by force, a machine with the NI-DAQmx library
// and no board, and host threads batching changes while the worker delivers them.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "logcapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A host whose change callback does not come back until it is released.
struct SStalledHost {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~SStalledHost() {
        CloseHandle(entered);
        CloseHandle(release);
    }
    static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
        SStalledHost* self = reinterpret_cast<SStalledHost*>(static_cast<uintptr_t>(context));
        SetEvent(self->entered);
        WaitForSingleObject(self->release, 60000);
        return 0;
    }
};

// The worker is stuck while it holds a lock; the next connect must end it, free what it held and go on.
TEST(ForcedWorkerEnd, LocksTheWorkerHeldDoNotHangTheNextConnect) {
    struct {
        const char* where;
        bool inVoltageWrite; // else in the host's change callback
        const wchar_t* takenOver;
    } cases[] = {
        {"voltage write", true, L"ERROR: NI-DAQ port lock was held by a thread that was ended; taken over"},
        {"change callback", false,
         L"ERROR: change batch lock was held by a thread that was ended; taken over"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        DeviceHost host;
        ASSERT_TRUE(host.StartReal("standard"));
        auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
        FakeDaqmx<decltype(&fakedaqmx_Reset)>("fakedaqmx_Reset")(); // no task of an earlier case
        SStalledHost stalledHost;
        if (c.inVoltageWrite)
            stall("DAQmxWriteAnalogScalarF64");
        else
            host.physical().SetChangeCallback(&SStalledHost::Callback,
                                              reinterpret_cast<uintptr_t>(&stalledHost));
        std::thread poster([&] { host.laser().SetPower(0, 40.0); });
        bool stuck = c.inVoltageWrite
                         ? FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled")(5000) == 1
                         : WaitForSingleObject(stalledHost.entered, 5000) == WAIT_OBJECT_0;
        EXPECT_TRUE(stuck);

        LogCapture log;
        // Whether the unit answered shows at the configure below.
        Within(30000, "the reconnect", [&] { host.session().Connect(nullptr); });
        Within(5000, "the stuck poster", [&] { poster.join(); });
        // Whatever stalled belongs to a thread that no longer runs.
        stall(nullptr);
        SetEvent(stalledHost.release);
        EXPECT_TRUE(log.Contains(
            L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within 10000 ms and was ended"));
        EXPECT_TRUE(log.Contains(c.takenOver));
        Within(20000, "using the device again", [&] {
            EXPECT_EQ(DMRC_OK, host.session().Configure(nullptr));
            EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 60.0));
            EXPECT_EQ(DMRC_OK, host.physical().BeginChangeBatch(true));
            EXPECT_EQ(DMRC_OK, host.physical().FlushChangeBatch());
        });
        EXPECT_DOUBLE_EQ(3.0, LastVoltage("Dev1/ao0"));
    }
}

TEST(NoDaqBoard, TheUnitConnectsAndAPowerChangeFailsInTheLog) {
    UseDaqVariant("full");
    HMODULE daq = LoadLibraryW(L"nicaiu.dll");
    ASSERT_NE(nullptr, daq);
    ASSERT_EQ(0, FakeDaqmx<decltype(&fakedaqmx_LoadScenarioText)>("fakedaqmx_LoadScenarioText")("# none\n"));
    LogCapture log;
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard")) << "the line selection and the shutter work without a board";
    host.TakeCommands();
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    EXPECT_EQ(std::vector<std::string>{"cTSO1\\r"}, host.TakeCommands());
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 50.0));
    EXPECT_TRUE(log.Contains(L"ERROR: CQvAOMNIDAQPort DAQmxCreateAOVoltageChan"));
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVOMultiLaser::C_SetPower - FAIL"));
    EXPECT_TRUE(host.session().IsConnected());
    FreeLibrary(daq);
}

// The worker delivers while a host thread begins and flushes batches: every record reaches the host, in
// order.
TEST(ChangeBatch, RecordsOfTheWorkerArriveInOrderWhileTheHostBatches) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    volatile bool stop = false;
    std::thread batcher([&] {
        while (!stop) {
            host.physical().BeginChangeBatch(true);
            host.physical().FlushChangeBatch();
        }
    });
    const int kSteps = 1000;
    for (int i = 1; i <= kSteps; ++i)
        host.laser().SetPower(0, i / 10.0);
    stop = true;
    batcher.join();
    host.physical().FlushChangeBatch();
    double last = -1.0;
    int outOfOrder = 0;
    for (const SHostChange& change : host.TakeChanges()) {
        if (change.key != CHostSession::kMultiLaserId) continue;
        double power = DataAt<double>(change, 104);
        if (power < last) ++outOfOrder;
        last = power;
    }
    EXPECT_EQ(0, outOfOrder);
    EXPECT_EQ(kSteps / 10.0, last) << "the last record stayed in the batch";
}

} // namespace
