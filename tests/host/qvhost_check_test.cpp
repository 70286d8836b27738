// From the scan to a working configuration: each channel's iIndex and a suggested text, the check of a
// hand-written text (the same findings the device logs when it takes the text), and NI MAX's test panel.
#include "qvhost_run.h"

#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <algorithm>

using tavosim_unit::TavoSimOptions;
using tavosim_unit::TavoSimUnit;

namespace {

// Dev1 ±10 V with iIndex 1 to 4, Dev2 ±5 V with 5 and 6, Dev3 0 to 5 V with 7.
const char kBoards[] = "board Dev1 product 6733 range -10 10 channels ao0:3\n"
                       "board Dev2 product 6229 bus 12583 pci 2 range -5 5 channels ao0 ao1\n"
                       "board Dev3 product 6001 bus 12586 range 0 5 channels ao0\n";

std::string Com(const TavoSimUnit& unit) {
    return std::to_string(unit.com_port());
}

// One position of a configuration text as the line dialog writes it.
std::string Line(int i, int empty, int index, const char* minimum, const char* maximum, const char* channel) {
    std::string n = "[" + std::to_string(i) + "]";
    return "bEmpty" + n + "=" + std::to_string(empty) + ";iIndex" + n + "=" + std::to_string(index) +
           ";fValMin" + n + "=" + minimum + ";fValMax" + n + "=" + maximum + ";fValLambda" + n +
           "=488.0;sChannel_Name" + n + "=" + channel + ";";
}

// The lines of each command's output, its status line last.
std::vector<std::vector<std::string>> Commands(const std::string& output) {
    std::vector<std::vector<std::string>> commands(1);
    for (const std::string& line : OutputLines(output)) {
        commands.back().push_back(line);
        if (line == "ok" || line.compare(0, 6, "error ") == 0) commands.emplace_back();
    }
    commands.pop_back();
    return commands;
}

std::vector<std::string> After(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line.substr(prefix.size()));
    return found;
}

TEST(QvhostCheck, FindsWhatTheDeviceWarnsOfAndConfigureStillTakesEveryText) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    DaqScenario boards(kBoards);
    ASSERT_TRUE(boards.Written());
    const std::string empty2 = Line(2, 1, 0, "  0.0", "  0.0", "None");
    struct {
        const char* what;
        std::string text;
        std::vector<std::string> findings;
    } cases[] = {
        {"as the dialog writes it", kConfiguration, {}},
        {"iIndex and sChannel_Name apart",
         Line(0, 0, 1, "  0.0", "  5.0", "Dev1/ao0") + Line(1, 0, 1, "  0.0", "  5.0", "Dev2/ao1") + empty2,
         {"iIndex[1]=1 names Dev1/ao0 but sChannel_Name[1] names Dev2/ao1: the line's voltage goes to "
          "Dev2/ao1"}},
        {"iIndex beyond the channels, and a name in another case",
         Line(0, 0, 9, "  0.0", "  5.0", "Dev1/ao0") + Line(1, 0, 7, "  0.0", "  5.0", "dev3/AO0") + empty2,
         {"iIndex[0]=9 names no channel (7 found) but sChannel_Name[0] names Dev1/ao0: the line's voltage "
          "goes "
          "to Dev1/ao0"}},
        {"voltages outside every range of the board the voltage goes to",
         Line(0, 0, 1, "  0.0", " 12.0", "Dev1/ao0") + Line(1, 0, 7, " -1.0", "  5.0", "Dev3/ao0") + empty2,
         {"fValMax[0]=12.0 is outside every range of Dev1 (-10.000 to 10.000 V): NI-DAQmx refuses it",
          "fValMin[1]=-1.0 is outside every range of Dev3 (0.000 to 5.000 V): NI-DAQmx refuses it"}},
        // A key left out keeps the device's earlier value, which the text does not tell: not judged.
        {"a fitted line without a channel, and lines whose keys are left out",
         Line(0, 0, 1, "  0.0", "  5.0", "Dev1/ao0") + Line(1, 0, 0, "  0.0", "  5.0", "None") +
             "bEmpty[2]=0;iIndex[2]=3;",
         {"line [1] is fitted but has no channel (iIndex[1]=0): its power changes fail"}},
        {"values that do not scan",
         Line(0, 0, 1, "abc", "4,5", "Dev1/ao0") + Line(1, 0, 5, "  0.0", "  5.0", "Dev2/ao0") + empty2,
         {"fValMin[0]=abc is not a number: it is not read",
          "fValMax[0]=4,5 is read as 4: the rest is ignored"}},
        {"a key not followed by =",
         "bEmpty[0]=0;iIndex[0] 1;fValMin[0]=  0.0;fValMax[0]=  5.0;sChannel_Name[0]=Dev1/ao0;" +
             Line(1, 0, 2, "  0.0", "  5.0", "Dev1/ao1") + empty2,
         {"iIndex[0] is not followed by \"=\": it is not read"}},
    };
    std::string script = "create\nconnect m_iCOMPort=" + Com(unit) + ";\n";
    for (const auto& c : cases)
        script += "check " + c.text + "\nconfigure " + c.text + "\n";
    TempStore store("check");
    ProcessResult r = Qvhost(RealClassOptions(store) + L"-", script);
    ASSERT_TRUE(r.finished);
    std::vector<std::vector<std::string>> commands = Commands(r.output);
    ASSERT_EQ(2 + 2 * (sizeof cases / sizeof cases[0]), commands.size()) << r.output;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::vector<std::string>& check = commands[2 + 2 * i];
        const std::vector<std::string>& configure = commands[3 + 2 * i];
        EXPECT_EQ(cases[i].findings, After(check, "finding ")) << r.output;
        EXPECT_EQ(cases[i].findings, After(configure, "log WARNING: CQvAOMTAVO::ConfigureDevice - "))
            << "the device's own lines";
        EXPECT_EQ("result 0 state 2", configure.front()) << "taken as documented";
        EXPECT_EQ("ok", configure.back());
    }
}

