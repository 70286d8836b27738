// Bringing a unit up with qvhost: what is connected (scan), what the host hears as it happens (monitor),
// and the module's own log lines shown with the command they came in.
#include "qvhost_run.h"

#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits.h>
#include <stdlib.h>

using tavosim_unit::TavoSimOptions;
using tavosim_unit::TavoSimUnit;

namespace {

std::string Com(const TavoSimUnit& unit) {
    return std::to_string(unit.com_port());
}

// The milliseconds of a monitor line "+1234 ms ..." ("-20 ms ..." for what arrived before it started), or
// kNoTime when the line is not one.
const long long kNoTime = LLONG_MIN;
long long MonitorTime(const std::string& line) {
    size_t ms = line.find(" ms ");
    if (line.empty() || (line[0] != '+' && line[0] != '-') || ms == std::string::npos) return kNoTime;
    return atoll(line.substr(0, ms).c_str());
}

std::string LineWith(const std::string& output, const std::string& text) {
    for (const std::string& line : OutputLines(output))
        if (line.find(text) != std::string::npos) return line;
    return std::string();
}

TEST(QvhostScan, FindsTheUnitOnItsPortAndListsTheBoardsAndSendsNothingElse) {
    TavoSimOptions options;
    options.firmware = "TAVO 3.10";
    TavoSimUnit unit(options), silent;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_TRUE(silent.ok()) << silent.error();
    ASSERT_TRUE(silent.set_fault("silent"));
    DaqScenario boards("board Dev1 product 6733 range -10 10 channels ao0:3\n"
                       "board Dev2 product 6229 bus 12583 range -5 5 range -1 1 channels ao0 ao1\n"
                       "board Dev3 channels\nfault DAQmxGetDevProductType Dev2 -200220\n");
    ASSERT_TRUE(boards.Written());
    TempStore store("scan");
    ProcessResult r =
        Qvhost(RealClassOptions(store) + L"-", "scan " + Com(unit) + " " + Com(silent) + " 254\n");
    ASSERT_TRUE(r.finished);
    std::vector<std::string> lines = OutputLines(r.output);
    ASSERT_LE(19u, lines.size()) << r.output; // the library's text of a failure may hold a line break
    EXPECT_EQ("scan: the unit's version request (rVER, 9600 8N1) goes to each free COM port, at most 1000 ms "
              "each; nothing else is sent or written",
              lines[0]);
    EXPECT_EQ("port COM" + Com(unit) + ": free; the unit answered \"TAVO 3.10\"", lines[1]);
    EXPECT_EQ("port COM" + Com(silent) + ": free; no answer to the version request within 1000 ms", lines[2]);
    EXPECT_EQ("port COM254: no such port", lines[3]);
    EXPECT_EQ(0u, lines[4].find("nidaqmx: ")) << lines[4];
    EXPECT_NE(std::string::npos, lines[4].find("\\full\\nicaiu.dll, version 8.9")) << lines[4];
    EXPECT_EQ("board Dev1: PCI-6733 (product number 0x1A4D), bus PCI; 4 analog outputs Dev1/ao0, Dev1/ao1, "
              "Dev1/ao2, Dev1/ao3; ranges -10.000 to 10.000 V",
              lines[5]);
    // Each channel with the number a configuration text gives it, counted over the boards in their order.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ("channel Dev1/ao" + std::to_string(i) + ": iIndex " + std::to_string(i + 1), lines[6 + i]);
    // A query that fails is named under its board, whose other answers are still shown.
    EXPECT_EQ("board Dev2: product unknown (product number 0x1855), bus PXI; 2 analog outputs Dev2/ao0, "
              "Dev2/ao1; ranges -5.000 to 5.000 V, -1.000 to 1.000 V",
              lines[10]);
    EXPECT_EQ(0u, lines[11].find("board Dev2: DAQmxGetDevProductType failed with NI-DAQmx code -200220: "))
        << lines[11];
    size_t at = 12;
    while (at < lines.size() && lines[at].compare(0, 8, "channel ") != 0)
        ++at; // the rest of the library's text
    ASSERT_LE(at + 7, lines.size()) << r.output;
    EXPECT_EQ("channel Dev2/ao0: iIndex 5", lines[at]);
    EXPECT_EQ("channel Dev2/ao1: iIndex 6", lines[at + 1]);
    EXPECT_EQ("board Dev3: PCI-6272 (product number 0x1880), bus PCI; no analog outputs; ranges -10.000 to "
              "10.000 V",
              lines[at + 2]);
    // A text to start from for the unit found, said to be a suggestion.
    EXPECT_EQ("suggestion: connect m_iCOMPort=" + Com(unit) + ";", lines[at + 3]);
    EXPECT_EQ("suggestion: configure bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;"
              "fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;"
              "fValMax[1]=  5.0;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;bEmpty[2]=0;iIndex[2]=3;"
              "fValMin[2]=  0.0;fValMax[2]=  5.0;fValLambda[2]=640.0;sChannel_Name[2]=Dev1/ao2;",
              lines[at + 4]);
    EXPECT_EQ(0u, lines[at + 5].find("suggestion: a starting point only, ")) << lines[at + 5];
    EXPECT_EQ("ok", lines.back());

    // The version request at the unit's settings, and nothing else: no line command, no state change.
    EXPECT_EQ(std::vector<std::string>({R"(RX "rVER\r")", R"(TX "aVERTAVO 3.10\r\n")"}), unit.transcript());
    EXPECT_EQ(std::vector<std::string>({R"(RX "rVER\r")"}), silent.transcript());
    EXPECT_EQ("baud 9600 bits 8 parity none stop 1 crtscts 0 ixon 0", unit.settings());
    EXPECT_EQ("line 0 mask 0 bino 0", unit.state());
    EXPECT_FALSE(FileExists(store.Path())) << "a scan keeps nothing";
}

// The device's own port is left alone: a second opening would take the replies of its polls.
TEST(QvhostScan, ThePortOfTheHostsConnectedDeviceIsBusyAndNotTouched) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("scanbusy");
    QvhostRunning host(RealClassOptions(store) + L"-");
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.Send("create\nconnect m_iCOMPort=" + Com(unit) + ";\n"));
    ASSERT_TRUE(host.WaitFor("state 3\nok\n", 20000)) << host.Output();
    ASSERT_TRUE(unit.clear_transcript());
    ASSERT_TRUE(host.Send("scan " + Com(unit) + "\n"));
    std::string busy = "port COM" + Com(unit) +
                       ": busy: this host's device holds it; not probed (disconnect to "
                       "probe it)\n";
    ASSERT_TRUE(host.WaitFor(busy, 20000)) << host.Output();
    ASSERT_TRUE(host.Send("disconnect\n"));
    ASSERT_TRUE(host.WaitFor("state 0\nok\n", 20000)) << host.Output();
    std::vector<std::string> transcript = unit.transcript();
    EXPECT_EQ(transcript.end(), std::find(transcript.begin(), transcript.end(), R"(RX "rVER\r")"))
        << "the scan sent nothing to the connected unit";
}

