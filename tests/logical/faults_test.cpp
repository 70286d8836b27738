// Faults on the wire while the device is connected and polling: each host call stays bounded, the log
// tells what happened, and the device comes back once the fault clears.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "handles.h"
#include "logcapture.h"

#include <daqmx_functions.h>
#include <gtest/gtest.h>

#include <ctype.h>
#include <memory>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

namespace {

bool LogHas(const LogCapture& log, const std::wstring& start) {
    for (const std::wstring& line : log.Lines())
        if (line.compare(0, start.size(), start) == 0) return true;
    return false;
}

// Milliseconds a host call took.
template <class F> ULONGLONG Took(F call) {
    ULONGLONG start = GetTickCount64();
    call();
    return GetTickCount64() - start;
}

// A pulled cable in either mode, with and without host calls while it is out: the device closes the dead
// handle, reopens the same COM name once the unit answers again and reports the unit's state afresh.
TEST(LostLine, APulledCableIsReopenedAndTheUnitReportedAsAfterAConnect) {
    struct {
        const char* personality;
        bool hostCalls;
        const char* lost; // the host's view while the line is out
    } cases[] = {
        {"standard", false, "used 0 1 0 open 0"}, // a standard unit keeps its chosen line
        {"standard", true, "used 0 1 0 open 0"},
        {"extended", false, "used 0 0 0 open 0"},
        {"extended", true, "used 0 0 0 open 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.personality) + (c.hostCalls ? " with host calls" : ""));
        DeviceHost host;
        ASSERT_TRUE(host.StartReal(c.personality));
        ASSERT_TRUE(host.unit().select_line(2));
        ASSERT_TRUE(host.WaitForView("used 0 1 0 open 1"));

        LogCapture log(false);
        ASSERT_TRUE(host.unit().hangup());
        const std::wstring com = L"COM" + std::to_wstring(host.unit().com_port());
        EXPECT_TRUE(WaitUntil(5000, [&] {
            return LogHas(log, L"ERROR: CQvAOMTAVO::Main - line to the unit lost after 3 failed polls; "
                               L"reopening " +
                                   com + L" every 1000 ms");
        }));
        EXPECT_TRUE(host.WaitForView(c.lost)) << host.View();
        if (c.hostCalls) {
            // Nothing waits for the line and nothing is kept for later.
            EXPECT_LT(Took([&] { EXPECT_EQ(DMRC_NO_DEVICE, host.shutter().SetState(true)); }), 1500u);
            EXPECT_LT(Took([&] { EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetLineUsed(2, true)); }), 1500u);
            EXPECT_LT(Took([&] { EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 30.0)); }), 1500u);
            bool open = true;
            EXPECT_EQ(DMRC_OK, host.shutter().GetState(&open));
            EXPECT_FALSE(open);
        }
        ASSERT_TRUE(host.unit().clear_transcript());
        ASSERT_TRUE(host.unit().plug());
        EXPECT_TRUE(WaitUntil(
            5000, [&] { return LogHas(log, L"CQvAOMTAVO::Main - line to the unit back on " + com); }));
        EXPECT_TRUE(host.WaitForView("used 0 1 0 open 1")) << host.View();
        EXPECT_EQ(std::vector<std::string>{}, host.TakeCommands());

        ASSERT_TRUE(host.unit().select_line(3));
        EXPECT_TRUE(host.WaitForView("used 0 0 1 open 1")) << host.View();
        EXPECT_EQ(DMRC_OK, host.shutter().SetState(false));
        EXPECT_EQ("line 0 mask 0 bino 0", host.unit().state());
    }
}

