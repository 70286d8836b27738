// A session with the simulated device as a user scripts it: connect, configure with a settings text
// holding blanks, switch and set the lines, the shutter, what the host received, the store that later
// runs restore from, and a script file.
#include "qvhost_run.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(QvhostSession, SimulatorSessionEndToEnd) {
    TempStore store("session");
    std::string script = std::string("create\nconnect\nconfigure ") + kConfiguration +
                         "\n"
                         // The first status poll after configure pushes both states to the host.
                         "await 2\nnotifications\nlines\n"
                         "used 1 1\npower 1 50\nshutter open\nstate\nnotifications\nmacros\nsave\nquit\n";
    ProcessResult r = Qvhost(store.Option() + L"-", script);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode);
    std::string expected =
        std::string("created CQvAOMTAVOSim\nok\n"
                    "state 3\nok\n"
                    "result 0 state 2\nok\n"
                    "ok\n"
                    "multilaser 101 used 1 0 0 power 0.0 0.0 0.0 position -1 (from the unit)\n"
                    "shutter 102 open 0\nok\n"
                    "line 0 (unit line 1) used 1 power 0.0 wavelength 488 name Blue\n"
                    "line 1 (unit line 2) used 0 power 0.0 wavelength 561 name Green Line\nok\n"
                    "result 0\nok\n"
                    "result 0\nok\n"
                    "result 0\nok\n"
                    "state 2 shutter open\nok\n"
                    "multilaser 101 used 0 1 0 power 0.0 0.0 0.0 position 1 (unit line 2)\n"
                    "multilaser 101 used 0 1 0 power 0.0 50.0 0.0 position 1 (unit line 2)\n"
                    "shutter 102 open 1\nok\n"
                    "ok\n"
                    "setting AOMTAVO_MultiLaser=m_uWavelengthExcitation0=488;m_dPower0=  0.0;"
                    "m_uWavelengthExcitation1=561;m_dPower1= 50.0;"
                    "m_uWavelengthExcitation2=640;m_dPower2=  0.0;\n"
                    "setting TAVO=ShutterType=0|\n"
                    "setting configuration=") +
        kConfiguration + "\nsetting connection=\nok\nok\n";
    // Compared as written: lines end in LF alone into a pipe (standard output) and a file (standard error).
    EXPECT_EQ(expected, r.output);
    EXPECT_EQ(std::string::npos, r.errors.find('\r')) << r.errors;
    EXPECT_NE(std::string::npos, r.errors.find("qvhost: the store is ")) << r.errors;
    EXPECT_FALSE(FileExists(store.Path() + L".new")) << "the store is renamed into place";
}

TEST(QvhostSession, SettingsAreSavedAtExitAndAtDisconnectWithoutASaveCommand) {
    TempStore store("exit");
    // The store is written after configure; the power set later reaches it only at exit.
    ProcessResult first = Qvhost(store.Option() + L"-", std::string("create\nconnect\nconfigure ") +
                                                            kConfiguration + "\npower 0 25.5\n");
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(0u, first.exitCode) << first.output;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(store.Path(), text));
    EXPECT_EQ(0u, text.find("qvhost-store 1\n")) << text;
    EXPECT_NE(std::string::npos, text.find("m_dPower0= 25.5;")) << text;

    // A reset leaves the device to be configured again; disconnecting takes the settings before the
    // logical devices go, and a reset of a disconnected device is refused.
    ProcessResult second =
        Qvhost(store.Option() + L"-", "create\nconnect\nconfigure\nreset\nlines\nconfigure\n"
                                      "power 1 75\ndisconnect\nstate\nreset\n");
    EXPECT_EQ("created CQvAOMTAVOSim\nok\nstate 3\nok\nresult 0 state 2\nok\n"
              "result 10 state 1\nok\n"
              "error 1: not configured: use configure first\n"
              "result 0 state 2\nok\n"
              "result 0\nok\n"
              "state 0\nok\n"
              "state 0 shutter -\nok\n"
              "result 1 state 0\nerror 1: the device is not connected: use connect first\n",
              second.output);
    ProcessResult third = Qvhost(store.Option() + L"-", "create\nconnect\nconfigure\nlines\n");
    EXPECT_EQ(
        std::vector<std::string>({"line 0 (unit line 1) used 1 power 25.5 wavelength 488 name Blue",
                                  "line 1 (unit line 2) used 0 power 75.0 wavelength 561 name Green Line"}),
        LinesStartingWith(third.output, "line "));
}

// The store is where the command is typed (a relative --store too), and standard error says which it is and
// whether it holds settings of an earlier session.
TEST(QvhostSession, TheStoreIsInTheCurrentFolderAndWhatItHoldsIsAnnounced) {
    TempStore name("folder");
    std::wstring folder = name.Path() + L".d";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    std::string where(folder.begin(), folder.end());
    std::string configure = std::string("create\nconnect\nconfigure ") + kConfiguration + "\n";
    ProcessResult first = Qvhost(L"-", configure, folder.c_str());
    ProcessResult relative = Qvhost(L"--store sub.store -", configure, folder.c_str());
    ProcessResult again = Qvhost(L"-", "create\n", folder.c_str());
    bool stored = FileExists(folder + L"\\qvhost.store"),
         storedRelative = FileExists(folder + L"\\sub.store");
    for (const wchar_t* file : {L"\\qvhost.store", L"\\sub.store"})
        DeleteFileW((folder + file).c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_TRUE(stored);
    EXPECT_TRUE(storedRelative);
    EXPECT_EQ("qvhost: the store is " + where + "\\qvhost.store (nothing stored yet)\n", first.errors);
    EXPECT_EQ("qvhost: the store is " + where + "\\sub.store (nothing stored yet)\n", relative.errors);
    EXPECT_EQ(
        "qvhost: the store is " + where +
            "\\qvhost.store; it holds settings of an earlier session (AOMTAVO_MultiLaser, TAVO, "
            "configuration, connection (empty)): connect and configure without a text use them, --store "
            "names another\n",
        again.errors);
    EXPECT_EQ(std::string::npos, first.output.find("qvhost:")) << "notes stay off the commands' output";
}

// A script file (a comment and a blank line in it, quit ends it) asking what the module tells before a
// connect.
TEST(QvhostSession, ScriptFileReportsVersionRecordsAndTheDevicesIdentity) {
    TempStore store("file");
    std::wstring script = store.Path() + L".txt";
    ASSERT_TRUE(WriteWholeFile(script, "# a script file\r\n\r\nversions\r\ncreate\r\ninfo\r\nstate\r\n"
                                       "create CQvAOMTAVO\r\ninfo\r\nquit\r\nclasses\r\n"));
    ProcessResult r = Qvhost(store.Option() + L"\"" + script + L"\"", "");
    DeleteFileW(script.c_str());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("error")) << r.output;
    for (const char* line :
         {"record <variant version=\"1.0\"><QV_GLOB_FILEVERSION_WCS value=\"8, 203, 1273, 0\"/></variant>\n",
          "created CQvAOMTAVOSim\nok\n",
          "info 1 Orvia TAVO and AOM\ninfo 2 Orvia TAVO and AOM\ninfo 3 Orvia\ninfo 4 TAVO\n",
          "display name Orvia TAVO and AOM group Acquisition Controls icon 1002\n", "state 0 shutter -\nok\n",
          "created CQvAOMTAVO\nok\n"})
        EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
    EXPECT_EQ(2u, LinesStartingWith(r.output, "info 1 ").size()) << "both classes answer";
    EXPECT_TRUE(LinesStartingWith(r.output, "class ").empty()) << "quit ends the script";
}

} // namespace