// What the unit sent, as its transcript escapes it (the same rules as the device's log, whose garbage holds
// no quote), without the line end: from its last TX line.
std::string LastReply(TavoSimUnit& unit) {
    std::string reply;
    for (const std::string& line : unit.transcript())
        if (line.compare(0, 4, "TX \"") == 0) reply = line.substr(4, line.size() - 5);
    const std::string end = "\\r\\n";
    if (reply.size() >= end.size() && reply.compare(reply.size() - end.size(), end.size(), end) == 0)
        reply.resize(reply.size() - end.size());
    return reply;
}

// After a failed connect the device has closed its port, so the scan probes it like any other; a unit's
// garbage then reads the same in the scan as in the device's own line about the connect.
TEST(QvhostScan, AfterAFailedConnectThePortIsProbedAndGarbageReadsAsInTheLog) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_TRUE(unit.set_fault("garble"));
    TempStore store("scanfailed");
    QvhostRunning host(RealClassOptions(store) + L"-");
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.Send("create\nconnect m_iCOMPort=" + Com(unit) + ";\n"));
    ASSERT_TRUE(host.WaitFor("state 3\n", 30000)) << host.Output();
    ASSERT_TRUE(host.WaitFor("\nok\n", 30000)) << host.Output();
    std::string garbage = LastReply(unit);
    ASSERT_FALSE(garbage.empty());
    ASSERT_TRUE(unit.clear_transcript());
    ASSERT_TRUE(host.Send("scan " + Com(unit) + "\n"));
    ASSERT_TRUE(host.WaitFor("suggestion: ", 20000)) << host.Output();
    std::string output = host.Finish().output;
    EXPECT_NE(std::string::npos,
              output.find("log ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: the unit on COM" +
                          Com(unit) + " at 9600 8N1 answered the version request with '" + garbage + "'\n"))
        << output;
    EXPECT_NE(std::string::npos,
              output.find("port COM" + Com(unit) + ": free; an answer that is not the unit's: \"" +
                          LastReply(unit) + "\"\n"))
        << output;
    for (unsigned char c : output)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F))
            << "a byte of the unit's shown as it came: " << int(c);
}