// Only silence counts against the line: a unit that answers garbage or "?" to every poll, or that is silent
// on every other one, stays connected and is polled on, never probed or reopened.
TEST(LostLine, AUnitThatAnswersBadlyOrNowAndThenStaysConnected) {
    const struct {
        const char* fault;
        size_t polls;
    } cases[] = {{"garble", 30}, {"refuse", 30}, {"every-other rTES", 30}};
    // One device and unit each, all at once: a silent poll waits out two read time-outs.
    std::vector<std::unique_ptr<DeviceHost>> hosts;
    LogCapture log(false);
    for (const auto& c : cases) {
        hosts.emplace_back(new DeviceHost);
        DeviceHost& host = *hosts.back();
        ASSERT_TRUE(host.StartReal("standard"));
        ASSERT_TRUE(host.unit().set_fault(c.fault));
        ASSERT_TRUE(host.unit().clear_transcript());
    }
    auto polls = [](DeviceHost& host, std::vector<std::string>* others) {
        size_t n = 0;
        for (const std::string& line : host.unit().transcript()) {
            if (line == "RX \"rTES\\r\"")
                ++n;
            else if (line.compare(0, 2, "RX") == 0 && line != "RX \"rTSR\\r\"" && others)
                others->push_back(line);
        }
        return n;
    };
    for (size_t i = 0; i < hosts.size(); ++i) {
        SCOPED_TRACE(cases[i].fault);
        DeviceHost& host = *hosts[i];
        EXPECT_TRUE(WaitUntil(40000, [&] { return polls(host, nullptr) >= cases[i].polls; }));
        std::vector<std::string> others;
        polls(host, &others);
        EXPECT_EQ(std::vector<std::string>{}, others) << "nothing but polls on the wire";
        EXPECT_TRUE(host->m_bConnected);
        EXPECT_FALSE(log.Contains(L"ERROR: CQvAOMTAVO::Main - line to the unit lost after 3 failed polls; "
                                  L"reopening COM" +
                                  std::to_wstring(host.unit().com_port()) + L" every 1000 ms"));
    }
}

// Every fault of the unit against every operation, through the host. Each row: whether the unit is still
// usable under the fault, what the poll makes of it, the bound of every host call, and what the shutter
// opening, a line selection and the shutter closing answer under it ('o' 0, 'x' 21 with its log line; a
// line selection the unit's state does not need sends nothing and succeeds; a closing is always sent).
enum class EPoll {
    Hears, // the front panel still reaches the host
    Reads, // the unit answers, but nothing readable: no line, shutter closed, still connected
    Lost,  // no answer at all: the line is declared lost
};
struct SUnitFault {
    const char* fault;
    bool connects; // a connect made under the fault succeeds
    EPoll poll;
    const char* answers;
};
const SUnitFault kUnitFaults[] = {
    {"silent", false, EPoll::Lost, "xxx"},     {"garble", false, EPoll::Reads, "xox"},
    {"split 3 20", true, EPoll::Hears, "ooo"}, {"byte-delay 50", true, EPoll::Hears, "ooo"},
    {"no-cr", true, EPoll::Hears, "ooo"},      {"long 300", true, EPoll::Reads, "xox"},
    {"hangup", false, EPoll::Lost, "xxx"},     {"stale aTES5", true, EPoll::Hears, "ooo"},
};
// A connect makes five exchanges and waits 200 ms; the slowest working fault (50 ms a byte) needs about
// 3 s, a failing probe 502 ms. A command waits at most behind one failing poll (two reads) and its own
// exchange.
const ULONGLONG kConnectBoundMs = 8000, kCommandBoundMs = 3000, kResetBoundMs = 1000;

void PrintTo(const SUnitFault& f, std::ostream* os) {
    *os << f.fault;
}

class UnitFault : public ::testing::TestWithParam<SUnitFault> {
protected:
    bool Set() {
        return std::string(GetParam().fault) == "hangup" ? host.unit().hangup()
                                                         : host.unit().set_fault(GetParam().fault);
    }
    bool Clear() {
        return std::string(GetParam().fault) == "hangup" ? host.unit().plug() : host.unit().clear_fault();
    }
    DeviceHost host;
};

