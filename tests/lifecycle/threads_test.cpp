// Host threads meeting the worker at the worst moments, each made to happen by holding one party: a host
// callback that does not return until released, the NI-DAQmx stand-in's stall, threads started together.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "handles.h"
#include "logcapture.h"
#include "testthread.h"

#include <daqmx_functions.h>
#include <qv/qvserial.h>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <tlhelp32.h>

namespace {

// A host whose change callback holds the thread that calls it until released; it counts its calls.
struct SHeldHost {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    volatile LONG calls = 0;
    ~SHeldHost() {
        CloseHandle(entered);
        CloseHandle(release);
    }
    uint64_t context() { return reinterpret_cast<uintptr_t>(this); }
    static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
        SHeldHost* self = reinterpret_cast<SHeldHost*>(static_cast<uintptr_t>(context));
        InterlockedIncrement(&self->calls);
        SetEvent(self->entered);
        WaitForSingleObject(self->release, 60000);
        return 0;
    }
};

int ThreadCount() {
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

bool Logged(const LogCapture& log, const wchar_t* start) {
    for (const std::wstring& line : log.Lines())
        if (line.compare(0, wcslen(start), start) == 0) return true;
    return false;
}

// The stop travels apart from the commands: a line command posted while a disconnect stops the worker (held
// in the host's callback meanwhile) neither takes the stop's place nor is taken for it. The poster is
// answered at once, its command never reaches the unit, the worker ends as soon as it is free, and the
// ports the disconnect command never closed are closed.
TEST(Threads, APostMeetingTheStopIsAnsweredAndNothingIsLeftOpen) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartReal("standard"));
    host.physical().DisconnectDevice();
    SHeldHost held;
    LogCapture log(false);
    const int handles = OpenHandleCount(); // with the library loaded and no worker
    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(DMRC_OK, host.session().Configure(nullptr));
    host.physical().SetChangeCallback(&SHeldHost::Callback, held.context());
    ASSERT_TRUE(host.unit().select_line(3)); // heard at the next poll, whose record holds the worker
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.entered, 5000));
    host.TakeCommands();
    // The disconnect command is never taken: the disconnect stops the worker after its 10 s.
    TestThread disconnect([&] { host.physical().DisconnectDevice(); });
    ASSERT_TRUE(WaitUntil(15000, [&] { return host->m_lStopRequested != 0; }));
    EDeviceManagerReturnCode used = DMRC_OK;
    Within(5000, "the line command", [&] { used = host.laser().SetLineUsed(0, true); });
    SetEvent(held.release);
    Within(3000, "the disconnect once the worker is free", [&] { disconnect.join(); });
    EXPECT_EQ(DMRC_NO_DEVICE, used);
    EXPECT_FALSE(Logged(log, L"ERROR: CQvAOMTAVO::StopWorker")) << "the worker had to be ended";
    EXPECT_EQ(std::vector<std::string>(), host.TakeCommands()) << "a command ran after the stop";
    EXPECT_EQ(handles, OpenHandleCount()) << "a port or handle the disconnect left open";
    Within(10000, "the reconnect", [&] { EXPECT_TRUE(host.Connect()); });
}

