// The real device class on a COM port with a simulated unit behind it and the NI-DAQmx stand-in, driven
// through qvhost.exe as a user drives it.
#include "qvhost_run.h"

#include "moduleloader.h"
#include "tavosim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using tavosim_fixture::TavoSimUnit;

namespace {

const char kConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.5;fValMax[1]=  4.5;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;"
    "bEmpty[2]=0;iIndex[2]=3;fValMin[2]=  0.0;fValMax[2]=  "
    "5.0;fValLambda[2]=640.0;sChannel_Name[2]=Dev1/ao2;";

std::wstring RealClassOptions(const TempStore& store) {
    return L"--class CQvAOMTAVO --daq-dir \"" + FakeDaqmxDir("full") + L"\" " + store.Option();
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// After a restart the host shows the stored power: the first power of the line reaches its AOM even so.
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
              // 0.5 V + 25 % of the 4 V span
              "channel Dev1/ao1 volts 1.500\nok\n"
              "state 2 shutter open\nok\n"
              "result 0\nok\nstate 0\nok\n",
              r.output);
    std::vector<std::string> transcript = unit.transcript();
    EXPECT_TRUE(Has(transcript, R"(RX "cTSO2\r")")) << "opening the shutter selected line 2 (1-based)";
    EXPECT_TRUE(Has(transcript, R"(RX "cTSC\r")")) << "closing the shutter";
    EXPECT_EQ("line 0 mask 0 bino 0", unit.state());

    ProcessResult again =
        Qvhost(RealClassOptions(store) + L"-", "create\nconnect\nconfigure\nlines\npower 1 25\nvoltages\n");
    ASSERT_TRUE(again.finished);
    EXPECT_NE(std::string::npos, again.output.find("power 25.0 wavelength 561")) << again.output;
    EXPECT_EQ(std::vector<std::string>({"channel Dev1/ao1 volts 1.500"}),
              LinesStartingWith(again.output, "channel "))
        << again.output;
}

TEST(QvhostUnit, DemoWithTheRealClassReportsTheRecordedVoltage) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("demo");
    ProcessResult r = Qvhost(RealClassOptions(store) + L"--com " + std::to_wstring(unit.com_port()), "");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    for (const char* line :
         {"Configured: state 2, standard mode (one line at a time)",
          "The NI-DAQmx stand-in recorded these AOM voltages:\n  Dev1/ao1: 2.250 V\n",
          "Shutter opened: result 0, the device reports it open.\n", "Disconnected: state 0.\n"})
        EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
    EXPECT_TRUE(Has(unit.transcript(), R"(RX "cTSO2\r")"));
}

} // namespace
