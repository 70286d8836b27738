// The multi-laser and the shutter through the host: visible lines, power to AOM voltage, line selection on
// the wire, the binocular shutter, change records and settings texts. (Host calls racing the unit's front
// panel are in the multi-device suite.)
#include "devicehost.h"
#include "qvprint.h"

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <math.h>

namespace {

using Commands = std::vector<std::string>;

// Empty positions are skipped by the visible lines; a line has steps of a tenth of a percent only with a
// channel; lines and steps beyond the ends are refused.
TEST(MultiLaser, VisibleLinesStepsAndRefusedArguments) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator(L"bEmpty[0]=1;sLineName[1]=Green;sLineName[2]=Red;iIndex[2]=0;"));
    IQvDeviceMultiLaser& laser = host.laser();
    uint32_t count = 0, first = 0, second = 0;
    EXPECT_EQ(DMRC_OK, laser.GetLineCount(&count));
    EXPECT_EQ(2u, count);
    CQvStringW name;
    EXPECT_EQ(DMRC_OK, laser.GetLineName(0, name));
    EXPECT_EQ(CQvStringW(L"Green"), name);
    EXPECT_EQ(DMRC_OK, laser.GetLineName(1, name));
    EXPECT_EQ(CQvStringW(L"Red"), name);
    EXPECT_EQ(DMRC_OK, laser.GetPowerStepCount(0, &first, &second));
    EXPECT_EQ(1001u, first);
    EXPECT_EQ(1001u, second);
    EXPECT_EQ(DMRC_OK, laser.GetPowerStepCount(1, &first, &second));
    EXPECT_EQ(0u, first + second) << "no channel, no steps";
    double percent = 0;
    EXPECT_EQ(DMRC_OK, laser.GetStepPowerPercent(0, 1000, &percent));
    EXPECT_DOUBLE_EQ(100.0, percent);
    EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.GetStepPowerPercent(0, 1001, &percent));
    // A power outside 0 to 100 % is refused and changes nothing.
    EXPECT_EQ(DMRC_OK, laser.SetPower(0, 50.0));
    for (double bad : {100.05, -0.1, static_cast<double>(NAN)})
        EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetPower(0, bad)) << bad;
    laser.GetLinePower(0, &percent);
    EXPECT_DOUBLE_EQ(50.0, percent);
    for (int bad : {2, 3, -1}) {
        EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.GetLineName(bad, name)) << bad;
        EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetPower(bad, 10.0)) << bad;
        EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetLineUsed(bad, true)) << bad;
    }
    EXPECT_EQ(DMRC_NO_DEVICE, laser.SetAlternationMode(1)) << "only the unit's own alternation";
}