// A front-panel change and a pulled cable reach the screen as they happen, in order, with their times.
TEST(QvhostMonitor, ShowsAFrontPanelChangeAndAPulledCableAsTheyHappen) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("monitor");
    QvhostRunning host(RealClassOptions(store) + L"-");
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.Send("create\nconnect m_iCOMPort=" + Com(unit) + ";\nconfigure " + kConfiguration +
                          "\nawait 2\nnotifications\nmonitor 15\n"));
    ASSERT_TRUE(host.WaitFor("monitor: 15 s of change records and module log lines, each after the ms since "
                             "this command started (Ctrl+C ends it early)\n",
                             20000))
        << host.Output();
    ASSERT_TRUE(unit.select_line(2));
    const std::string panel = " ms multilaser 101 used 0 1 0 power 0.0 0.0 0.0 position -1 (from the unit)\n";
    ASSERT_TRUE(host.WaitFor(panel, 10000)) << host.Output();
    ASSERT_TRUE(unit.hangup());
    const std::string lost = " ms log ERROR: CQvAOMTAVO::Main - line to the unit lost after 3 failed polls; "
                             "reopening COM" +
                             Com(unit) + " every 1000 ms\n";
    ASSERT_TRUE(host.WaitFor(lost, 10000)) << host.Output();
    ASSERT_TRUE(unit.plug());
    const std::string back = " ms log CQvAOMTAVO::Main - line to the unit back on COM" + Com(unit) + "\n";
    ASSERT_TRUE(host.WaitFor(back, 10000)) << host.Output();
    std::string output = host.Finish().output;
    long long atPanel = MonitorTime(LineWith(output, panel.substr(0, panel.size() - 1)));
    long long atLost = MonitorTime(LineWith(output, lost.substr(0, lost.size() - 1)));
    long long atBack = MonitorTime(LineWith(output, back.substr(0, back.size() - 1)));
    EXPECT_LE(0, atPanel) << output;
    EXPECT_LT(atPanel, atLost) << output;
    EXPECT_LT(atLost, atBack) << output;
    EXPECT_GT(15000, atBack) << output;
    // Every line of the monitor has its time, and its status line ends it.
    std::vector<std::string> lines = OutputLines(output);
    auto header = std::find_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return l.compare(0, 9, "monitor: ") == 0; });
    ASSERT_NE(lines.end(), header);
    ASSERT_EQ("ok", lines.back());
    for (auto line = header + 1; line + 1 != lines.end(); ++line)
        EXPECT_NE(kNoTime, MonitorTime(*line)) << *line;
}

// With --log-comm the serial exchanges go to the log file and only the module's ERROR lines to the screen,
// each before the status line of the command that ran while it was written: here one of the poll's, which
// the host learns of at no call of its own.
TEST(QvhostLog, SerialLinesGoToTheLogFileAndAnErrorToTheScreenBeforeItsCommandsStatus) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("loglines");
    std::wstring log = store.Path() + L".log";
    DeleteFileW(log.c_str());
    QvhostRunning host(RealClassOptions(store) + L"--log \"" + log + L"\" --log-comm -");
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(
        host.Send("create\nconnect m_iCOMPort=" + Com(unit) + ";\nconfigure " + kConfiguration + "\n"));
    ASSERT_TRUE(host.WaitFor("result 0 state 2\n", 20000)) << host.Output();
    ASSERT_TRUE(unit.hangup());
    ASSERT_TRUE(host.Send("wait 8000\nstate\n"));
    std::vector<std::string> lines = OutputLines(host.Finish().output);
    std::string text;
    EXPECT_TRUE(ReadWholeFile(log, text));
    DeleteFileW(log.c_str());
    EXPECT_NE(std::string::npos, text.find("CQvTAVOPort::Command 'RdVersion', req:'rVER")) << text;
    for (const std::string& line : lines)
        EXPECT_TRUE(line.compare(0, 4, "log ") != 0 || line.compare(0, 11, "log ERROR: ") == 0) << line;
    const std::string lost =
        "log ERROR: CQvAOMTAVO::Main - line to the unit lost after 3 failed polls; reopening "
        "COM" +
        Com(unit) + " every 1000 ms";
    auto at = std::find(lines.begin(), lines.end(), lost);
    ASSERT_NE(lines.end(), at) << "in:\n" << host.Output();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), lost));
    auto status =
        std::find_if(at, lines.end(), [](const std::string& l) { return l.compare(0, 4, "log ") != 0; });
    ASSERT_NE(lines.end(), status);
    EXPECT_TRUE(*status == "ok" || status->compare(0, 6, "error ") == 0)
        << "printed within a command's output, before its status line, not: " << *status;
}

} // namespace
