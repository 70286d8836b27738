// The multi-laser through the host: visible lines, power to AOM voltage, line selection on the wire,
// change records and settings texts.
#include "logcapture.h"
#include "logicalhost.h"
#include "qvprint.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

namespace {

using Commands = std::vector<std::string>;

template <class T> T DataAt(const SHostChange& c, size_t offset) {
    T value;
    memcpy(&value, c.data.data() + offset, sizeof value);
    return value;
}

TEST(MultiLaser, EmptyPositionsAreSkippedByTheVisibleLines) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L"bEmpty[0]=1;sLineName[1]=Green;sLineName[2]=Red;"));
    uint32_t count = 0;
    EXPECT_EQ(DMRC_OK, host.laser().GetLineCount(&count));
    EXPECT_EQ(2u, count);
    CQvStringW name;
    EXPECT_EQ(DMRC_OK, host.laser().GetLineName(0, name));
    EXPECT_EQ(CQvStringW(L"Green"), name);
    EXPECT_EQ(DMRC_OK, host.laser().GetLineName(1, name));
    EXPECT_EQ(CQvStringW(L"Red"), name);
    for (int bad : {2, 3, -1}) {
        EXPECT_EQ(DMRC_BAD_ARGUMENT, host.laser().GetLineName(bad, name)) << bad;
        EXPECT_EQ(DMRC_BAD_ARGUMENT, host.laser().SetPower(bad, 10.0)) << bad;
        EXPECT_EQ(DMRC_BAD_ARGUMENT, host.laser().SetLineUsed(bad, true)) << bad;
    }
}

TEST(MultiLaser, FixedAnswers) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    IQvDeviceMultiLaser& laser = host.laser();
    CQvStringW s;
    laser.GetInterfaceName(s);
    EXPECT_EQ(CQvStringW(L"IDeviceMultiLaser"), s);
    laser.GetNameByKind(s, 1, 0);
    EXPECT_EQ(CQvStringW(L"AOM TAVO MultiLaser"), s);
    laser.GetNameByKind(s, 3, 0);
    EXPECT_EQ(CQvStringW(L"MultiLaser"), s);
    laser.GetNameByKind(s, 4, 0);
    EXPECT_TRUE(s.IsEmpty());
    laser.GetHardwareName(s);
    EXPECT_EQ(CQvStringW(L"TAVO"), s);
    EXPECT_TRUE(laser.GetCapability(16));
    EXPECT_TRUE(laser.GetCapability(162));
    EXPECT_FALSE(laser.GetCapability(17));
    uint32_t id = 0, single = 0, first = 0, second = 0;
    EXPECT_EQ(DMRC_OK, laser.GetId(&id));
    EXPECT_EQ(CHostSession::kMultiLaserId, id);
    EXPECT_EQ(DMRC_OK, laser.GetSingleLineMode(&single));
    EXPECT_EQ(1u, single);
    EXPECT_EQ(DMRC_OK, laser.GetPowerStepCount(0, &first, &second));
    EXPECT_EQ(1001u, first);
    EXPECT_EQ(1001u, second);
    double percent = 0;
    EXPECT_EQ(DMRC_OK, laser.GetStepPowerPercent(0, 1000, &percent));
    EXPECT_DOUBLE_EQ(100.0, percent);
    EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.GetStepPowerPercent(0, 1001, &percent));
    EXPECT_EQ(DMRC_NO_DEVICE, laser.SetAlternationMode(1));
    EXPECT_EQ(DMRC_OK, laser.SetAlternationMode(0));
    EXPECT_EQ(DMRC_NOT_SUPPORTED, laser.ShowDeviceConfigDialog(nullptr));
}

TEST(MultiLaser, PowerBecomesTheLinesAomVoltage) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    IQvDeviceMultiLaser& laser = host.laser();
    EXPECT_EQ(DMRC_OK, laser.SetPower(0, 50.0));
    EXPECT_DOUBLE_EQ(2.5, LastVoltage("Dev1/ao0"));
    EXPECT_EQ(DMRC_OK, laser.SetPower(0, 100.0));
    EXPECT_DOUBLE_EQ(5.0, LastVoltage("Dev1/ao0"));
    EXPECT_EQ(DMRC_OK, laser.SetPower(1, 25.0)); // 1 V + 25 % of 2 V
    EXPECT_DOUBLE_EQ(1.5, LastVoltage("Dev1/ao1"));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetPower(0, 100.05));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetPower(0, -0.1));
    EXPECT_EQ(DMRC_BAD_ARGUMENT, laser.SetPower(0, NAN));
    double power = 0;
    laser.GetLinePower(0, &power);
    EXPECT_DOUBLE_EQ(100.0, power) << "refused values change nothing";

    // A tenth of a percent is the step: 12.34 and 12.36 are one write.
    int writes = CallCount("DAQmxWriteAnalogScalarF64");
    EXPECT_EQ(DMRC_OK, laser.SetPower(0, 12.34));
    EXPECT_EQ(DMRC_OK, laser.SetPower(0, 12.36));
    EXPECT_EQ(writes + 1, CallCount("DAQmxWriteAnalogScalarF64"));
    laser.GetLinePower(0, &power);
    EXPECT_DOUBLE_EQ(12.36, power);

    // No channel: the power is kept, nothing is written.
    EXPECT_EQ(DMRC_NO_DEVICE, laser.SetPower(2, 40.0));
    laser.GetLinePower(2, &power);
    EXPECT_DOUBLE_EQ(40.0, power);
    EXPECT_EQ(writes + 1, CallCount("DAQmxWriteAnalogScalarF64"));
}