// A second connect, a disconnect or a reset while a connect waits for the library, or while the connect's
// worker has just started: one at a time, no poster's events closed under it, and one worker, which ends
// with the device.
TEST(Threads, ConnectDisconnectAndResetFromTwoThreadsAreOneAtATime) {
    struct {
        const char* second;
        int state;    // the device's state once both have returned
        bool library; // the first connect is held in the library; else it has just started its worker
    } cases[] = {{"connect", 3, true},
                 {"disconnect", 0, true},
                 {"reset", 3, true},
                 {"connect", 3, false},
                 {"disconnect", 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.second) +
                     (c.library ? " while the library is asked" : " at the worker's start"));
        const int threads = ThreadCount();
        {
            DeviceHost host("CQvAOMTAVO");
            ASSERT_TRUE(host.StartUnit("standard"));
            ASSERT_TRUE(host.Connect()); // loads the stand-in
            host.physical().DisconnectDevice();
            auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
            if (c.library) stall("DAQmxGetSysDevNames");
            LogCapture log;
            const std::wstring text = host.Connection();
            std::thread first([&] { host.physical().ConnectDevice(text.c_str()); });
            if (c.library)
                ASSERT_EQ(1, FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled")(5000));
            else
                ASSERT_TRUE(WaitUntil(5000, [&] { return host->m_hWorkerThread != nullptr; }));
            const std::wstring begin =
                std::string(c.second) == "connect"      ? L"CQvAOMTAVO::ConnectDevice - BEGIN"
                : std::string(c.second) == "disconnect" ? L"CQvAOMTAVO::DisconnectDevice - BEGIN"
                                                        : L"CQvAOMTAVO::ResetDevice - BEGIN";
            std::thread second([&] {
                SQvLogicalDeviceList list;
                if (std::string(c.second) == "connect")
                    host.physical().ConnectDevice(text.c_str());
                else if (std::string(c.second) == "disconnect")
                    host.physical().DisconnectDevice();
                else
                    host.physical().ResetDevice(list);
            });
            EXPECT_TRUE(WaitUntil(
                5000, [&] { return log.Count(begin) >= (std::string(c.second) == "connect" ? 2u : 1u); }));
            stall(nullptr);
            Within(30000, "the two calls", [&] {
                first.join();
                second.join();
            });
            EXPECT_FALSE(Logged(log, L"CQvAOMTAVO::CallBack - TIMEOUT"));
            EXPECT_FALSE(Logged(log, L"ERROR: CQvAOMTAVO::ConnectDevice - cannot connect"));
            EXPECT_EQ(c.state == 0 ? 0 : 3, host.physical().GetDeviceState());
            EXPECT_EQ(c.state != 0, host->m_bConnected);
            EXPECT_EQ(c.state != 0, host->m_hWorkerThread != nullptr)
                << "a connected device without a worker";
        }
        EXPECT_EQ(threads, ThreadCount()) << "a worker outlived its device";
    }
}

// A change of callback returns only once a call into the old one, on another thread, has returned, and
// what was queued for the old one never reaches it; from inside the callback it does not wait for itself.
// A device released while a host thread delivers to the callback waits for that delivery.
TEST(Threads, TheHostsCallbackIsNeverCalledAfterItWasUnset) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    SHeldHost held;
    host.physical().SetChangeCallback(&SHeldHost::Callback, held.context());
    // A host thread delivers the batch and is held there; a record of the worker's waits behind it.
    ASSERT_EQ(DMRC_OK, host.physical().BeginChangeBatch(true));
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(0, 10.0));
    std::thread flusher([&] { host.physical().FlushChangeBatch(); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.entered, 5000));
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(0, 20.0));
    HANDLE unset = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread unsetter([&] {
        host.physical().SetChangeCallback(nullptr, 0);
        SetEvent(unset);
    });
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(unset, 300)) << "unset while the old callback still ran";
    SetEvent(held.release);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(unset, 5000));
    unsetter.join();
    flusher.join();
    EXPECT_EQ(1, held.calls) << "the record queued for the old callback reached it after the unset";
    CloseHandle(unset);

    // From inside the callback: no wait for itself.
    struct SUnsettingHost {
        IQvPhysicalDevice* device;
        static int64_t Callback(uint32_t, SQvDMChangeRecord*, uint64_t context) {
            reinterpret_cast<SUnsettingHost*>(static_cast<uintptr_t>(context))
                ->device->SetChangeCallback(nullptr, 0);
            return 0;
        }
    } unsetting{&host.physical()};
    host.physical().SetChangeCallback(&SUnsettingHost::Callback, reinterpret_cast<uintptr_t>(&unsetting));
    Within(5000, "a power change whose record unsets the callback",
           [&] { EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 30.0)); });
}

TEST(Threads, AReleasedDeviceWaitsForAHostThreadDeliveringToTheCallback) {
    std::unique_ptr<DeviceHost> host(new DeviceHost);
    ASSERT_TRUE(host->StartReal("standard"));
    SHeldHost held;
    host->physical().SetChangeCallback(&SHeldHost::Callback, held.context());
    ASSERT_EQ(DMRC_OK, host->physical().BeginChangeBatch(true));
    EXPECT_EQ(DMRC_OK, host->laser().SetPower(0, 10.0)); // into the batch
    std::thread flusher([&] { host->physical().FlushChangeBatch(); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.entered, 5000));
    HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread releaser([&] {
        host.reset(); // a host that lets the device go with its callback still set
        SetEvent(released);
    });
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(released, 300)) << "the device went while it was delivering";
    SetEvent(held.release);
    Within(15000, "the release", [&] {
        flusher.join();
        releaser.join();
    });
    CloseHandle(released);
}