// Line selection reaches the unit only while the shutter is open: one line at a time on a standard unit,
// which cannot deselect, the mask of the used lines on an extended one. Each step: the host's call, the
// command the unit received ("" none) and the lines used afterwards.
TEST(MultiLaser, LineSelectionOnTheWire) {
    struct SStep {
        const char* call; // "use", "unuse", "open", "close"
        int line;
        const char* sent;
        const char* used;
    };
    const struct {
        const char* personality;
        uint32_t singleLine;
        std::vector<SStep> steps;
    } cases[] = {
        {"standard",
         1,
         {{"use", 1, "", "010"},
          {"open", 0, "cTSO2\\r", "010"},
          {"open", 0, "", "010"},
          {"unuse", 1, "", "010"},
          {"use", 0, "cTSO1\\r", "100"},
          {"close", 0, "cTSC\\r", "100"}}},
        {"extended",
         0,
         {{"use", 0, "", "100"},
          {"use", 2, "", "101"},
          {"open", 0, "cTSD5\\r", "101"},
          {"unuse", 2, "cTSD1\\r", "100"},
          {"close", 0, "cTSD0\\r", "100"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.personality);
        DeviceHost host;
        ASSERT_TRUE(host.StartReal(c.personality));
        host.PausePoll();
        host.TakeCommands();
        uint32_t single = 2;
        EXPECT_EQ(DMRC_OK, host.laser().GetSingleLineMode(&single));
        EXPECT_EQ(c.singleLine, single);
        for (const SStep& step : c.steps) {
            SCOPED_TRACE(std::string(step.call) + " " + std::to_string(step.line));
            const std::string call = step.call;
            EXPECT_EQ(DMRC_OK, call == "open" || call == "close"
                                   ? host.shutter().SetState(call == "open")
                                   : host.laser().SetLineUsed(step.line, call == "use"));
            EXPECT_EQ(*step.sent ? Commands{step.sent} : Commands{}, host.TakeCommands());
            std::string used;
            for (int line = 0; line < 3; ++line) {
                bool on = false;
                host.laser().GetLineUsed(line, &on);
                used += on ? '1' : '0';
            }
            EXPECT_EQ(step.used, used);
        }
        EXPECT_EQ("line 0 mask 0 bino 0", host.unit().state());
    }
}

TEST(MultiLaser, StateThreeRefusesLineOperations) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    host.device().m_iState = 3; // connected again, not configured yet
    bool value = false;
    EXPECT_EQ(DMRC_WRONG_STATE, host.laser().SetLineUsed(0, true));
    EXPECT_EQ(DMRC_WRONG_STATE, host.laser().GetLineUsed(0, &value));
    EXPECT_EQ(DMRC_WRONG_STATE, host.shutter().GetState(&value));
    EXPECT_EQ(DMRC_WRONG_STATE, host.shutter().SetState(true));
    host.device().m_iState = 2;
    EXPECT_EQ(DMRC_OK, host.shutter().GetState(&value));
}

// The records as the host reads them: the multi-laser's after a power change, the shutter's after it opened.
TEST(ChangeRecord, BytesOfBothLogicalDevices) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    host.TakeChanges();
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(1, 33.3));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId));
    SHostChange c = host.TakeChanges().back();
    EXPECT_EQ(CHostSession::kMultiLaserId, c.key);
    EXPECT_EQ(1u, c.subKind);
    EXPECT_EQ(3u, DataAt<uint32_t>(c, 0));
    EXPECT_EQ(1, c.data[4]) << "line 1 is the current line after connect";
    EXPECT_EQ(0, c.data[5]);
    EXPECT_EQ(0, c.data[6]);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(1, c.data[20 + p]);
        EXPECT_EQ(-1, DataAt<int32_t>(c, 232 + 4 * p));
    }
    EXPECT_EQ(488u, DataAt<uint32_t>(c, 36));
    EXPECT_EQ(561u, DataAt<uint32_t>(c, 40));
    EXPECT_EQ(640u, DataAt<uint32_t>(c, 44));
    EXPECT_DOUBLE_EQ(33.3, DataAt<double>(c, 112));
    EXPECT_EQ(0, DataAt<int32_t>(c, 368));
    EXPECT_EQ(1, DataAt<int32_t>(c, 372));

    ASSERT_EQ(DMRC_OK, host.shutter().SetState(true));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kShutterId));
    c = host.TakeChanges().back();
    EXPECT_EQ(CHostSession::kShutterId, c.key);
    EXPECT_EQ(1u, c.subKind);
    EXPECT_EQ(1, c.data[0]);
    EXPECT_EQ(0, DataAt<int32_t>(c, 4));
    EXPECT_EQ(0.0, DataAt<double>(c, 8));
    for (size_t i = 16; i < c.data.size(); ++i)
        ASSERT_EQ(0, c.data[i]) << "byte " << i << " carries no stack contents";
}

TEST(MultiLaserSettings, SavedTextAndWavelengthRules) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    CQvAOMTAVOMultiLaser& laser = *host.device().m_pMultiLaser;
    ASSERT_EQ(DMRC_OK, laser.LoadSettings(L"", 5));
    // Powers come back; wavelengths only together with a name, and only when plausible. (The saved text is
    // QvhostSession.SimulatorSessionEndToEnd's.)
    laser.LoadSettings(
        L"m_uWavelengthExcitation0=2000;m_sName0=x;m_dPower0= 12.5;m_uWavelengthExcitation1=470;"
        L"m_uWavelengthExcitation2=532;m_sName2=Green;",
        5);
    EXPECT_EQ(405u, laser.m_auWavelength[0]);
    EXPECT_DOUBLE_EQ(12.5, laser.m_adPower[0]);
    EXPECT_EQ(125, laser.m_aiPowerSteps[0]);
    EXPECT_EQ(488u, laser.m_auWavelength[1]);
    EXPECT_EQ(532u, laser.m_auWavelength[2]);
    EXPECT_FLOAT_EQ(532.0f, host.device().m_Lines[2].fValLambda);
    // An implausible configured wavelength falls back to 405 nm.
    host.device().m_Lines[1].fValLambda = 900.0f;
    laser.LoadSettings(L"", 5);
    EXPECT_EQ(405u, laser.m_auWavelength[1]);
}