TEST(MultiLaser, LineSelectionOnTheWireInStandardMode) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    host.TakeCommands();
    IQvDeviceShutter& shutter = host.shutter();
    IQvDeviceMultiLaser& laser = host.laser();
    // Shutter closed: the selection changes, the unit is not told (it passes no line anyway).
    EXPECT_EQ(DMRC_OK, laser.SetLineUsed(1, true));
    EXPECT_EQ(Commands{}, host.TakeCommands());
    bool used = false;
    EXPECT_EQ(DMRC_OK, laser.GetLineUsed(1, &used));
    EXPECT_TRUE(used);
    EXPECT_EQ(DMRC_OK, shutter.SetState(true));
    EXPECT_EQ(Commands{"cTSO2\\r"}, host.TakeCommands());
    EXPECT_EQ(DMRC_OK, shutter.SetState(true)); // same value again: nothing to send
    EXPECT_EQ(Commands{}, host.TakeCommands());
    // A standard unit cannot deselect: "not used" keeps the current line.
    EXPECT_EQ(DMRC_OK, laser.SetLineUsed(1, false));
    EXPECT_EQ(Commands{}, host.TakeCommands());
    EXPECT_EQ(2u, host.device().m_iCurrentLine);
    EXPECT_EQ(DMRC_OK, laser.SetLineUsed(0, true));
    EXPECT_EQ(Commands{"cTSO1\\r"}, host.TakeCommands());
    EXPECT_EQ(DMRC_OK, shutter.SetState(false));
    EXPECT_EQ(Commands{"cTSC\\r"}, host.TakeCommands());
    EXPECT_EQ("line 0 mask 0 bino 0", host.unit().state());
}

TEST(MultiLaser, LineSelectionOnTheWireInExtendedMode) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("extended"));
    host.PausePoll();
    host.TakeCommands();
    EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(0, true));
    EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(2, true));
    EXPECT_EQ(Commands{}, host.TakeCommands()) << "closed shutter";
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(true));
    EXPECT_EQ(Commands{"cTSD5\\r"}, host.TakeCommands());
    EXPECT_EQ(DMRC_OK, host.laser().SetLineUsed(2, false));
    EXPECT_EQ(Commands{"cTSD1\\r"}, host.TakeCommands());
    EXPECT_EQ(DMRC_OK, host.shutter().SetState(false));
    EXPECT_EQ(Commands{"cTSD0\\r"}, host.TakeCommands());
    EXPECT_EQ(1u, host.device().m_iLinesMask);
}

TEST(MultiLaser, StateThreeRefusesLineOperations) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    host.device().m_iState = 3; // connected again, not configured yet
    bool value = false;
    EXPECT_EQ(DMRC_WRONG_STATE, host.laser().SetLineUsed(0, true));
    EXPECT_EQ(DMRC_WRONG_STATE, host.laser().GetLineUsed(0, &value));
    EXPECT_EQ(DMRC_WRONG_STATE, host.shutter().GetState(&value));
    EXPECT_EQ(DMRC_WRONG_STATE, host.shutter().SetState(true));
    host.device().m_iState = 2;
    EXPECT_EQ(DMRC_OK, host.shutter().GetState(&value));
}

TEST(MultiLaser, ChangeRecordBytes) {
    LogicalHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    host.TakeChanges();
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(1, 33.3));
    ASSERT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId));
    const SHostChange c = host.TakeChanges().back();
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
}

TEST(MultiLaser, BatchedChangesMergeIntoOneEntry) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    host.device().m_iPollCountdown = -1;
    host.TakeChanges();
    ASSERT_EQ(DMRC_OK, host.device().BeginChangeBatch(true));
    host.laser().SetPower(0, 10.0);
    host.laser().SetPower(0, 20.0);
    host.shutter().SetState(true);
    EXPECT_TRUE(host.TakeChanges().empty()) << "nothing reaches the host while it batches";
    ASSERT_EQ(DMRC_OK, host.device().FlushChangeBatch());
    std::vector<SHostChange> changes = host.TakeChanges();
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(CHostSession::kMultiLaserId, changes[0].key);
    EXPECT_DOUBLE_EQ(20.0, DataAt<double>(changes[0], 104));
    EXPECT_EQ(CHostSession::kShutterId, changes[1].key);
    EXPECT_EQ(1, changes[1].data[0]);
}

TEST(MultiLaserSettings, SavedTextAndWavelengthRules) {
    LogicalHost host;
    ASSERT_TRUE(host.StartSimulator(L""));
    CQvAOMTAVOMultiLaser& laser = *host.device().m_pMultiLaser;
    ASSERT_EQ(DMRC_OK, laser.LoadSettings(L"", 5));
    CQvStringW text;
    laser.SaveSettings(text);
    EXPECT_EQ(
        CQvStringW(L"m_uWavelengthExcitation0=405;m_dPower0=  0.0;m_uWavelengthExcitation1=488;m_dPower1=  "
                   L"0.0;m_uWavelengthExcitation2=561;m_dPower2=  0.0;"),
        text);
    // Powers come back; wavelengths only together with a name, and only when plausible.
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

} // namespace
