// A session with the simulated device as a user scripts it: connect, configure with a settings text
// holding blanks, switch and set the lines, the shutter, what the host received, and the store that a
// second run restores from; a script file, and the demo.
#include "qvhost_run.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const char kConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "sLineName[0]=Blue;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    "sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green Line;bEmpty[2]=1;iIndex[2]=0;fValMin[2]=  0.0;"
    "fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;";

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
                    "multilaser 101 used 1 0 0 power 0.0 0.0 0.0 position -1\n"
                    "shutter 102 open 0\nok\n"
                    "line 0 used 1 power 0.0 wavelength 488 name Blue\n"
                    "line 1 used 0 power 0.0 wavelength 561 name Green Line\nok\n"
                    "result 0\nok\n"
                    "result 0\nok\n"
                    "result 0\nok\n"
                    "state 2 shutter open\nok\n"
                    "multilaser 101 used 0 1 0 power 0.0 0.0 0.0 position 1\n"
                    "multilaser 101 used 0 1 0 power 0.0 50.0 0.0 position 1\n"
                    "shutter 102 open 1\nok\n"
                    "ok\n"
                    "setting AOMTAVO_MultiLaser=m_uWavelengthExcitation0=488;m_dPower0=  0.0;"
                    "m_uWavelengthExcitation1=561;m_dPower1= 50.0;"
                    "m_uWavelengthExcitation2=640;m_dPower2=  0.0;\n"
                    "setting AOMTAVO_Shutter=ShutterType=0|\n"
                    "setting configuration=") +
        kConfiguration + "\nsetting connection=\nok\nok\n";
    EXPECT_EQ(expected, r.output);
    EXPECT_FALSE(FileExists(store.Path() + L".new")) << "the store is renamed into place";

    // A second run: connect and configure from the store; the power comes back with the multi-laser's
    // settings, the names and wavelengths with the configuration.
    ProcessResult again = Qvhost(store.Option() + L"-", "create\nconnect\nconfigure\nlines\nstate\n");
    ASSERT_TRUE(again.finished);
    EXPECT_EQ("created CQvAOMTAVOSim\nok\nstate 3\nok\nresult 0 state 2\nok\n"
              "line 0 used 1 power 0.0 wavelength 488 name Blue\n"
              "line 1 used 0 power 50.0 wavelength 561 name Green Line\nok\n"
              "state 2 shutter closed\nok\n",
              again.output);
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
              "result 1 state 0\nerror 1: the device refused the reset\n",
              second.output);
    ProcessResult third = Qvhost(store.Option() + L"-", "create\nconnect\nconfigure\nlines\n");
    EXPECT_EQ(std::vector<std::string>({"line 0 used 1 power 25.5 wavelength 488 name Blue",
                                        "line 1 used 0 power 75.0 wavelength 561 name Green Line"}),
              LinesStartingWith(third.output, "line "));
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
          "created CQvAOMTAVOSim\nok\n", "info 1 Orvia TAVO and AOM\n", "info 3 Orvia\n", "info 4 TAVO\n",
          "display name Orvia TAVO and AOM group Acquisition Controls icon 1002\n", "state 0 shutter -\nok\n",
          "created CQvAOMTAVO\nok\n"})
        EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
    EXPECT_EQ(2u, LinesStartingWith(r.output, "info 1 ").size()) << "both classes answer";
    EXPECT_TRUE(LinesStartingWith(r.output, "class ").empty()) << "quit ends the script";
}

TEST(QvhostSession, DemoRunsWithoutInputAndKeepsNothing) {
    TempStore store("demo");
    ProcessResult demo = Qvhost(store.Option(), "");
    ASSERT_TRUE(demo.finished);
    EXPECT_EQ(0u, demo.exitCode) << demo.output;
    for (const char* line :
         {"It registers the device classes CQvAOMTAVO, CQvAOMTAVOSim.\n",
          "  <variant version=\"1.0\"><QV_GLOB_FILEVERSION_WCS value=\"8, 203, 1273, 0\"/></variant>\n",
          "Configured: state 2, standard mode (one line at a time); the host gave the multi-laser id 101 "
          "and the shutter id 102.\n",
          "  line 1: 561 nm, \"Green\", power 0.0 %\n",
          "Line 1 switched on: result 0, the device reports it on.\n",
          "Power of line 1 set to 50.0 %: result 0, the device reports 50.0 %.\n",
          "Shutter opened: result 0, the device reports it open.\n",
          "Shutter closed: result 0, the device reports it closed.\n",
          "  multilaser 101 used 0 1 0 power 0.0 50.0 0.0 position 1\n", "Disconnected: state 0.\n"})
        EXPECT_NE(std::string::npos, demo.output.find(line)) << line << "\nin:\n" << demo.output;
    EXPECT_FALSE(FileExists(store.Path())) << "the demo keeps nothing";
}

} // namespace