// The settings text carries the type, which names the shutter: a type that names nothing keeps the name
// it had. The host's id comes with the text.
TEST(Shutter, SettingsTextCarriesTheTypeThatNamesTheShutter) {
    DeviceHost host;
    ASSERT_TRUE(host.StartSimulator());
    IQvDeviceShutter& shutter = host.shutter();
    const struct {
        uint32_t type;
        const wchar_t* typeName;
        const wchar_t* name;
    } types[] = {{0, L"Shutter EPI", L"EPI"},
                 {1, L"Shutter DIA", L"DIA"},
                 {2, L"Shutter Aux1", L"Aux1"},
                 {3, L"Shutter Aux2", L"Aux2"},
                 {7, L"Shutter", L"Aux2"}};
    CQvStringW s;
    for (const auto& t : types) {
        const std::wstring text = L"ShutterType=" + std::to_wstring(t.type) + L"|";
        EXPECT_EQ(DMRC_OK, shutter.LoadSettings(text.c_str(), 77));
        shutter.GetTypeName(s);
        EXPECT_EQ(CQvStringW(t.typeName), s) << t.type;
        shutter.GetName(s);
        EXPECT_EQ(QV_GetTranslation(t.name, L"aomtavoshutter"), s) << t.type;
        shutter.SaveSettings(s);
        EXPECT_EQ(CQvStringW(text.c_str()), s);
    }
    uint32_t id = 0, type = 0;
    shutter.GetShutterId(&id);
    EXPECT_EQ(77u, id);
    EXPECT_EQ(DMRC_OK, shutter.LoadSettings(L"garbage", 77));
    shutter.GetShutterType(&type);
    EXPECT_EQ(7u, type);
    EXPECT_FALSE(shutter.SupportsMode(1));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, shutter.SetMode(1));
}

TEST(Shutter, EngagedBinocularShutterSendsNothingButStillReports) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    ASSERT_TRUE(host.unit().set_binocular(true));
    // Let the poll see the binocular shutter, then keep it quiet.
    ASSERT_TRUE(WaitUntil(3000, [&] { return host.device().m_bBinoShutter; }));
    host.PausePoll();
    host.TakeCommands();
    host.TakeChanges();
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    EXPECT_EQ(Commands{}, host.TakeCommands());
    bool open = false;
    host.shutter().GetState(&open);
    EXPECT_TRUE(open);
    // Even without a change the host hears of it while the binocular shutter is engaged.
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kShutterId));
    std::vector<SHostChange> changes = host.TakeChanges();
    int shutterRecords = 0;
    for (const SHostChange& c : changes)
        shutterRecords += c.key == CHostSession::kShutterId;
    EXPECT_EQ(2, shutterRecords);
    // Line changes meanwhile update the state and notify, but reach no wire either.
    EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(1, true));
    EXPECT_EQ(Commands{"cTSO2\\r"}, host.TakeCommands()) << "the multi-laser still selects the line";
}

} // namespace

// What cuts the light reaches the unit whatever the device last heard from it: after the binocular shutter
// was engaged, or after a reply lost to noise made the poll read "no line" while the unit still passes it.
TEST(Shutter, WhatDarkensTheUnitIsAlwaysSent) {
    struct {
        const char* what;
        const char* personality;
        bool binocular;        // else the poll's replies are garbled for a while
        const char* staleView; // what the host hears meanwhile
        bool byLine;           // the last line taken away, else the shutter closed
        const char* sent;
        const char* unitAfter;
    } cases[] = {
        {"binocular shutter engaged", "standard", true, "used 0 1 0 open 0", false, "cTSC\\r",
         "line 0 mask 0 bino 1"},
        {"garbled poll, shutter", "standard", false, "used 0 1 0 open 0", false, "cTSC\\r",
         "line 0 mask 0 bino 0"},
        {"garbled poll, last line", "extended", false, "used 0 0 0 open 1", true, "cTSD0\\r",
         "line 0 mask 0 bino 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceHost host;
        ASSERT_TRUE(host.StartReal(c.personality));
        ASSERT_TRUE(host.unit().set_mask(2));
        ASSERT_TRUE(host.WaitForView("used 0 1 0 open 1"));
        ASSERT_TRUE(c.binocular ? host.unit().set_binocular(true) : host.unit().set_fault("garble"));
        ASSERT_TRUE(host.WaitForView(c.staleView));
        host.PausePoll();
        ASSERT_TRUE(host.unit().clear_fault());
        host.TakeCommands();
        EXPECT_EQ(DMRC_OK, c.byLine ? host.laser().SetLineUsed(1, false) : host.shutter().SetState(false));
        EXPECT_EQ(Commands{c.sent}, host.TakeCommands());
        EXPECT_EQ(c.unitAfter, host.unit().state());
    }
}
