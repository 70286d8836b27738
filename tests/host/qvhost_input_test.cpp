// Bad input: every command, argument, option, module and store a user can get wrong gets one clear
// error line and changes nothing.
#include "qvhost_run.h"

#include <gtest/gtest.h>

namespace {

// The output of each command: its own lines and its status line.
std::vector<std::string> PerCommand(const std::string& output) {
    std::vector<std::string> chunks(1);
    for (const std::string& line : OutputLines(output)) {
        chunks.back() += line + "\n";
        if (line == "ok" || line.compare(0, 6, "error ") == 0) chunks.emplace_back();
    }
    if (chunks.back().empty()) chunks.pop_back();
    return chunks;
}

// The numbers' own grammar is the HostNumbers cases'; here each command's refusals, once each.
TEST(QvhostInput, BadCommandsOnAConfiguredDeviceAreRefusedAndChangeNothing) {
    const struct {
        const char* command;
        const char* error;
    } cases[] = {
        {"frobnicate", "error 12: unknown command 'frobnicate' (help lists the commands)"},
        {"conect", "error 12: unknown command 'conect': did you mean 'connect'? (help lists the commands)"},
        {"power 1", "error 12: usage: power <line> <percent>"},
        {"power 1 50 7", "error 12: usage: power <line> <percent>"},
        {"power 2 50",
         "error 12: no line '2': the multi-laser has 2 lines, 0 to 1 in the host's numbering (unit "
         "lines 1 and 2)"},
        {"power 1 50,5", "error 12: power takes a percentage from 0 to 100, such as 12.5, not '50,5'"},
        {"power 1 100.1", "error 12: power takes a percentage from 0 to 100, such as 12.5, not '100.1'"},
        {"power 1 -0.5", "error 12: power takes a percentage from 0 to 100, such as 12.5, not '-0.5'"},
        {"used 0 2", "error 12: used takes 0 or 1, not '2'"},
        {"used 9 1",
         "error 12: no line '9': the multi-laser has 2 lines, 0 to 1 in the host's numbering (unit "
         "lines 1 and 2)"},
        {"used 1", "error 12: usage: used <line> <0|1>"},
        {"shutter ajar", "error 12: usage: shutter open|close"},
        {"shutter open now", "error 12: usage: shutter open|close"},
        {"wait 60001", "error 12: wait takes milliseconds from 0 to 60000, not '60001'"},
        {"wait", "error 12: wait takes milliseconds from 0 to 60000, not ''"},
        {"await 0", "error 12: await takes a count of change records from 1 to 32, not '0'"},
        {"lines now", "error 12: lines takes no argument"},
        {"connect", "error 1: already connected: disconnect first"},
        {"create", "error 1: the device is connected: disconnect it first"},
        {"voltages", "error 22: no NI-DAQmx library is loaded (the simulator writes none; connect the real "
                     "device class)"},
        {"monitor 0", "error 12: monitor takes seconds from 1 to 3600, not '0'"},
        {"monitor", "error 12: monitor takes seconds from 1 to 3600, not ''"},
        {"scan 255", "error 12: scan takes COM port numbers from 1 to 254, not '255'"},
        {"help me", "error 12: help takes no argument"},
        {"quit now", "error 12: quit takes no argument"},
    };
    TempStore store("badcommands");
    std::string script =
        "create\nconnect\nconfigure fValMax[0]=  5.0;sLineName[1]=Two;bEmpty[2]=1;\nused 1 1\npower 1 40\n"
        "await 4\nnotifications\nlines\nstate\n";
    for (const auto& c : cases)
        script += std::string(c.command) + "\n";
    script += "lines\nstate\nnotifications\n";
    ProcessResult r = Qvhost(store.Option() + L"-", script);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << "without --strict a failure does not stop the script";
    std::vector<std::string> chunks = PerCommand(r.output);
    const size_t first = 9, count = sizeof cases / sizeof cases[0];
    ASSERT_EQ(first + count + 3, chunks.size()) << r.output;
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(std::string(cases[i].error) + "\n", chunks[first + i]) << cases[i].command;
    EXPECT_EQ(
        "line 0 (unit line 1) used 0 power 0.0 wavelength 405 name -\nline 1 (unit line 2) used 1 power 40.0 "
        "wavelength 488 name Two\nok\n",
        chunks[first - 2]);
    EXPECT_EQ(chunks[first - 2], chunks[first + count]) << "the lines are as before";
    EXPECT_EQ(chunks[first - 1], chunks[first + count + 1]) << "the state is as before";
    EXPECT_EQ("ok\n", chunks[first + count + 2]) << "no command reached the device";
}

TEST(QvhostInput, CommandsNeedADeviceAndAConfiguration) {
    TempStore store("nodevice");
    ProcessResult r =
        Qvhost(store.Option() + L"-",
               "connect\nconfigure\nlines\npower 0 5\nshutter open\nstate\nreset\ndisconnect\ninfo\n"
               "create CQvNoSuchClass\ncreate\nconfigure\nlines\nused 0 1\nshutter close\nconnect\nlines\n");
    ASSERT_TRUE(r.finished);
    std::vector<std::string> chunks = PerCommand(r.output);
    std::vector<std::string> expected(9, "error 21: no device: use create first\n");
    expected.push_back("error 21: no class CQvNoSuchClass in the module\n");
    expected.push_back("created CQvAOMTAVOSim\nok\n");
    expected.push_back("result 1 state 0\nerror 1: the device is not connected: use connect first\n");
    for (int i = 0; i < 3; ++i)
        expected.push_back("error 1: not configured: use configure first\n");
    expected.push_back("state 3\nok\n");
    expected.push_back("error 1: not configured: use configure first\n");
    EXPECT_EQ(expected, chunks);
    EXPECT_FALSE(FileExists(store.Path())) << "nothing was configured: nothing to save";
}

// Help is made from the runner's own table of commands, one line each: its usage, then what it does.
TEST(QvhostInput, HelpListsEveryCommandOneALine) {
    TempStore store("help");
    ProcessResult r = Qvhost(store.Option() + L"-", "help\n");
    std::vector<std::string> lines = OutputLines(r.output);
    ASSERT_EQ(29u, lines.size()) << r.output;
    EXPECT_EQ("ok", lines.back());
    for (const char* usage : {"scan [PORT...]  ", "check [TEXT]  ", "daq write CHANNEL VOLTS|reset DEVICE "})
        EXPECT_EQ(1u, LinesStartingWith(r.output, usage).size()) << usage << " in\n" << r.output;
}

TEST(QvhostInput, StrictStopsAtTheFirstFailureAndOverlongLinesAreRefused) {
    TempStore store("strict");
    ProcessResult strict = Qvhost(L"--strict " + store.Option() + L"-", "classes\nfrobnicate\nclasses\n");
    EXPECT_EQ(1u, strict.exitCode);
    EXPECT_EQ(
        "class CQvAOMTAVO\nclass CQvAOMTAVOSim\nok\nerror 12: unknown command 'frobnicate' (help lists the "
        "commands)\n",
        strict.output);

    ProcessResult longLine =
        Qvhost(store.Option() + L"-", "configure " + std::string(5000, 'x') + "\nclasses\n");
    EXPECT_EQ(0u, longLine.exitCode);
    EXPECT_EQ(
        "error 12: line too long (at most 4094 characters)\nclass CQvAOMTAVO\nclass CQvAOMTAVOSim\nok\n",
        longLine.output);
}

TEST(QvhostInput, HelpAndBadOptionsModulesAndScriptsStopBeforeAnythingRuns) {
    struct {
        std::wstring arguments;
        unsigned long exitCode;
        const char* error;
    } cases[] = {
        {L"--help", 0, "usage: qvhost.exe [--module PATH] [--class NAME] [--store PATH]"},
        {L"--bogus -", 2, "error 12: unknown option --bogus\n"},
        {L"--store", 2, "error 12: --store needs a value\n"},
        {L"--com 0 -", 2, "error 12: --com takes a COM port number from 1 to 255\n"},
        {L"--language de -", 2, "error 12: --language takes a LANGID such as 1031\n"},
        {L"--daq-dir no-such-folder -", 2, "error 12: --daq-dir: no folder no-such-folder\n"},
        {L"--gui -", 2, "error 12: --gui takes no script\n"},
        {L"--scan -", 2,
         "error 12: --scan runs alone: give it no script and no --gui (a script can use the scan "
         "command)\n"},
        {L"--log-detail -", 2,
         "error 12: --log-detail and --log-comm write into the log file: give --log FILE too\n"},
        {L"--log-comm -", 2,
         "error 12: --log-detail and --log-comm write into the log file: give --log FILE too\n"},
        {L"no-such-script.txt", 2, "error 12: cannot open the script no-such-script.txt\n"},
        {L"--module no-such-module.dll -", 1, "error 21: cannot load no-such-module.dll: "},
        {L"--module no-such-module.dll -", 1, " (Windows error 126)\n"},
        {L"--module \"" + BesideExecutable(L"qvframework.dll") + L"\" -", 1, " is not a device module"},
    };
    for (const auto& c : cases) {
        ProcessResult r = Qvhost(c.arguments, "classes\n");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(c.exitCode, r.exitCode) << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.error)) << r.output;
        EXPECT_EQ(std::string::npos, r.output.find("class CQvAOMTAVO")) << "nothing runs";
    }
}