TEST_P(UnitFault, IsBoundedLoggedAndRecoversOnEveryOperation) {
    const SUnitFault& f = GetParam();
    ASSERT_TRUE(host.StartReal("standard"));
    { // connect
        LogCapture log;
        ASSERT_TRUE(Set());
        EXPECT_LT(Took([&] { host.Connect(); }), kConnectBoundMs);
        // A failed connect shows at the configure, as the host sees it.
        EXPECT_EQ(f.connects ? DMRC_OK : DMRC_WRONG_STATE, host.session().Configure(nullptr));
        EXPECT_EQ(f.connects, log.Contains(L"CQvAOMTAVO::ConnectDevice - END, success"));
        ASSERT_TRUE(Clear());
        // Bytes a slow unit still had on their way (up to 9 s of them at 600 ms a byte) spoil the probes
        // until they are out: the user's next connect after that works.
        EDeviceManagerReturnCode configured = DMRC_WRONG_STATE;
        for (ULONGLONG end = GetTickCount64() + 15000; configured != DMRC_OK && GetTickCount64() < end;)
            configured = host.Connect() ? host.session().Configure(nullptr) : DMRC_WRONG_STATE;
        ASSERT_EQ(DMRC_OK, configured);
    }
    ASSERT_TRUE(host.unit().select_line(2));
    ASSERT_TRUE(host.WaitForView("used 0 1 0 open 1"));
    LogCapture log;
    ASSERT_TRUE(Set());
    if (f.poll == EPoll::Lost) {
        EXPECT_TRUE(
            WaitUntil(8000, [&] { return LogHas(log, L"ERROR: CQvAOMTAVO::Main - line to the unit lost"); }));
    } else if (f.poll == EPoll::Reads) {
        EXPECT_TRUE(host.WaitForView("used 0 1 0 open 0")) << host.View();
    } else {
        ASSERT_TRUE(host.unit().select_line(3));
        EXPECT_TRUE(host.WaitForView("used 0 0 1 open 1")) << host.View();
    }
    // line selection and shutter
    auto answer = [&](int i) { return f.answers[i] == 'o' ? DMRC_OK : DMRC_NO_DEVICE; };
    EXPECT_LT(Took([&] { EXPECT_EQ(answer(0), host.shutter().SetState(true)); }), kCommandBoundMs);
    EXPECT_LT(Took([&] { EXPECT_EQ(answer(1), host.laser().SetLineUsed(0, true)); }), kCommandBoundMs);
    EXPECT_LT(Took([&] { EXPECT_EQ(answer(2), host.shutter().SetState(false)); }), kCommandBoundMs);
    EXPECT_EQ(f.answers[0] == 'x',
              LogHas(log, L"ERROR: CQvAOMTAVOShutter::SetState - opening the shutter: "));
    EXPECT_EQ(f.answers[1] == 'x',
              LogHas(log, L"ERROR: CQvAOMTAVOMultiLaser::SetLineUsed - line 0 (unit line 1): "));
    SQvLogicalDeviceList list;
    EXPECT_LT(Took([&] { EXPECT_EQ(DMRC_RESET_OK, host.physical().ResetDevice(list)); }), kResetBoundMs);
    // recovery: configured again, the unit's own change reaches the host
    ASSERT_TRUE(Clear());
    if (f.poll == EPoll::Lost) {
        EXPECT_TRUE(
            WaitUntil(8000, [&] { return LogHas(log, L"CQvAOMTAVO::Main - line to the unit back"); }));
    }
    ASSERT_EQ(DMRC_OK, host.session().Configure(nullptr));
    ASSERT_TRUE(host.unit().select_line(1));
    EXPECT_TRUE(host.WaitForView("used 1 0 0 open 1")) << host.View();
    // disconnect under the fault
    ASSERT_TRUE(Set());
    EXPECT_LT(Took([&] { host.physical().DisconnectDevice(); }), kCommandBoundMs);
    EXPECT_EQ(0, host.physical().GetDeviceState());
    EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::DisconnectDevice - END, success"));
    ASSERT_TRUE(Clear());
}

INSTANTIATE_TEST_SUITE_P(All, UnitFault, ::testing::ValuesIn(kUnitFaults), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.fault; *c; ++c)
        name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

