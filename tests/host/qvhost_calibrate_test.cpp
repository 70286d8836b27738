// A line's power calibration through qvhost.exe, as a facility engineer makes it: the real device class on a
// COM port with a simulated unit, the NI-DAQmx stand-in with an AOM of sin² response and a power meter
// behind it, or a person typing the meter's readings.
#include "qvhost_run.h"

#include "tavosim_unit.h"

#include <gtest/gtest.h>

#include <iterator>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

using tavosim_unit::TavoSimUnit;

namespace {

const double kPi = 3.14159265358979323846;

// A scenario file for the stand-in, named by FAKEDAQMX_SCENARIO for the qvhost runs of its scope.
class Scenario {
public:
    explicit Scenario(const std::string& text) {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        m_sPath = std::wstring(folder) + L"qvhost_calibrate_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        EXPECT_TRUE(WriteWholeFile(m_sPath, text));
        SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", m_sPath.c_str());
    }
    ~Scenario() {
        SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", nullptr);
        DeleteFileW(m_sPath.c_str());
    }

private:
    std::wstring m_sPath;
};

// The volts the stand-in reports for a channel in qvhost's output ("channel Dev1/ao0 volts 2.877").
std::vector<double> Volts(const std::string& output, const std::string& channel) {
    std::vector<double> volts;
    for (const std::string& line : LinesStartingWith(output, "channel " + channel + " volts "))
        volts.push_back(atof(line.c_str() + line.rfind(' ') + 1));
    return volts;
}

std::string Connect(const TavoSimUnit& unit) {
    return "create\nconnect m_iCOMPort=" + std::to_string(unit.com_port()) + ";\nconfigure " + kConfiguration +
           "\n";
}

// Item by item as the procedure promises: after an 11-point calibration against an AOM of sin² response
// and a meter within 0.5 % of full scale, every power from 0 to 100 % gives that share of the light within
// 1.5 % of full scale, where the linear map is off by 10.5 %; the calibration is kept for the next session.
// The meter's noise is drawn from QV_CAL_SEED's seed (default 7): about one draw in 100,000 puts an error
// above 1.5 % (docs/benchmarks.md), so the test keeps a seed rather than drawing one.
TEST(QvhostCalibration, AfterElevenPointsEveryPowerIsItsShareOfTheLight) {
    const char* seed = getenv("QV_CAL_SEED");
    std::string seedText = seed && *seed ? seed : "7";
    printf("meter noise seed %s (QV_CAL_SEED repeats a run)\n", seedText.c_str());
    Scenario scenario("board Dev1\naom Dev1/ao0 sin2 0 5 full 100 noise 0.5 seed " + seedText + "\n");
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("calibrate");
    std::string sweep;
    for (int percent = 0; percent <= 100; ++percent)
        sweep += "power 0 " + std::to_string(percent) + "\nvoltages\n";
    ProcessResult r = Qvhost(RealClassOptions(store) + L"-",
                             Connect(unit) + sweep + "power 0 37\ncalibrate 0 11 --meter sim\nyes\nvoltages\n" +
                                 sweep + "lines\n");
    ASSERT_TRUE(r.finished);
    std::vector<double> volts = Volts(r.output, "Dev1/ao0");
    ASSERT_EQ(101u + 1u + 101u, volts.size()) << r.output;
    EXPECT_NEAR(volts[101], 5.0 * 2.0 / kPi * asin(sqrt(0.37)), 0.1)
        << "after the procedure the line has its power back, now through the calibration";
    double before = 0.0, after = 0.0;
    for (int percent = 0; percent <= 100; ++percent) {
        auto light = [](double v) { return 100.0 * pow(sin(kPi / 2.0 * v / 5.0), 2.0); };
        before = fmax(before, fabs(light(volts[percent]) - percent));
        after = fmax(after, fabs(light(volts[102 + percent]) - percent));
    }
    printf("largest error: linear map %.2f %%, calibrated %.2f %% of full scale\n", before, after);
    EXPECT_GT(before, 10.0);
    EXPECT_LE(after, 1.5);
    EXPECT_NE(std::string::npos, r.output.find("the linear map is off by up to 1")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("name Blue calibrated\n")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("name Green Line calibrated")) << r.output;

    ProcessResult again = Qvhost(RealClassOptions(store) + L"-", Connect(unit) + "calibration 0\npower 0 50\nvoltages\n");
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(11u, LinesStartingWith(again.output, "point ").size()) << again.output;
    std::vector<double> kept = Volts(again.output, "Dev1/ao0");
    ASSERT_FALSE(kept.empty()) << again.output;
    EXPECT_DOUBLE_EQ(volts[102 + 50], kept.back()) << "the stored calibration maps 50 % as before";
}

// A person reads the meter: a reading that is not a number is asked again, cancel leaves everything as it
// was, and the points typed give the voltages of a monotone piecewise-linear inverse.
TEST(QvhostCalibration, APersonTypesTheReadingsAndCancelLeavesTheLineAsItWas) {
    Scenario scenario("board Dev1\n");
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("calibrate_person");
    ProcessResult r = Qvhost(RealClassOptions(store) + L"-",
                             Connect(unit) + "power 0 50\n"
                                             "calibrate 0 3\n0.2\ncancel\nvoltages\ncalibration 0\n"
                                             "calibrate 0 3 --unit uW\n0.2\nforty\n40\n97\nyes\n"
                                             "voltages\npower 0 100\nvoltages\npower 0 0\nvoltages\n");
    ASSERT_TRUE(r.finished);
    EXPECT_NE(std::string::npos,
              r.output.find("point 1 of 3: 0.0000 V on the AOM; the meter's reading in mW (or cancel):\n"
                            "point 2 of 3: 2.5000 V on the AOM; the meter's reading in mW (or cancel):\n"
                            "error 7: calibration cancelled; line 0 (unit line 1) is as it was\n"))
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("line 0 (unit line 1) not calibrated")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("not a reading: 'forty'")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("line 0 (unit line 1) calibrated: uW 0.0000:0.2 2.5000:40 5.0000:97"))
        << r.output;
    // 50 %: 0.2 + 0.5 * 96.8 = 48.6 uW, between 40 uW at 2.5 V and 97 uW at 5 V.
    std::vector<double> volts = Volts(r.output, "Dev1/ao0");
    ASSERT_EQ(4u, volts.size()) << r.output;
    EXPECT_DOUBLE_EQ(2.5, volts[0]) << "cancelled: the line's own 50 % through the linear map";
    EXPECT_NEAR(2.5 + (48.6 - 40.0) / 57.0 * 2.5, volts[1], 0.0006);
    EXPECT_DOUBLE_EQ(5.0, volts[2]);
    EXPECT_DOUBLE_EQ(0.0, volts[3]);
}