// Two host threads set one line's power: the one refused (another command was running) records nothing,
// and its repeat reaches the AOM.
TEST(Threads, TheLastPowerAnsweredForIsTheAoms) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard")); // line 0: 0 to 5 V on Dev1/ao0
    host.PausePoll();
    auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
    stall("DAQmxWriteAnalogScalarF64");
    EDeviceManagerReturnCode first = DMRC_NO_DEVICE;
    std::thread a([&] { first = host.laser().SetPower(0, 50.0); });
    ASSERT_EQ(1, FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled")(5000));
    EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetPower(0, 60.0));
    stall(nullptr);
    a.join();
    EXPECT_EQ(DMRC_OK, first);
    double power = 0.0;
    host.laser().GetLinePower(0, &power);
    EXPECT_EQ(50.0, power);
    EXPECT_DOUBLE_EQ(2.5, LastVoltage("Dev1/ao0"));
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 60.0));
    EXPECT_DOUBLE_EQ(3.0, LastVoltage("Dev1/ao0"));
}

// The connection dialog may name another port while the device is connected: a lost line is reopened on
// the port the device connected to.
TEST(Threads, ALostLineIsReopenedOnThePortOfTheConnection) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    const int com = host.unit().com_port();
    std::thread person([&] {
        HWND dialog = WaitForFilledConnectionDialog();
        if (!dialog) return;
        HWND list = GetDlgItem(dialog, QV_SERIAL_DIALOG_PORTS);
        for (LRESULT i = 0, n = SendMessageW(list, CB_GETCOUNT, 0, 0); i < n; ++i)
            if (SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) != com) {
                SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
                break;
            }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    CQvStringW text(host.Connection().c_str());
    EXPECT_EQ(DMRC_OK, host->ShowConnectionDialog(text, nullptr));
    person.join();
    ASSERT_NE(com, host->m_iCOMPort) << "the dialog offered no other port";
    LogCapture log(false);
    ASSERT_TRUE(host.unit().hangup());
    ASSERT_TRUE(
        WaitUntil(6000, [&] { return Logged(log, L"ERROR: CQvAOMTAVO::Main - line to the unit lost"); }));
    ASSERT_TRUE(host.unit().plug());
    EXPECT_TRUE(WaitUntil(5000, [&] {
        return log.Contains(L"CQvAOMTAVO::Main - line to the unit back on COM" + std::to_wstring(com));
    }));
}

// The library takes longer to load than the connect and its worker's stop may wait: the connect fails and
// says so once its 10 s wait for the load is over, without waiting for its worker's thread, which the
// system's loader keeps from ending until the load is done; the load is left to finish instead of being
// ended inside the loader, which would hold the process's loader lock for good. Other libraries load again
// once it is done, and the next connect uses it.
TEST(Threads, ALibraryThatLoadsSlowlyIsLeftToFinish) {
    SetEnvironmentVariableA("FAKEDAQMX_LOAD_DELAY_MS", "28000");
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartUnit("standard"));
    LogCapture log(false);
    ULONGLONG took = 0; // measured on the connect's thread, whose own end waits for the loader too
    Within(40000, "the connect", [&] {
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(host.Connect());
        took = GetTickCount64() - start;
    });
    EXPECT_LT(took, 20000u) << "the connect waited for the 28 s load to end";
    SetEnvironmentVariableA("FAKEDAQMX_LOAD_DELAY_MS", nullptr);
    EXPECT_TRUE(Logged(log, L"ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: the NI-DAQmx library "
                            L"nicaiu.dll did not finish loading within 10000 ms"));
    EXPECT_FALSE(Logged(log, L"ERROR: CQvAOMTAVO::StopWorker")) << "the worker was ended";
    EXPECT_TRUE(WaitUntil(30000, [] { return GetModuleHandleW(L"nicaiu.dll") != nullptr; }));
    Within(5000, "another library's load", [&] {
        HMODULE other = LoadLibraryW(L"version.dll");
        EXPECT_NE(nullptr, other);
        FreeLibrary(other);
    });
    Within(10000, "the next connect", [&] { EXPECT_TRUE(host.Connect()); });
}

} // namespace