// Every fault of the NI-DAQmx stand-in against the step of discovery or voltage output that calls it. Each
// row: the bound of the host call, its log line, the state afterwards and the recovery once it clears.
struct SDaqFault {
    const char* function;
    bool discovery;           // set before a connect; else before a power change
    bool connects;            // discovery: the device connects all the same
    const char* stallOrFault; // "stall" or the board the fault is limited to ("" every call)
};
const SDaqFault kDaqFaults[] = {
    {"DAQmxGetSysDevNames", true, false, ""},
    {"DAQmxGetDevAOPhysicalChans", true, true, "Dev1"},
    {"DAQmxGetDevAOVoltageRngs", true, true, "Dev1"},
    {"DAQmxGetDevProductNum", true, true, "Dev1"},
    {"DAQmxGetDevBusType", true, true, "Dev1"},
    {"DAQmxGetDevPCIDevNum", true, true, "Dev1"},
    {"DAQmxCreateTask", false, true, ""},
    {"DAQmxCreateAOVoltageChan", false, true, ""},
    {"DAQmxGetChanType", false, true, ""},
    {"DAQmxGetAOOutputType", false, true, ""},
    {"DAQmxSetAOVoltageUnits", false, true, ""},
    {"DAQmxStartTask", false, true, ""},
    {"DAQmxWriteAnalogScalarF64", false, true, ""},
    {"DAQmxWriteAnalogScalarF64", false, true, "stall"},
};
// A connect with the stand-in takes well under a second; a power change is one library call, or the
// command's 15 s answer time when the write stalls.
const ULONGLONG kDaqConnectBoundMs = 5000, kPowerBoundMs = 2000, kStalledPowerBoundMs = 17000;

void PrintTo(const SDaqFault& f, std::ostream* os) {
    *os << f.function << (*f.stallOrFault == 's' ? " stalled" : "");
}

class DaqFault : public ::testing::TestWithParam<SDaqFault> {};

TEST_P(DaqFault, IsBoundedLoggedAndRecovers) {
    const SDaqFault& f = GetParam();
    const bool stall = std::string(f.stallOrFault) == "stall";
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard")); // loads the stand-in, whose faults are set at run time
    FakeDaqmx<decltype(&fakedaqmx_Reset)>("fakedaqmx_Reset")();
    auto setFault = [&](int32 status) {
        FakeDaqmx<decltype(&fakedaqmx_SetFault)>("fakedaqmx_SetFault")(
            f.function, *f.stallOrFault && !stall ? f.stallOrFault : nullptr, status);
    };
    const std::wstring logLine =
        L"ERROR: CQvAOMNIDAQPort " + std::wstring(f.function, f.function + strlen(f.function));
    LogCapture log;
    if (f.discovery) {
        setFault(-200220);
        EXPECT_LT(Took([&] { host.Connect(); }), kDaqConnectBoundMs);
        EXPECT_EQ(f.connects ? DMRC_OK : DMRC_WRONG_STATE, host.session().Configure(nullptr));
        EXPECT_TRUE(log.Contains(std::string(f.function) == "DAQmxGetSysDevNames"
                                     ? L"ERROR: CQvAOMNIDAQPort NI_DAQmxGetSysDevNames"
                                     : logLine));
        setFault(0);
        ASSERT_TRUE(host.Connect());
        ASSERT_EQ(DMRC_OK, host.session().Configure(nullptr));
    } else if (stall) {
        FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall")(f.function);
        EXPECT_LT(Took([&] { host.laser().SetPower(0, 40.0); }), kStalledPowerBoundMs);
        EXPECT_TRUE(log.Contains(L"CQvAOMTAVO::CallBack - TIMEOUT 2"));
        FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall")(nullptr);
        // The worker still finishes the command nobody waits for any more.
        EXPECT_TRUE(WaitUntil(3000, [] { return LastVoltage("Dev1/ao0") == 2.0; }));
    } else {
        setFault(-200088);
        host.PausePoll(); // a record from here on comes from the power change
        host.TakeChanges();
        EXPECT_LT(Took([&] { EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetPower(0, 40.0)); }), kPowerBoundMs);
        EXPECT_TRUE(log.Contains(logLine));
        EXPECT_TRUE(log.Contains(L"CQvAOMTAVOMultiLaser::C_SetPower - FAIL"));
        // The library's own text of the failure, named after the function.
        EXPECT_TRUE(LogHas(log, L"CQvAOMNIDAQPort  Error in " + logLine.substr(23) + L": code = 0, text: "));
        // A half-built task is released, and so is the task a write failed on: the next write builds it.
        EXPECT_EQ(0, FakeDaqmx<decltype(&fakedaqmx_TaskCount)>("fakedaqmx_TaskCount")());
        // The host hears the power it asked for all the same.
        EXPECT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId));
        setFault(0);
    }
    // Recovery: a power change reaches the AOM (asked again while a late command still ends, which
    // refuses the post).
    EXPECT_TRUE(WaitUntil(3000, [&] {
        host.laser().SetPower(0, 60.0);
        return LastVoltage("Dev1/ao0") == 3.0;
    }));
}