// What a text may give a line: refusals name what is wrong and leave the calibration as it was; clear
// returns the line to the linear map.
TEST(QvhostCalibration, TextsAreTakenOrRefusedWithTheirReason) {
    Scenario scenario("board Dev1\n");
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    TempStore store("calibration_text");
    const struct {
        const char* text;
        const char* says;
    } refused[] = {
        {"mW 0:1 five:2", "error 12: a calibration is written"},
        {"mW 0:1 6:2", "error 12: point 2 (6.000 V) lies outside line 0 (unit line 1)'s range, 0.00 V to 5.00 V"},
        {"mW 0:1 2:5 3:4 5:9", "falls from point 2 (2.000 V, 5 mW) to point 3 (3.000 V, 4 mW)"},
        {"mW 1:3", "A calibration needs 2 to 64 points, not 1."},
        {"mW 1:3 1:4", "Points 1 and 2 have the same voltage"},
        {"m_W 0:1 5:2", "The unit of the powers needs"},
    };
    std::string script = Connect(unit) + "calibration 0 mW 0:0 2.5:80 5:100\npower 0 50\nvoltages\n";
    for (const auto& c : refused)
        script += std::string("calibration 0 ") + c.text + "\n";
    script += "calibration 0\nvoltages\ncalibration 0 clear\nvoltages\n";
    ProcessResult r = Qvhost(RealClassOptions(store) + L"-", script);
    ASSERT_TRUE(r.finished);
    for (const auto& c : refused)
        EXPECT_NE(std::string::npos, r.output.find(c.says)) << c.text << "\n" << r.output;
    EXPECT_EQ(std::size(refused), LinesStartingWith(r.output, "error ").size()) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("text mW 0.0000:0 2.5000:80 5.0000:100\n")) << r.output;
    std::vector<double> volts = Volts(r.output, "Dev1/ao0");
    ASSERT_EQ(3u, volts.size()) << r.output;
    EXPECT_NEAR(2.5 * 50.0 / 80.0, volts[0], 0.0006);
    EXPECT_DOUBLE_EQ(volts[0], volts[1]) << "every refusal left the calibration in use";
    EXPECT_DOUBLE_EQ(2.5, volts[2]) << "cleared: linear again";
}

} // namespace
