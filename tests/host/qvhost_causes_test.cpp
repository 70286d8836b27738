// Every failure says why: for each cause of a failed connect or power change, the module's one ERROR line
// reaches the screen with the command that failed, and the disconnect after a failed connect adds no
// time-out of a worker that never ran.
#include "qvhost_run.h"

#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <algorithm>

using tavosim_unit::TavoSimUnit;

namespace {

// One line on each of the first two outputs; the second has no channel.
const char kNoChannelConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "bEmpty[1]=0;iIndex[1]=0;fValMin[1]=  0.0;fValMax[1]=  5.0;fValLambda[1]=561.0;sChannel_Name[1]=None;"
    "bEmpty[2]=1;";

TEST(QvhostCauses, EachFailureShowsItsCauseWithTheCommandThatFailed) {
    TavoSimUnit unit, silent;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_TRUE(silent.ok()) << silent.error();
    ASSERT_TRUE(silent.set_fault("silent"));
    const std::string com = std::to_string(unit.com_port()), silentCom = std::to_string(silent.com_port());
    const std::string connect = "create\nconnect m_iCOMPort=" + com + ";\n";
    const std::string cannot = "log ERROR: CQvAOMTAVO::ConnectDevice - cannot connect: ";
    const std::string setPower = "log ERROR: CQvAOMTAVOMultiLaser::SetPower - line ";
    struct {
        const char* cause;
        const char* variant;  // of the NI-DAQmx stand-in
        const char* scenario; // null: its default board
        std::string script;
        std::string command; // the start of the failing command's first output line
        std::vector<std::string> fragments;
    } cases[] = {
        {"wrong COM port",
         "full",
         nullptr,
         "create\nconnect m_iCOMPort=254;\ndisconnect\n",
         "state 3",
         {cannot + "COM254 could not be opened ("}},
        {"silent unit",
         "full",
         nullptr,
         "create\nconnect m_iCOMPort=" + silentCom + ";\ndisconnect\n",
         "state 3",
         {cannot + "the unit did not answer the version request on COM" + silentCom + " at 9600 8N1"}},
        {"no NI-DAQmx library",
         "none",
         nullptr,
         connect + "disconnect\n",
         "state 3",
         {cannot + "the NI-DAQmx library nicaiu.dll was not found"}},
        {"refused version",
         "v7",
         nullptr,
         connect + "disconnect\n",
         "state 3",
         {cannot + "NI-DAQmx version 7.4 was refused (version 8 or later with every function is needed)"}},
        {"no board",
         "full",
         "# no board\n",
         connect + "disconnect\n",
         "state 3", // the unit connects, without AOM channels
         {"log ERROR: CQvAOMNIDAQPort Open - NI-DAQmx lists no board; the unit connects without AOM "
          "channels"}},
        {"line without a channel",
         "full",
         nullptr,
         connect + "configure " + kNoChannelConfiguration + "\npower 1 50\n",
         "result 21",
         {setPower, "it has no AOM channel"}},
        {"failed voltage write",
         "full",
         "board Dev1\nfault DAQmxWriteAnalogScalarF64 -200560\n",
         connect + "configure " + kConfiguration + "\npower 1 50\n",
         "result 21",
         {setPower,
          "the voltage write failed: DAQmxWriteAnalogScalarF64 failed with NI-DAQmx code -200560: "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        DaqScenario scenario(c.scenario);
        TempStore store("causes");
        ProcessResult r = Qvhost(RealClassOptions(store, c.variant) + L"-", c.script);
        ASSERT_TRUE(r.finished);
        std::vector<std::string> lines = OutputLines(r.output);
        // The failing command's own line (the last such), its module lines, then its status line.
        auto last = std::find_if(lines.rbegin(), lines.rend(), [&](const std::string& l) {
            return l.compare(0, c.command.size(), c.command) == 0;
        });
        if (last == lines.rend()) {
            ADD_FAILURE() << "no line " << c.command << " in:\n" << r.output;
            continue;
        }
        auto at = last.base() - 1;
        std::vector<std::string> logLines;
        for (++at; at != lines.end() && at->compare(0, 4, "log ") == 0; ++at)
            logLines.push_back(*at);
        EXPECT_TRUE(at != lines.end() && (*at == "ok" || at->compare(0, 6, "error ") == 0)) << r.output;
        EXPECT_EQ(1u, logLines.size()) << "one line for one failure:\n" << r.output;
        for (const std::string& fragment : c.fragments)
            EXPECT_TRUE(logLines.size() == 1 && logLines[0].find(fragment) != std::string::npos)
                << fragment << "\nin:\n"
                << r.output;
        EXPECT_EQ(std::string::npos, r.output.find("TIMEOUT")) << r.output;
    }
}

} // namespace
