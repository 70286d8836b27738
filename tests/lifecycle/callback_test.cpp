// Posting commands to the worker: refusal while busy, time-outs, late answers, and stopping a stuck worker.
#include "devicehost.h"
#include "logcapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Events a test command reports to and waits on; the command's first argument points here.
struct Gate {
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD holdMs = 0;
    int32_t result = 0;
    CQvAOMTAVO* device = nullptr; // set: the command needs the device lock to finish, as the logical ones do
    ~Gate() {
        CloseHandle(started);
        CloseHandle(release);
    }
    uint64_t arg() { return reinterpret_cast<uintptr_t>(this); }
};

int32_t HoldCommand(uint64_t arg, uint64_t, uint64_t) {
    Gate* gate = reinterpret_cast<Gate*>(static_cast<uintptr_t>(arg));
    SetEvent(gate->started);
    WaitForSingleObject(gate->release, gate->holdMs);
    if (gate->device) AOM_HOLD(gate->device->DeviceLock());
    return gate->result;
}

int32_t ReturnArgument(uint64_t, uint64_t value, uint64_t) {
    return static_cast<int32_t>(value);
}

TEST(CallBack, PostWhileACommandRunsIsRefusedAtOnce) {
    DeviceHost host;
    ASSERT_TRUE(host.Connect());
    Gate gate;
    gate.holdMs = 5000;
    gate.result = 42;
    int64_t first = 0;
    std::thread poster([&] { first = host->CallBack(HoldCommand, gate.arg(), 0, 0, 0); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(gate.started, 5000));
    LogCapture log;
    ULONGLONG before = GetTickCount64();
    EXPECT_EQ(-2, host->CallBack(ReturnArgument, 0, 7, 0, 0));
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_TRUE(log.Contains(L"CQvTAVO::CallBack - TryEnterCriticalSection failed"));
    SetEvent(gate.release);
    poster.join();
    EXPECT_EQ(42, first);
    EXPECT_EQ(7, host->CallBack(ReturnArgument, 0, 7, 0, 0));
}

// A host whose change callback calls the device again, reached from a poll that heard the unit's front
// panel, where no host thread holds a post: the call is refused at once, as the worker would only wait for
// itself, and the worker goes on taking commands.
TEST(CallBack, APostFromTheChangeCallbackOnTheWorkerIsRefusedAtOnce) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartReal("standard"));
    struct SEagerHost {
        IQvDeviceMultiLaser* laser;
        HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        EDeviceManagerReturnCode result = DMRC_OK;
        ULONGLONG took = 0;
        ~SEagerHost() { CloseHandle(answered); }
        static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
            SEagerHost* self = reinterpret_cast<SEagerHost*>(static_cast<uintptr_t>(context));
            if (WaitForSingleObject(self->answered, 0) == WAIT_OBJECT_0) return 0; // once
            const ULONGLONG start = GetTickCount64();
            self->result = self->laser->SetPower(0, 40.0);
            self->took = GetTickCount64() - start;
            SetEvent(self->answered);
            return 0;
        }
    } eager{&host.laser()};
    host.physical().SetChangeCallback(&SEagerHost::Callback, reinterpret_cast<uintptr_t>(&eager));
    ASSERT_TRUE(host.unit().select_line(2)); // heard at the next poll, whose record the worker delivers
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(eager.answered, 40000));
    host.physical().SetChangeCallback(nullptr, 0);
    EXPECT_EQ(DMRC_NO_DEVICE, eager.result);
    EXPECT_LT(eager.took, 1000u) << "the worker waited for itself";
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 40.0)) << "the worker still takes commands";
    EXPECT_DOUBLE_EQ(2.0, LastVoltage("Dev1/ao0"));
}

