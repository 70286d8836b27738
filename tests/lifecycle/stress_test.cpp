// Four host threads at once, as a host's GUI, acquisition and scripting threads call a device: connects,
// disconnects, configures, powers, lines, the shutter and changes of the change callback, for a minute
// (QV_STRESS_SECONDS sets another length). No call hangs or outlasts its documented bound, and nothing is
// left open.
#include "devicehost.h"
#include "handles.h"
#include "logcapture.h"
#include "testthread.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdlib.h>
#include <vector>

namespace {

// The longest a host call may take: a connect starts its worker (10 s), waits for the connect command (10 s
// to be taken, 15 s to end) and, when that failed, stops the worker (10 s, then 2 s after cancelling its
// I/O, then 10 s after ending it); a disconnect may first repeat its post for 5 s. With a unit that
// answers, every call ends far sooner.
const ULONGLONG kConnectBoundMs = 10000 + 25000 + 22000;
const ULONGLONG kDisconnectBoundMs = 5000 + 25000 + 22000;
const ULONGLONG kCallBoundMs = 25000; // a command: taken within 10 s, done within 15 s

struct SCountingHost {
    volatile LONG calls = 0;
    static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
        InterlockedIncrement(&reinterpret_cast<SCountingHost*>(static_cast<uintptr_t>(context))->calls);
        return 0;
    }
};

TEST(Stress, FourHostThreadsForAMinuteNeverHangAndLeaveNothingOpen) {
    const char* setting = getenv("QV_STRESS_SECONDS");
    const ULONGLONG seconds = setting && *setting ? strtoul(setting, nullptr, 10) : 60;
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    const int handles = OpenHandleCount(); // connected: the worker's thread and the COM port open
    LogCapture quiet(false);               // the refusals of a disconnected device are many
    const std::wstring connection = host.Connection();
    SCountingHost counting;
    volatile LONG overdue = 0;
    const ULONGLONG end = GetTickCount64() + seconds * 1000;
    auto worker = [&](unsigned seed) {
        std::mt19937 random(seed);
        IQvPhysicalDevice& device = host.physical();
        while (GetTickCount64() < end) {
            int op = std::uniform_int_distribution<int>(0, 99)(random);
            int line = std::uniform_int_distribution<int>(0, 1)(random);
            ULONGLONG start = GetTickCount64(), bound = kCallBoundMs;
            if (op < 3) {
                device.ConnectDevice(connection.c_str());
                bound = kConnectBoundMs;
            } else if (op < 6) {
                device.DisconnectDevice();
                bound = kDisconnectBoundMs;
            } else if (op < 12) {
                SQvLogicalDeviceList list;
                device.ConfigureDevice(kTwoLineConfiguration, CHostSession::kPhysDevId, list);
            } else if (op < 45) {
                host.laser().SetPower(line, std::uniform_int_distribution<int>(0, 1000)(random) / 10.0);
            } else if (op < 65) {
                host.laser().SetLineUsed(line, op % 2 == 0);
            } else if (op < 80) {
                host.shutter().SetState(op % 2 == 0);
            } else if (op < 88) {
                device.SetChangeCallback(op % 2 ? &SCountingHost::Callback : nullptr,
                                         reinterpret_cast<uintptr_t>(&counting));
            } else if (op < 94) {
                device.BeginChangeBatch(true);
                device.FlushChangeBatch();
            } else {
                double power = 0.0;
                bool used = false, open = false;
                host.laser().GetLinePower(line, &power);
                host.laser().GetLineUsed(line, &used);
                host.shutter().GetState(&open);
            }
            if (GetTickCount64() - start > bound) InterlockedIncrement(&overdue);
        }
    };
    Within(static_cast<DWORD>(seconds * 1000 + kConnectBoundMs + kDisconnectBoundMs), "the four threads",
           [&] {
               std::vector<std::unique_ptr<TestThread>> threads;
               for (unsigned t = 0; t < 4; ++t)
                   threads.emplace_back(new TestThread([&worker, t] { worker(t + 1); }));
               for (auto& thread : threads)
                   thread->join();
           });
    EXPECT_EQ(0, overdue) << "calls that outlasted their bound";
    host.physical().SetChangeCallback(nullptr, 0);
    host.physical().DisconnectDevice();
    ASSERT_TRUE(host.Connect());
    EXPECT_EQ(handles, OpenHandleCount()) << "handles left open by the threads' calls";
}

} // namespace