INSTANTIATE_TEST_SUITE_P(All, DaqFault, ::testing::ValuesIn(kDaqFaults), [](const auto& info) {
    return std::string(info.param.function) + (*info.param.stallOrFault == 's' ? "_stalled" : "");
});

// The host moves a line to another channel while the worker is writing that line's voltage, or building the
// line's task for it: the configure does not wait for the library, and the next write reaches the new
// channel.
TEST(DaqFault, AChannelChangedDuringAVoltageWriteTakesEffect) {
    struct {
        const char* during;
        const char* stalled; // the NI-DAQmx function the write is held in
        bool taskToBuild;    // the write builds the line's task first
        double percent;      // the power set once the line is on its new channel (0 to 5 V)
    } cases[] = {
        {"the write itself", "DAQmxWriteAnalogScalarF64", false, 60.0},
        {"the building of the line's task", "DAQmxCreateTask", true, 80.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.during);
        DeviceHost host;
        ASSERT_TRUE(host.StartReal("standard"));
        host.PausePoll(); // no board check meanwhile
        // The same text again: every line's task is built afresh at its next write.
        if (c.taskToBuild) {
            ASSERT_EQ(DMRC_OK, host.Configure(kTwoLineConfiguration));
        }
        auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
        stall(c.stalled);
        std::thread poster([&] { host.laser().SetPower(0, 40.0); });
        ASSERT_EQ(1, FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled")(5000));
        EDeviceManagerReturnCode configured = DMRC_NOT_SUPPORTED;
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread configure([&] {
            configured = host.Configure(L"iIndex[0]=3;sChannel_Name[0]=Dev1/ao2;");
            SetEvent(done);
        });
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 5000)) << "the configure waited for the library";
        stall(nullptr);
        poster.join();
        configure.join();
        CloseHandle(done);
        EXPECT_EQ(DMRC_OK, configured);
        EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, c.percent));
        EXPECT_DOUBLE_EQ(c.percent / 20.0, LastVoltage("Dev1/ao2"));
        EXPECT_DOUBLE_EQ(2.0, LastVoltage("Dev1/ao0"))
            << "the line's old channel was written after the change";
    }
}

// A connect the library holds past the command's answer time fails. Let go while the worker is stopped,
// it still opens the COM port; the failed connect closes what it opened (Wine does not enforce exclusive
// opens, so a port left open shows only in the handle count).
TEST(DaqFault, AConnectThatEndsAfterItsTimeOutLeavesNoPortOpen) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.physical().DisconnectDevice();
    const int before = OpenHandleCount();
    LogCapture log;
    auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
    stall("DAQmxGetSysDevNames");
    bool connected = true;
    std::thread connect([&] { connected = host.Connect(); });
    EXPECT_EQ(1, FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled")(5000));
    EXPECT_TRUE(WaitUntil(20000, [&] { return log.Contains(L"CQvAOMTAVO::CallBack - TIMEOUT 2"); }));
    stall(nullptr);
    connect.join();
    EXPECT_FALSE(connected);
    EXPECT_EQ(before, OpenHandleCount()) << "a handle the failed connect opened is still open";
    EXPECT_TRUE(host.Connect());
}

// A board reset (or unplugged and back) aborts the line's task: the write that meets it builds the task
// again and writes once more, within the same call.
TEST(DaqFault, ATaskAbortedByABoardResetIsBuiltAgain) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll(); // no board check meanwhile
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(0, 40.0));
    ASSERT_EQ(0, FakeDaqmx<decltype(&DAQmxResetDevice)>("DAQmxResetDevice")("Dev1"));
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 60.0));
    EXPECT_DOUBLE_EQ(3.0, LastVoltage("Dev1/ao0"));
}

} // namespace
