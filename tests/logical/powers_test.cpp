// Each line's power as the host reads it is the voltage on the line's channel: after the host's own calls,
// after every way the device takes a record from the host, and after a board that was reset, left or came
// back, with no call of the host's.
#include "devicehost.h"
#include "fakedaqmx_control.h"
#include "logcapture.h"

#include <daqmx_functions.h>
#include <gtest/gtest.h>

namespace {

double HostPower(DeviceHost& host, int line) {
    double power = -1.0;
    host.laser().GetLinePower(line, &power);
    return power;
}

// Line 1 is unit line 2: 1 to 3 V on Dev1/ao1 (the two-line configuration).
double Line1Volts(double percent) {
    return 1.0 + 2.0 * static_cast<int>(percent * 10.0) / 1000.0;
}

// Each path on which the device takes a power or a span from the host writes what the host then reads; a
// power the channel already has is not written again.
TEST(Powers, AfterEveryPathTheHostsPowerIsOnTheChannel) {
    struct {
        const char* path;
        std::function<void(DeviceHost&)> step;
        double power; // the host reads for line 1 afterwards
        double volts; // on its channel Dev1/ao1
        int writes;   // the step made
    } cases[] = {
        {"a configure with the same text, the host's store at 0 %",
         [](DeviceHost& h) { h.session().Configure(nullptr); }, 0.0, Line1Volts(0), 1},
        {"a configure with the store's 25 %",
         [](DeviceHost& h) {
             h.session().CollectSettings();
             h.session().Configure(nullptr);
         },
         25.0, Line1Volts(25), 0},
        {"a configure with a new span",
         [](DeviceHost& h) {
             std::wstring text = kTwoLineConfiguration;
             text.replace(text.find(L"fValMax[1]=  3.0"), 16, L"fValMax[1]=  2.0");
             h.session().CollectSettings();
             h.session().Configure(&text);
         },
         25.0, 1.0 + 1.0 * 0.25, 1},
        {"a power within the same tenth of a percent",
         [](DeviceHost& h) { h.laser().SetPower(1, 25.06); }, 25.06, Line1Volts(25), 0},
        {"the device's configure alone with a new span, no settings after it",
         [](DeviceHost& h) { h.Configure(L"fValMax[1]=  2.0;"); }, 25.0, 1.0 + 1.0 * 0.25, 1},
        {"settings with 60 %",
         [](DeviceHost& h) { h.laser().LoadSettings(L"m_dPower1= 60.0;", CHostSession::kMultiLaserId); },
         60.0, Line1Volts(60), 1},
        {"a reconnect after the board was reset",
         [](DeviceHost& h) {
             h.session().CollectSettings();
             h.session().Disconnect();
             FakeDaqmx<decltype(&DAQmxResetDevice)>("DAQmxResetDevice")("Dev1");
             h.Connect();
             h.session().Configure(nullptr);
         },
         25.0, Line1Volts(25), 2},
        {"settings with a calibration",
         [](DeviceHost& h) {
             h.laser().LoadSettings(L"m_dPower1= 25.0;m_sPowerCalibration1=mW 1:0 2:80 3:100;",
                                    CHostSession::kMultiLaserId);
         },
         25.0, 1.0 + 25.0 / 80.0, 1},
        {"settings with a calibration that reaches past the span: never past its end",
         [](DeviceHost& h) {
             h.laser().LoadSettings(L"m_dPower1= 80.0;m_sPowerCalibration1=mW 0:0 5:100;",
                                    CHostSession::kMultiLaserId);
         },
         80.0, 3.0, 1},
        {"settings that take the calibration away again",
         [](DeviceHost& h) {
             h.laser().LoadSettings(L"m_dPower1= 25.0;m_sPowerCalibration1=mW 1:0 2:80 3:100;",
                                    CHostSession::kMultiLaserId);
             h.laser().LoadSettings(L"m_dPower1= 25.0;", CHostSession::kMultiLaserId);
         },
         25.0, Line1Volts(25), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        DeviceHost host;
        ASSERT_TRUE(host.StartReal("standard"));
        host.PausePoll(); // no board check meanwhile
        ASSERT_EQ(DMRC_OK, host.laser().SetPower(1, 25.0));
        FakeDaqmx<decltype(&fakedaqmx_ClearCallLog)>("fakedaqmx_ClearCallLog")();
        c.step(host);
        host.PausePoll();
        EXPECT_EQ(c.power, HostPower(host, 1));
        EXPECT_NEAR(c.volts, LastVoltage("Dev1/ao1"), 1e-9);
        EXPECT_EQ(c.writes, CallCount("DAQmxWriteAnalogScalarF64"));
    }
}

// A board reset (outputs at 0 V, tasks aborted) is repaired by the device alone within a second.
TEST(Boards, AResetBoardHasItsVoltagesBackWithoutTheHost) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(0, 40.0));
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(1, 25.0));
    ASSERT_EQ(0, FakeDaqmx<decltype(&DAQmxResetDevice)>("DAQmxResetDevice")("Dev1"));
    ASSERT_EQ(0.0, LastVoltage("Dev1/ao0"));
    EXPECT_TRUE(
        WaitUntil(1500, [] { return LastVoltage("Dev1/ao0") == 2.0 && LastVoltage("Dev1/ao1") == 1.5; }));
}