TEST(CallBack, LateAnswerOfATimedOutCommandIsNotTakenByTheNextPost) {
    DeviceHost host;
    ASSERT_TRUE(host.Connect());
    LogCapture log(false); // the time-out lines are written whatever the detail setting
    Gate gate;
    gate.holdMs = 600;
    gate.result = 111;
    EXPECT_EQ(1460, host->CallBack(HoldCommand, gate.arg(), 0, 0, 150));
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::CallBack - TIMEOUT 2"));
    // The abandoned command still runs: the slot is busy until it ends.
    EXPECT_EQ(-2, host->CallBack(ReturnArgument, 0, 222, 0, 0));
    int64_t answer = -2;
    EXPECT_TRUE(
        WaitUntil(5000, [&] { return (answer = host->CallBack(ReturnArgument, 0, 222, 0, 0)) != -2; }));
    EXPECT_EQ(222, answer);
    EXPECT_EQ(333, host->CallBack(ReturnArgument, 0, 333, 0, 0));
}

TEST(CallBack, PostingWithoutAWorkerFailsAtOnce) {
    DeviceHost host;
    LogCapture log(false);
    ULONGLONG before = GetTickCount64();
    EXPECT_EQ(1460, host->CallBack(ReturnArgument, 0, 1, 0, 0));
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_EQ(std::vector<std::wstring>{L"CQvAOMTAVO::CallBack - TIMEOUT 1"}, log.Lines());
}

TEST(CallBack, DisconnectWaitsForACommandThatNeedsTheDeviceLock) {
    DeviceHost host;
    ASSERT_TRUE(host.Connect());
    Gate gate;
    gate.device = &host.device();
    gate.holdMs = 300;
    gate.result = 9;
    int64_t commandResult = 0;
    std::thread poster([&] { commandResult = host->CallBack(HoldCommand, gate.arg(), 0, 0, 0); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(gate.started, 5000));
    LogCapture log;
    ULONGLONG before = GetTickCount64();
    host->DisconnectDevice();
    ULONGLONG took = GetTickCount64() - before;
    poster.join();
    EXPECT_EQ(9, commandResult) << "the command finished instead of being cut off";
    EXPECT_LT(took, 5000u) << "disconnect must not sit out the worker's end time-out";
    EXPECT_EQ(0, host->GetDeviceState());
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::C_Disconnect - end - LRESULT=0xffffffff")) << "ports still closed";
}

// The worker delivers the host's change records: a callback that disconnects, connects or resets the device
// is refused at once, as the worker would otherwise wait for its own end (or for a connect waiting for it)
// and then end itself.
TEST(CallBack, ConnectingOrDisconnectingFromTheChangeCallbackIsRefused) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    struct SRestlessHost {
        IQvPhysicalDevice* device;
        volatile LONG calls = 0;
        static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
            SRestlessHost* self = reinterpret_cast<SRestlessHost*>(static_cast<uintptr_t>(context));
            SQvLogicalDeviceList list;
            self->device->DisconnectDevice();
            self->device->ConnectDevice(L"");
            self->device->ResetDevice(list);
            InterlockedIncrement(&self->calls);
            return 0;
        }
    } restless{&host.physical()};
    LogCapture log(false);
    host.physical().SetChangeCallback(&SRestlessHost::Callback, reinterpret_cast<uintptr_t>(&restless));
    Within(30000, "the line command", [&] { EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(1, true)); });
    host.physical().SetChangeCallback(nullptr, 0);
    EXPECT_LT(0, restless.calls);
    const wchar_t* refusal = L" - refused: called from the change callback, on the device's own worker";
    EXPECT_TRUE(log.Contains(std::wstring(L"ERROR: CQvAOMTAVO::DisconnectDevice") + refusal));
    EXPECT_TRUE(log.Contains(std::wstring(L"ERROR: CQvAOMTAVO::ConnectDevice") + refusal));
    EXPECT_TRUE(log.Contains(std::wstring(L"ERROR: CQvAOMTAVO::ResetDevice") + refusal));
    EXPECT_EQ(2, host->GetDeviceState());
    EXPECT_EQ(7, host->CallBack(ReturnArgument, 0, 7, 0, 0)) << "the worker still runs";
}

} // namespace