// The scan's suggestion is a text the device takes without a finding, and its first line then drives its
// channel.
TEST(QvhostCheck, TheScansSuggestionConfiguresTheUnitWithNothingFound) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    DaqScenario boards(kBoards);
    ASSERT_TRUE(boards.Written());
    TempStore store("suggest");
    QvhostRunning host(RealClassOptions(store) + L"-");
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.Send("scan " + Com(unit) + "\n"));
    ASSERT_TRUE(host.WaitFor("suggestion: a starting point only", 20000)) << host.Output();
    std::vector<std::string> connect = LinesStartingWith(host.Output(), "suggestion: connect ");
    std::vector<std::string> configure = LinesStartingWith(host.Output(), "suggestion: configure ");
    ASSERT_EQ(1u, connect.size());
    ASSERT_EQ(1u, configure.size());
    const std::string text = configure[0].substr(configure[0].find("bEmpty"));
    ASSERT_TRUE(host.Send("check " + text + "\ncreate\n" + connect[0].substr(12) + "\n" +
                          configure[0].substr(12) + "\npower 0 100\nvoltages\n"));
    ProcessResult r = host.Finish();
    EXPECT_NE(std::string::npos, r.output.find("check: nothing found\nok\n")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("result 0 state 2\nok\n")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("WARNING")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("channel Dev1/ao0 volts 5.000\n")) << r.output;
}

// NI MAX's test panel and Reset Device: NI's answers, and the connected device's channels left alone.
TEST(QvhostDaq, WritesOneChannelResetsABoardAndLeavesTheDevicesChannelsAlone) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    DaqScenario boards(kBoards);
    ASSERT_TRUE(boards.Written());
    TempStore store("daqpanel");
    std::string script =
        std::string("create\nconnect m_iCOMPort=") + Com(unit) + ";\nconfigure " + kConfiguration + "\n";
    struct {
        const char* command;
        std::string answer; // the line before the status, or the status line itself when it fails
    } steps[] = {
        {"daq write Dev1/ao2 2.5",
         "daq Dev1/ao2 holds 2.500 V (channel range -10.000 to 10.000 V; the task was "
         "cleared)"},
        {"daq write dev1/AO0 1", "error 1: daq write: dev1/AO0 drives unit line 1 of the connected device: "
                                 "disconnect it first"},
        {"daq write Dev3/ao0 7", "error 21: daq write: DAQmxWriteAnalogScalarF64 failed with NI-DAQmx code "
                                 "-200561: "},
        {"daq write Dev9/ao0 1", "error 21: daq write: DAQmxCreateAOVoltageChan failed with NI-DAQmx code "
                                 "-200170: "},
        {"daq write Dev1/ao2 2,5", "error 12: daq write takes the volts as a number such as 2.5, not '2,5'"},
        {"daq reset Dev2", "daq Dev2 was reset (DAQmxResetDevice answered 0)"},
        {"daq reset Dev9", "error 21: daq reset: DAQmxResetDevice failed with NI-DAQmx code -200220: "},
        {"daq format Dev1", "error 12: usage: daq write CHANNEL VOLTS, or daq reset DEVICE"},
        {"voltages", "channel Dev1/ao2 volts 2.500"},
    };
    for (const auto& s : steps)
        script += std::string(s.command) + "\n";
    ProcessResult r = Qvhost(RealClassOptions(store) + L"-", script);
    ASSERT_TRUE(r.finished);
    std::vector<std::vector<std::string>> commands = Commands(r.output);
    ASSERT_EQ(3 + sizeof steps / sizeof steps[0], commands.size()) << r.output;
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        SCOPED_TRACE(steps[i].command);
        const std::vector<std::string>& lines = commands[3 + i];
        EXPECT_NE(lines.end(), std::find_if(lines.begin(), lines.end(),
                                            [&](const std::string& line) {
                                                return line.compare(0, steps[i].answer.size(),
                                                                    steps[i].answer) == 0;
                                            }))
            << r.output;
    }
    // The refused channel keeps what the device wrote: its line's 0 %.
    EXPECT_NE(std::string::npos, r.output.find("channel Dev1/ao0 volts 0.000\n")) << r.output;
}

} // namespace
