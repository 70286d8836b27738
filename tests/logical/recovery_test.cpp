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

// The worker is stuck, in a voltage write while it holds locks or in the host's change callback; the next
// connect must end it, pass on what it held and go on, and the host hears the device again.
TEST(ForcedWorkerEnd, LocksTheWorkerHeldDoNotHangTheNextConnect) {
    struct {
        const char* where;
        bool inVoltageWrite; // else in the host's change callback
        std::vector<std::wstring> takenOver;
    } cases[] = {
        {"voltage write",
         true,
         {L"ERROR: command slot lock was held by a thread that was ended; taken over"}},
        {"change callback", false, {}}, // the host is called outside every lock
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
        bool cancelled = false; // tried first; the stand-in's stall and the callback hold no I/O to cancel
        for (const std::wstring& line : log.Lines())
            cancelled = cancelled || line.find(L"CQvAOMTAVO::StopWorker - the worker's serial I/O was not "
                                               L"cancelled (error ") == 0;
        EXPECT_TRUE(cancelled);
        for (const std::wstring& line : c.takenOver)
            EXPECT_EQ(1u, log.Count(line)) << std::string(line.begin(), line.end());
        size_t takenOver = 0;
        for (const std::wstring& line : log.Lines())
            takenOver += line.find(L"; taken over") != std::wstring::npos;
        EXPECT_EQ(c.takenOver.size(), takenOver);
        Within(20000, "using the device again", [&] {
            EXPECT_EQ(DMRC_OK, host.session().Configure(nullptr));
            host.TakeChanges();
            EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 60.0));
            EXPECT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId)) << "deliveries go on";
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
    EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetPower(0, 50.0));
    EXPECT_TRUE(log.Contains(L"ERROR: CQvAOMNIDAQPort DAQmxCreateAOVoltageChan"));
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVOMultiLaser::C_SetPower - FAIL"));
    EXPECT_TRUE(host.session().IsConnected());
    FreeLibrary(daq);
}

// A host whose change callback waits for another of its threads, which begins and flushes a batch each
// time, while the worker polls the unit and runs commands: nobody waits for the callback's own thread, and
// every record arrives once, in order.
TEST(ChangeBatch, ACallbackWaitingForAHostThreadInsideTheDeviceNeverWaitsForItself) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    struct SWaitingHost {
        IQvPhysicalDevice* device;
        HANDLE roundAsked = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        HANDLE roundDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        std::vector<double> powers;
        int unanswered = 0;
        ~SWaitingHost() {
            CloseHandle(roundAsked);
            CloseHandle(roundDone);
        }
        static int64_t Callback(uint32_t, SQvDMChangeRecord* record, uint64_t context) {
            SWaitingHost* self = reinterpret_cast<SWaitingHost*>(static_cast<uintptr_t>(context));
            for (uint32_t i = 0; i < record->uCount; ++i) {
                double power;
                int32_t position; // -1 for what the poll reports
                memcpy(&power, record->aData[i] + 104, sizeof power);
                memcpy(&position, record->aData[i] + 372, sizeof position);
                if (record->auKey[i] == CHostSession::kMultiLaserId && position == 0)
                    self->powers.push_back(power);
            }
            SetEvent(self->roundAsked);
            if (WaitForSingleObject(self->roundDone, 3000) != WAIT_OBJECT_0) ++self->unanswered;
            return 0;
        }
    } waiting;
    waiting.device = &host.physical();
    host.physical().SetChangeCallback(&SWaitingHost::Callback, reinterpret_cast<uintptr_t>(&waiting));
    volatile bool stop = false;
    std::thread batcher([&] {
        while (!stop) {
            if (WaitForSingleObject(waiting.roundAsked, 50) != WAIT_OBJECT_0) continue;
            waiting.device->BeginChangeBatch(true);
            waiting.device->FlushChangeBatch();
            SetEvent(waiting.roundDone);
        }
    });
    const int kSteps = 100;
    Within(60000, "the commands", [&] {
        for (int i = 1; i <= kSteps; ++i)
            EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, i / 10.0));
    });
    // Unset while the other thread still answers: the unset waits for a call of the callback in progress.
    host.physical().SetChangeCallback(nullptr, 0);
    stop = true;
    batcher.join();
    EXPECT_EQ(0, waiting.unanswered) << "the callback waited for a thread that waited for it";
    ASSERT_EQ(static_cast<size_t>(kSteps), waiting.powers.size());
    for (int i = 0; i < kSteps; ++i)
        EXPECT_DOUBLE_EQ((i + 1) / 10.0, waiting.powers[static_cast<size_t>(i)]) << "record " << i;
}

} // namespace