// A board that left the system is named once; power changes meanwhile fail at once with that cause,
// without a call to the library, and reach the AOM when the board is back, which is named too.
TEST(Boards, ABoardAwayIsNamedOnceAndItsPowersArriveWhenItIsBack) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(0, 40.0));
    LogCapture log(false);
    ASSERT_EQ(0, FakeDaqmx<decltype(&fakedaqmx_RemoveDevice)>("fakedaqmx_RemoveDevice")("Dev1"));
    const std::wstring away = L"ERROR: CQvAOMNIDAQPort - NI-DAQmx board Dev1 cannot be reached: ";
    auto count = [&](const std::wstring& start) {
        size_t n = 0;
        for (const std::wstring& line : log.Lines())
            n += line.compare(0, start.size(), start) == 0;
        return n;
    };
    ASSERT_TRUE(WaitUntil(1500, [&] { return count(away) == 1; }));
    host.PausePoll();
    FakeDaqmx<decltype(&fakedaqmx_ClearCallLog)>("fakedaqmx_ClearCallLog")();
    EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetPower(0, 60.0));
    EXPECT_TRUE(
        log.Contains(L"ERROR: CQvAOMTAVOMultiLaser::SetPower - line 0 (unit line 1): the voltage write "
                     L"failed: the NI-DAQmx board Dev1 cannot be reached"));
    EXPECT_EQ("", DaqCallLog()) << "the library was asked while the board is away";
    EXPECT_EQ(60.0, HostPower(host, 0)) << "the host reads the power it asked for, to come";
    host.device().m_iPollCountdown = 0; // the board check again
    Sleep(2500);                        // two of its rounds, with the board still away
    EXPECT_EQ(1u, count(away)) << "the board was named more than once";
    ASSERT_EQ(0, FakeDaqmx<decltype(&fakedaqmx_AttachDevice)>("fakedaqmx_AttachDevice")("Dev1"));
    EXPECT_TRUE(WaitUntil(1500, [] { return LastVoltage("Dev1/ao0") == 3.0; }));
    EXPECT_TRUE(log.Contains(L"CQvAOMNIDAQPort - NI-DAQmx board Dev1 back"));
}

// NI chooses the DAC range for the line's own span: a board listing its ranges in either order drives a
// 0 to 8 V line and a 0 to 3.5 V line, each channel created with the line's span. At 100 % the second
// line's voltage computes a rounding above 3.5 V, which the channel would refuse: it is kept within.
TEST(Powers, EachChannelIsCreatedWithItsLinesOwnSpan) {
    for (const char* ranges : {"range -5 5 range -10 10", "range -10 10 range -5 5"}) {
        SCOPED_TRACE(ranges);
        DaqScenario scenario((std::string("board Dev1 ") + ranges + " channels ao0 ao1\n").c_str());
        DeviceHost host;
        ASSERT_TRUE(host.StartReal(
            "standard", L"iIndex[0]=1;fValMin[0]=0;fValMax[0]=8;sChannel_Name[0]=Dev1/ao0;iIndex[1]=2;"
                        L"fValMin[1]=0;fValMax[1]=3.5;sChannel_Name[1]=Dev1/ao1;bEmpty[2]=1;"));
        EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 100.0));
        EXPECT_EQ(DMRC_OK, host.laser().SetPower(1, 100.0));
        EXPECT_EQ(8.0, LastVoltage("Dev1/ao0"));
        EXPECT_EQ(3.5, LastVoltage("Dev1/ao1"));
        const std::string calls = DaqCallLog();
        EXPECT_NE(std::string::npos, calls.find("\"Dev1/ao0\", \"\", 0.000, 8.000")) << calls;
        EXPECT_NE(std::string::npos, calls.find("\"Dev1/ao1\", \"\", 0.000, 3.500")) << calls;
    }
}

// A line without an AOM channel keeps the power the host sets; a change answers 21 and says why, the same
// power again answers 0 and says nothing, as a slider standing still would.
TEST(Powers, ALineWithoutAChannelAnswersOnlyAChange) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard")); // line 2 (unit line 3) has no channel
    LogCapture log(false);
    EXPECT_EQ(DMRC_NO_DEVICE, host.laser().SetPower(2, 30.0));
    EXPECT_EQ(1u, log.Lines().size());
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(2, 30.04));
    EXPECT_EQ(1u, log.Lines().size());
    EXPECT_EQ(30.04, HostPower(host, 2));
}

} // namespace
