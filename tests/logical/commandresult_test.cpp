// A host command that did not complete says so: it answers 21 and the log says why, the host hears the
// state the unit really has, and the same request sent again once the cause is gone reaches the unit or
// the AOM.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "logcapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct SFailingCommand {
    const char* what;
    const char* unitFault;    // set on the unit before the command ("" none)
    const char* daqFault;     // NI-DAQmx function failing during the command (null none)
    bool busy;                // another command holds the worker meanwhile
    const char* command;      // "line", "shutter" or "power"
    std::wstring because;     // the end of the log line
    const char* sentOnRepeat; // what the repeat puts on the wire (line and shutter)
};

void PrintTo(const SFailingCommand& c, std::ostream* os) {
    *os << c.what;
}

const SFailingCommand kFailingCommands[] = {
    {"silent unit, line", "silent", nullptr, false, "line", L"the unit did not answer cTSO2 on COM",
     "cTSO2\\r"},
    {"refusing unit, line", "refuse", nullptr, false, "line", L"the unit answered cTSO2 with '?'",
     "cTSO2\\r"},
    {"silent unit, shutter", "silent", nullptr, false, "shutter", L"the unit did not answer cTSC on COM",
     "cTSC\\r"},
    {"refusing unit, shutter", "refuse", nullptr, false, "shutter", L"the unit answered cTSC with '?'",
     "cTSC\\r"},
    {"failing voltage write", "", "DAQmxWriteAnalogScalarF64", false, "power", L"the voltage write failed",
     nullptr},
    {"busy worker, power", "", nullptr, true, "power", L"another command was running", nullptr},
    {"busy worker, shutter", "", nullptr, true, "shutter", L"another command was running", "cTSC\\r"},
};

class CommandResult : public ::testing::TestWithParam<SFailingCommand> {
protected:
    EDeviceManagerReturnCode Run() {
        const std::string command = GetParam().command;
        if (command == "line") return host.laser().SetLineUsed(1, true); // unit line 2
        if (command == "shutter") return host.shutter().SetState(false);
        return host.laser().SetPower(0, 40.0);
    }
    std::wstring LogLine() const {
        const std::string command = GetParam().command;
        if (command == "line") return L"ERROR: CQvAOMTAVOMultiLaser::SetLineUsed - line 1 (unit line 2): ";
        if (command == "shutter") return L"ERROR: CQvAOMTAVOShutter::SetState - closing the shutter: ";
        return L"ERROR: CQvAOMTAVOMultiLaser::SetPower - line 0 (unit line 1): ";
    }
    DeviceHost host;
};

TEST_P(CommandResult, FailureIsAnsweredLoggedAndTheRepeatGetsThrough) {
    const SFailingCommand& c = GetParam();
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_TRUE(host.unit().select_line(1));
    ASSERT_TRUE(host.WaitForView("used 1 0 0 open 1"));
    host.PausePoll(); // what reaches the unit and the host from here on comes from the commands
    host.TakeCommands();
    host.TakeChanges();

    std::thread holder; // a command that keeps the worker busy: the unit answers it slowly
    if (c.busy) {
        ASSERT_TRUE(host.unit().set_fault("byte-delay 300"));
        holder = std::thread([&] { host.laser().SetLineUsed(2, true); });
        ASSERT_TRUE(WaitUntil(5000, [&] {
            for (const std::string& line : host.unit().transcript())
                if (line == "RX \"cTSO3\\r\"") return true;
            return false;
        }));
    }
    if (*c.unitFault) {
        ASSERT_TRUE(host.unit().set_fault(c.unitFault));
    }
    if (c.daqFault) SetDaqFault(c.daqFault, -200088);
    {
        LogCapture log(false);
        EXPECT_EQ(DMRC_NO_DEVICE, Run());
        size_t logged = 0;
        for (const std::wstring& line : log.Lines())
            if (line.compare(0, LogLine().size(), LogLine()) == 0) {
                ++logged;
                EXPECT_EQ(0u, line.find(LogLine() + c.because)) << std::string(line.begin(), line.end());
            }
        EXPECT_EQ(1u, logged);
    }
    if (holder.joinable()) holder.join();
    ASSERT_TRUE(host.unit().clear_fault());
    if (c.daqFault) SetDaqFault(c.daqFault, 0);

    // The device holds what the unit and the AOM have: unit line 1 and the shutter open as before (unit line
    // 3 where the busy worker's own command chose it), no voltage.
    const std::string command = c.command;
    EXPECT_EQ(c.busy ? "line 3 mask 4 bino 0" : "line 1 mask 1 bino 0", host.unit().state());
    bool used = false, open = false;
    EXPECT_EQ(DMRC_OK, host.laser().GetLineUsed(c.busy ? 2 : 0, &used));
    EXPECT_TRUE(used);
    EXPECT_EQ(DMRC_OK, host.shutter().GetState(&open));
    EXPECT_TRUE(open);
    if (command == "power") {
        EXPECT_NE(2.0, LastVoltage("Dev1/ao0")) << "nothing reached the AOM";
    }
    if (c.daqFault) {
        EXPECT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId)) << "the host hears the power";
    }

    host.TakeCommands();
    EXPECT_EQ(DMRC_OK, Run()) << "the same request again";
    if (c.sentOnRepeat) {
        EXPECT_EQ(std::vector<std::string>{c.sentOnRepeat}, host.TakeCommands());
    }
    if (command == "power") {
        EXPECT_DOUBLE_EQ(2.0, LastVoltage("Dev1/ao0"));
    }
}

INSTANTIATE_TEST_SUITE_P(All, CommandResult, ::testing::ValuesIn(kFailingCommands), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.what; *c; ++c)
        name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

} // namespace