// Which contents are damaged is the HostStore cases'.
TEST(QvhostInput, DamagedStoreIsReportedAndLeftAsItWas) {
    const char damaged[] = "qvhost-store 1\nconnection=m_iCOMPort=3;"; // an interrupted write
    TempStore store("damaged");
    ASSERT_TRUE(WriteWholeFile(store.Path(), damaged));
    ProcessResult r = Qvhost(store.Option() + L"-", "create\nconnect\nconfigure\nsave\n");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_EQ(
        "error 12: the store " + std::string(store.Path().begin(), store.Path().end()) +
            " is damaged: its last line is incomplete; nothing was changed: repair or remove it, or give "
            "another --store\n",
        r.output);
    std::string after;
    ASSERT_TRUE(ReadWholeFile(store.Path(), after));
    EXPECT_EQ(damaged, after);
    EXPECT_FALSE(FileExists(store.Path() + L".new"));
}

TEST(QvhostInput, AFailedConnectKeepsTheStoredConnection) {
    TempStore store("failedconnect");
    ASSERT_TRUE(WriteWholeFile(store.Path(), "qvhost-store 1\nconnection=m_iCOMPort=7;\n"));
    // The real class on a COM port where no unit answers, with no NI-DAQmx library at all.
    ProcessResult r =
        Qvhost(RealClassOptions(store, "none") + L"-", "create\nconnect m_iCOMPort=254;\nstate\nconfigure\n");
    ASSERT_TRUE(r.finished);
    // The module's log lines on the causes are the QvhostCauses cases'.
    std::string output;
    for (const std::string& line : OutputLines(r.output))
        if (line.compare(0, 4, "log ") != 0) output += line + "\n";
    EXPECT_EQ(
        "created CQvAOMTAVO\nok\n"
        "message Error: The NI-DAQmx library is not correctly installed. Please, try to reinstall NI-DAQmx "
        "library, version 8.9.5 at least.\n"
        "state 3\nok\n"
        "state 3 shutter -\nok\n"
        "result 1 state 3\nerror 1: the device is not connected: its connect failed (a log line says why); "
        "disconnect, remove the cause (scan shows the ports and boards) and connect again\n",
        output);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(store.Path(), text));
    EXPECT_EQ("qvhost-store 1\nconnection=m_iCOMPort=7;\n", text);
}

} // namespace
