// The real device class on a COM port with a simulated unit behind it and the NI-DAQmx stand-in, driven
// through qvhost.exe as a user drives it.
#include "qvhost_run.h"

#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <algorithm>

using tavosim_unit::TavoSimUnit;

namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// After a restart the host shows the stored power, and the configure puts it on the line's AOM.
TEST(QvhostUnit, StandardUnitIsDrivenOverItsComPortAndTheAomGetsItsVoltageAlsoAfterARestart) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("unit");
    std::string connect = "connect m_iCOMPort=" + std::to_string(unit.com_port()) + ";\n";
    ProcessResult r = Qvhost(RealClassOptions(store) + L"--strict -",
                             "create\n" + connect + "configure " + kConfiguration +
                                 "\nused 1 1\nshutter open\npower 1 25\nvoltages\nstate\nshutter close\n"
                                 "disconnect\n");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ("created CQvAOMTAVO\nok\nstate 3\nok\nresult 0 state 2\nok\n"
              "result 0\nok\nresult 0\nok\nresult 0\nok\n"
              // line 0 at its recorded 0 %, line 1 at 25 % of 4.5 V
              "channel Dev1/ao0 volts 0.000\nchannel Dev1/ao1 volts 1.125\nok\n"
              "state 2 shutter open\nok\n"
              "result 0\nok\nstate 0\nok\n",
              r.output);
    std::vector<std::string> transcript = unit.transcript();
    EXPECT_TRUE(Has(transcript, R"(RX "cTSO2\r")")) << "opening the shutter selected line 2 (1-based)";
    EXPECT_TRUE(Has(transcript, R"(RX "cTSC\r")")) << "closing the shutter";
    EXPECT_EQ("line 0 mask 0 bino 0", unit.state());

    ProcessResult again =
        Qvhost(RealClassOptions(store) + L"-", "create\nconnect\nconfigure\nlines\nvoltages\n");
    ASSERT_TRUE(again.finished);
    EXPECT_NE(std::string::npos, again.output.find("power 25.0 wavelength 561")) << again.output;
    EXPECT_EQ(std::vector<std::string>({"channel Dev1/ao0 volts 0.000", "channel Dev1/ao1 volts 1.125"}),
              LinesStartingWith(again.output, "channel "))
        << again.output;
}

// The demo runs without input, with the simulator or, given a COM port, the real class, each step with its
// result; it keeps nothing.
TEST(QvhostUnit, DemoRunsWithEitherClassAndTheRealOneReportsTheRecordedVoltage) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("demo");
    for (bool real : {false, true}) {
        SCOPED_TRACE(real ? "real" : "simulator");
        ProcessResult r = Qvhost(real ? RealClassOptions(store) + L"--com " + std::to_wstring(unit.com_port())
                                      : store.Option(),
                                 "");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        for (const char* line :
             {"Configured: state 2, standard mode (one line at a time); the host gave the multi-laser id 101 "
              "and the shutter id 102.\n",
              "Line 1 (unit line 2) switched on: result 0, the device reports it on.\n",
              "Power of line 1 (unit line 2) set to 50.0 %: result 0, the device reports 50.0 %.\n",
              "Shutter opened: result 0, the device reports it open.\n",
              "Shutter closed: result 0, the device reports it closed.\n", "Disconnected: state 0.\n"})
            EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
        EXPECT_EQ(real, r.output.find("The NI-DAQmx stand-in recorded these AOM voltages:\n") !=
                                std::string::npos &&
                            r.output.find("  Dev1/ao1: 2.250 V\n") != std::string::npos)
            << r.output;
        EXPECT_EQ(real, Has(unit.transcript(), R"(RX "cTSO2\r")"));
        EXPECT_FALSE(FileExists(store.Path()));
    }
}

} // namespace
