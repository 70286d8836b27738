// The settings texts: the key/value grammar, the connection and configuration texts, and ConfigureDevice
// reading them back.
#include "devicehost.h"
#include "logcapture.h"
#include "qvprint.h"

#include <aomcalibration.h>
#include <aomnidaqport.h>
#include <aomtavomultilaser.h>

#include <qv/qvserial.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <thread>

namespace {

const wchar_t kWorkedExample[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
    L"5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    L"sLineName[0]=Blue;"
    L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  "
    L"4.5;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;"
    L"sLineName[1]=Green;"
    L"bEmpty[2]=1;iIndex[2]=0;fValMin[2]=  0.0;fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;";

// Sets a German number format for the scope (decimal comma) and proves that it took effect.
class GermanNumbers {
public:
    GermanNumbers() : m_sSaved(setlocale(LC_ALL, nullptr)) {
        m_bActive = setlocale(LC_ALL, "German_Germany.1252") && localeconv()->decimal_point[0] == ',';
    }
    ~GermanNumbers() { setlocale(LC_ALL, m_sSaved.c_str()); }
    bool active() const { return m_bActive; }

private:
    std::string m_sSaved;
    bool m_bActive;
};

TEST(SettingsText, ReadingFollowsTheFirstOccurrenceOfTheKey) {
    struct {
        const wchar_t* text;
        const wchar_t* key;
        int result;
        const wchar_t* value;
    } cases[] = {
        {L"m_iCOMPort=3;", L"m_iCOMPort", 0, L"3"},
        {L"a=1;b=  0.5;c=x", L"b", 0, L"  0.5"},
        {L"a=1;c=runs to the end", L"c", 0, L"runs to the end"},
        {L"iIndex[0]x;iIndex[0]=2;", L"iIndex[0]", -9, nullptr}, // first hit not followed by "="
        {L"xkey=1;key=2;", L"key", 0, L"1"},                     // no check that the match starts an entry
        {L"a=1;", L"b", -9, nullptr},
        {L"", L"a", -9, nullptr},
        {L"a=1;", L"", -9, nullptr},
        {L"a=;", L"a", 0, L""},
    };
    for (const auto& c : cases) {
        CQvStringW value(L"unchanged");
        EXPECT_EQ(c.result, CQvAOMTAVO::GetKeyValue(c.text, c.key, value)) << c.text;
        EXPECT_EQ(CQvStringW(c.value ? c.value : L"unchanged"), value) << c.text;
    }
    CQvStringW value;
    EXPECT_EQ(0, CQvAOMTAVO::GetIndexedKeyValue(L"fValMin[2]=  1.5;", L"fValMin", value, 2));
    EXPECT_EQ(CQvStringW(L"  1.5"), value);
    EXPECT_EQ(-9, CQvAOMTAVO::GetKeyValue(nullptr, L"a", value));
}

// ConfigureDevice reads the worked example, malformed entries change nothing, and the device writes the
// text back byte for byte: in a locale with a decimal comma.
TEST(ConfigurationText, WorkedExampleIsReadAndWrittenBackInAnyLocale) {
    DeviceHost host;
    ASSERT_TRUE(host.Connect());
    host->m_pMultiLaser->m_asName[2] = L"kept";
    GermanNumbers german;
    ASSERT_TRUE(german.active())
        << "the C runtime must accept a German locale for this test to mean anything";
    ASSERT_EQ(DMRC_OK, host.Configure(kWorkedExample));
    const SAOMLineConfig* l = host->m_Lines;
    EXPECT_EQ(1, l[0].iIndex);
    EXPECT_EQ(2, l[1].iIndex);
    EXPECT_EQ(0, l[2].iIndex);
    EXPECT_FLOAT_EQ(5.0f, l[0].fValMax);
    EXPECT_FLOAT_EQ(4.5f, l[1].fValMax);
    EXPECT_FLOAT_EQ(640.0f, l[2].fValLambda);
    EXPECT_EQ(CQvStringW(L"None"), l[2].sChannel_Name);
    EXPECT_EQ(CQvStringW(L"Green"), host->m_pMultiLaser->m_asName[1]);
    EXPECT_EQ(CQvStringW(L"kept"), host->m_pMultiLaser->m_asName[2]) << "no sLineName entry: the name stays";
    EXPECT_EQ(1, host->m_pMultiLaser->m_abEmpty[2]);
    // The ranges reach the channel table as user ranges; untouched channels keep their board's range.
    EXPECT_FLOAT_EQ(4.5f, host->m_AOChannels[1].fMax);
    EXPECT_TRUE(host->m_AOChannels[1].bUserRange);
    EXPECT_FALSE(host->m_AOChannels[2].bUserRange);
    EXPECT_FLOAT_EQ(10.0f, host->m_AOChannels[2].fMax);
    // The line tasks take the channels and will be built afresh.
    EXPECT_EQ(CQvStringW(L"Dev1/ao1"), host->m_pNIDAQPort->m_LineTasks[1].sChannel);
    EXPECT_FALSE(host->m_pNIDAQPort->m_LineTasks[1].bTaskCreated);
    // The first "iIndex[0]" is not followed by "=", and "abc" is no number.
    ASSERT_EQ(DMRC_OK, host.Configure(L"iIndex[0]x;iIndex[0]=3;fValMax[0]=abc;"));
    EXPECT_EQ(1, l[0].iIndex);
    EXPECT_FLOAT_EQ(5.0f, l[0].fValMax);
    // A text written in a decimal-comma locale reads as written.
    ASSERT_EQ(DMRC_OK, host.Configure(L"fValMax[0]=  4,5;"));
    EXPECT_FLOAT_EQ(4.5f, l[0].fValMax);
    ASSERT_EQ(DMRC_OK, host.Configure(L"fValMax[0]=  5.0;"));

    host->m_pMultiLaser->m_asName[2] = L""; // a line without a name writes no entry
    CQvStringW text;
    host->WriteConfigurationText(text);
    EXPECT_EQ(CQvStringW(kWorkedExample), text);
    host->m_Lines[0].fValMin = 0.5f;
    host->m_Lines[0].fValLambda = 405.0f;
    host->WriteConfigurationText(text);
    EXPECT_NE(-1, text.Find(L"fValMin[0]=  0.5;"));
    EXPECT_NE(-1, text.Find(L"fValLambda[0]=405.0;"));
    EXPECT_EQ(405u, host->m_pMultiLaser->m_auWavelength[0]) << "the line's wavelength follows";
}

// Any index the table can hold is kept, even beyond this machine's four channels, and its range goes to
// that entry only; an index outside the table is refused and its range reaches no entry.
TEST(ConfigurationText, ChannelIndexIsKeptWithinTheTableAndRefusedOutside) {
    struct {
        int index;
        int expected;    // the index kept for line 0 (1 before)
        int rangedEntry; // the table entry that takes the range, -1 none
        const wchar_t* logLine;
    } cases[] = {
        {9, 9, 8, nullptr},
        {256, 256, 255, nullptr},
        {0, 0, -1, nullptr},
        {300, 1, -1, L"CQvAOMTAVO::ConfigureDevice - iIndex[0]=300 refused, outside 0 to 256, 1 kept"},
        {-2, 1, -1, L"CQvAOMTAVO::ConfigureDevice - iIndex[0]=-2 refused, outside 0 to 256, 1 kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        DeviceHost host;
        ASSERT_TRUE(host.Connect());
        std::wstring text =
            std::wstring(L"bEmpty[0]=0;iIndex[0]=") + std::to_wstring(c.index) +
            L";fValMin[0]=  0.5;fValMax[0]=  4.5;fValLambda[0]=488.0;sChannel_Name[0]=Dev2/ao8;"
            L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]= 10.0;fValLambda[1]=488.0;"
            L"bEmpty[2]=0;iIndex[2]=3;fValMin[2]=  0.0;fValMax[2]= 10.0;fValLambda[2]=561.0;";
        LogCapture log;
        ASSERT_EQ(DMRC_OK, host.Configure(text.c_str()));
        EXPECT_EQ(c.expected, host->m_Lines[0].iIndex);
        for (int i = 0; i < AOM_MAX_AO_CHANNELS; ++i) {
            const SAOChannel& channel = host->m_AOChannels[i];
            bool ranged = i == c.rangedEntry || i == 1 || i == 2;
            EXPECT_EQ(ranged, channel.bUserRange) << "entry " << i;
            if (i == c.rangedEntry) {
                EXPECT_FLOAT_EQ(0.5f, channel.fMin);
            }
            if (i == 0) {
                EXPECT_FLOAT_EQ(-10.0f, channel.fMin) << "the kept index's entry keeps its board range";
            }
        }
        if (c.logLine) {
            EXPECT_TRUE(log.Contains(c.logLine));
        }
        // Within the table the text the host stores comes back as it was read.
        CQvStringW stored;
        host->WriteConfigurationText(stored);
        if (c.expected == c.index) {
            EXPECT_EQ(text, stored.GetString());
        }
    }
}

TEST(ConnectionText, PortIsReadWhenPresentAndKeptOtherwise) {
    DeviceHost host;
    host->ConnectDevice(L"m_iCOMPort=7;");
    EXPECT_EQ(7, host->m_iCOMPort);
    host->DisconnectDevice();
    host->ConnectDevice(L"other=1;");
    EXPECT_EQ(7, host->m_iCOMPort);
}

// Answers the connection dialog as a person would once its list is filled: picks the first listed port, or
// cancels.
void AnswerConnectionDialog(bool choose, int& chosenPort) {
    HWND dialog = WaitForFilledConnectionDialog();
    if (!dialog) return;
    HWND list = GetDlgItem(dialog, QV_SERIAL_DIALOG_PORTS);
    if (choose) {
        SendMessageW(list, CB_SETCURSEL, 0, 0);
        chosenPort = static_cast<int>(SendMessageW(list, CB_GETITEMDATA, 0, 0));
    }
    PostMessageW(dialog, WM_COMMAND, choose ? IDOK : IDCANCEL, 0);
}

TEST(ConnectionText, DialogChoosesAPortOrCancels) {
    DeviceHost real("CQvAOMTAVO");
    CQvStringW text(L"m_iCOMPort=33;");
    int chosen = 0;
    std::thread person([&] { AnswerConnectionDialog(true, chosen); });
    EXPECT_EQ(DMRC_OK, real->ShowConnectionDialog(text, nullptr));
    person.join();
    ASSERT_GT(chosen, 0);
    EXPECT_EQ(CQvStringW((L"m_iCOMPort=" + std::to_wstring(chosen) + L";").c_str()), text);
    EXPECT_EQ(chosen, real->m_iCOMPort);

    CQvStringW kept(L"m_iCOMPort=33;");
    std::thread cancel([&] { AnswerConnectionDialog(false, chosen); });
    EXPECT_EQ(DMRC_CANCELLED, real->ShowConnectionDialog(kept, nullptr));
    cancel.join();
    EXPECT_EQ(CQvStringW(L"m_iCOMPort=33;"), kept);

    DeviceHost sim;
    CQvStringW untouched(L"anything");
    EXPECT_EQ(DMRC_OK, sim->ShowConnectionDialog(untouched, nullptr));
    EXPECT_EQ(CQvStringW(L"anything"), untouched);
}

SAOMCalibration ReadCalibration(const std::wstring& text, SAOMCalibrationCheck& check) {
    SAOMCalibration calibration;
    AOMParseCalibration(text.c_str(), text.size(), calibration, check);
    return calibration;
}

std::wstring WrittenCalibration(const SAOMCalibration& calibration) {
    wchar_t text[4096];
    AOMFormatCalibration(calibration, text, 4096);
    return text;
}

// A power's voltage is the measured curve read backwards: between neighbouring points, from the end with
// the least light, and at the first voltage that reaches a plateau's power.
TEST(CalibrationCurve, VoltageIsTheMeasuredCurveReadBackwards) {
    const struct {
        const wchar_t* text;
        double percent, volts;
    } cases[] = {
        {L"mW 0:0 5:100", 50.0, 2.5},
        {L"mW 0:0 2.5:80 5:100", 50.0, 2.5 * 50.0 / 80.0},
        {L"mW 0:0 2.5:80 5:100", 90.0, 3.75},
        {L"mW 1:10 4:70", 0.0, 1.0},     // the least light is the first point's, not 0
        {L"mW 1:10 4:70", 50.0, 2.5},    // 40 mW
        {L"mW 1:10 4:70", 100.0, 4.0},
        {L"mW 0:100 5:0", 25.0, 3.75},   // an AOM whose light falls with the voltage
        {L"mW 0:100 2:20 5:0", 20.0, 2.0},
        {L"mW 0:0 1:50 2:50 3:100", 50.0, 1.0},
        {L"mW 0:0 1:50 2:50 3:100", 75.0, 2.5},
        {L"mW 0:0 5:100", 120.0, 5.0},   // beyond the curve: its end, never past it
        {L"mW 0:0 5:100", -10.0, 0.0},
    };
    for (const auto& c : cases) {
        SAOMCalibrationCheck check;
        SAOMCalibration calibration = ReadCalibration(c.text, check);
        ASSERT_EQ(AOMCalibrationOK, check.eFault) << c.text;
        EXPECT_NEAR(c.volts, AOMCalibratedVoltage(calibration, c.percent), 1e-12) << c.text << " at " << c.percent;
    }
}

// What a text may hold: each refusal names its fault and points (numbered by voltage); what is taken is
// written back, in any locale, as a text that reads the same, so that a restart keeps the curve in use.
TEST(CalibrationText, IsTakenOrRefusedWithItsFaultAndWrittenBackAsItReads) {
    std::wstring sixtyFive = L"mW";
    for (int i = 0; i < 65; ++i)
        sixtyFive += L" " + std::to_wstring(i) + L"e-2:" + std::to_wstring(i);
    const struct {
        std::wstring text;
        EAOMCalibrationFault fault;
        int first, second;
        const wchar_t* written;
    } cases[] = {
        {L"mW 0:1 5:2", AOMCalibrationOK, 0, 0, L"mW 0.0000:1 5.0000:2"},
        {L" uW\t5:0.2  0:1e-7 ", AOMCalibrationOK, 0, 0, L"uW 0.0000:1e-07 5.0000:0.2"},
        {L"µW -2.5:300 -7.5:100", AOMCalibrationOK, 0, 0, L"µW -7.5000:100 -2.5000:300"},
        {L"mW 0.123456:1 5:2.3456789", AOMCalibrationOK, 0, 0, L"mW 0.1235:1 5.0000:2.34568"},
        {L"mW 0:1 five:2", AOMCalibrationSyntax, 7, 0, nullptr},
        {L"mW 0:1 5:2x", AOMCalibrationSyntax, 10, 0, nullptr},
        {L"mW 0:1 5", AOMCalibrationSyntax, 8, 0, nullptr},
        {L"mW 2e6:1 3:2", AOMCalibrationSyntax, 6, 0, nullptr}, // no output gives a million volts
        {L"milliwatt 0:1 5:2", AOMCalibrationUnit, 8, 0, nullptr},
        {L"m_W 0:1 5:2", AOMCalibrationUnit, 1, 0, nullptr},
        {L"5mW 0:1 5:2", AOMCalibrationUnit, 0, 0, nullptr},
        {L"", AOMCalibrationCount, 0, 0, nullptr},
        {L"mW 1:3", AOMCalibrationCount, 1, 0, nullptr},
        {sixtyFive, AOMCalibrationCount, 65, 0, nullptr},
        {L"mW 0:1 2:-1 5:3", AOMCalibrationNegative, 2, 0, nullptr},
        {L"mW 1:3 1:4", AOMCalibrationSameVoltage, 1, 2, nullptr},
        {L"mW 1.00001:3 1.00002:4", AOMCalibrationSameVoltage, 1, 2, nullptr}, // the same once stored
        {L"mW 0:2 5:2", AOMCalibrationFlat, 1, 2, nullptr},
        {L"mW 0:1.0000001 5:1.0000002", AOMCalibrationFlat, 1, 2, nullptr},
        {L"mW 0:1 2:5 3:4 5:9", AOMCalibrationNotMonotone, 2, 3, nullptr},
        {L"mW 0:5 2:1 5:3", AOMCalibrationNotMonotone, 2, 3, nullptr}, // falls, then rises
    };
    GermanNumbers german;
    ASSERT_TRUE(german.active());
    for (const auto& c : cases) {
        SAOMCalibrationCheck check;
        SAOMCalibration calibration = ReadCalibration(c.text, check);
        EXPECT_EQ(c.fault, check.eFault) << c.text;
        EXPECT_EQ(c.first, check.iFirst) << c.text;
        EXPECT_EQ(c.second, check.iSecond) << c.text;
        if (!c.written) continue;
        std::wstring written = WrittenCalibration(calibration);
        EXPECT_EQ(c.written, written);
        SAOMCalibration again = ReadCalibration(written, check);
        EXPECT_EQ(AOMCalibrationOK, check.eFault) << written;
        EXPECT_EQ(written, WrittenCalibration(again));
        for (int i = 0; i < calibration.iCount; ++i) {
            EXPECT_EQ(calibration.aPoints[i].dVolts, again.aPoints[i].dVolts) << written;
            EXPECT_EQ(calibration.aPoints[i].dPower, again.aPoints[i].dPower) << written;
        }
    }
}

// The span's ends hold points at them, however the configured span's floats and the texts' decimals round.
TEST(CalibrationText, PointsAtTheSpansEndsAreWithinIt) {
    const struct {
        float min, max;
        const wchar_t* text;
    } cases[] = {
        {0.0f, 5.0f, L"mW 0.0000:0 2.5000:1 5.0000:2"},
        {0.1f, 0.9f, L"mW 0.1000:0 0.5000:1 0.9000:2"},
        {0.9f, 0.1f, L"mW 0.1:0 0.9:2"},
        {-0.3f, 4.7f, L"mW -0.3:0 4.7:2"},
    };
    for (const auto& c : cases) {
        SAOMCalibrationCheck check;
        SAOMCalibration calibration = ReadCalibration(c.text, check);
        EXPECT_TRUE(AOMCheckCalibration(calibration, true, c.min, c.max, check)) << c.text << " " << check.eFault;
        // As the dialog fills them: from the configured floats.
        calibration.aPoints[0].dVolts = c.min < c.max ? c.min : c.max;
        calibration.aPoints[calibration.iCount - 1].dVolts = c.min < c.max ? c.max : c.min;
        EXPECT_TRUE(AOMCheckCalibration(calibration, true, c.min, c.max, check)) << c.text << " " << check.eFault;
    }
}

// A calibration travels with the multi-laser's settings: a text without one is saved as it always was; a
// text without the entry leaves the line linear; a refused entry keeps the line's curve and says why.
TEST(CalibrationSettings, TravelWithTheMultiLaserAndARefusedEntryKeepsTheCurve) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    CQvAOMTAVOMultiLaser& laser = *host.device().m_pMultiLaser;
    const int id = CHostSession::kMultiLaserId;
    laser.LoadSettings(L"m_dPower0= 12.5;", id);
    CQvStringW plain;
    laser.SaveSettings(plain);
    EXPECT_EQ(std::wstring::npos, std::wstring(plain.GetString()).find(L"Calibration"));

    std::wstring entry = L"m_sPowerCalibration1=mW 0.0000:0 2.5000:80 5.0000:100;";
    laser.LoadSettings((plain.GetString() + entry).c_str(), id);
    CQvStringW calibrated;
    laser.SaveSettings(calibrated);
    std::wstring saved = calibrated.GetString();
    size_t at = saved.find(entry);
    ASSERT_NE(std::wstring::npos, at) << saved;
    EXPECT_EQ(plain.GetString(), saved.erase(at, entry.size())) << "every other entry as it was";
    EXPECT_FALSE(laser.Calibration(0).IsSet());
    // A module that does not know the entry finds every key of its own as before, wherever the entry stands:
    // the lookup takes the first occurrence of a key's text.
    std::wstring before = entry + plain.GetString() + entry;
    for (const wchar_t* key : {L"m_uWavelengthExcitation", L"m_dPower", L"m_sName"})
        for (int p = 0; p < 3; ++p) {
            std::wstring indexed = key + std::to_wstring(p);
            CQvStringW old, now;
            int found = CQvAOMTAVO::GetKeyValue(plain.GetString(), indexed.c_str(), old);
            EXPECT_EQ(found, CQvAOMTAVO::GetKeyValue(before.c_str(), indexed.c_str(), now)) << indexed;
            EXPECT_EQ(old, now) << indexed;
        }

    LogCapture log;
    laser.LoadSettings((plain.GetString() + std::wstring(L"m_sPowerCalibration1=mW 0:5 5:5;")).c_str(), id);
    EXPECT_EQ(3, laser.Calibration(1).iCount) << "a refused entry keeps the curve in use";
    EXPECT_TRUE(log.Contains(L"ERROR: CQvAOMTAVOMultiLaser::LoadSettings - the calibration of unit line 2 is kept as "
                             L"it was: The first and the last point have the same power: the curve neither rises "
                             L"nor falls."));
    laser.LoadSettings(plain.GetString(), id);
    EXPECT_FALSE(laser.Calibration(1).IsSet());
}

} // namespace
