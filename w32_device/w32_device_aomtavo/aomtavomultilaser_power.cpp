// Each line's power: what the host reads is what the line's AOM has. Only the worker writes voltages, and
// it records a power as written only once its voltage is on the channel the line has at that moment.
#include "aomtavomultilaser.h"

#include "aomlog.h"
#include "aomnidaqport.h"
#include "aomtavodevice.h"

#include <qv/qvlog.h>

#include <math.h>
#include <string.h>

namespace {
const int kFailed = -1;

// Never outside the span the line's channel was created with, where a rounding at 100 % would otherwise be
// refused.
double WithinSpan(double volts, float min, float max) {
    double bottom = min < max ? min : max, top = min < max ? max : min;
    return volts < bottom ? bottom : volts > top ? top : volts;
}

// The voltage of steps tenths of a percent: through the line's calibration when it has one, else linear on
// the span from min (0 %) to max (100 %, falling when below min).
double VoltageFor(int steps, float min, float max, const SAOMCalibration& calibration) {
    double low = min, high = max;
    double volts = calibration.IsSet() ? AOMCalibratedVoltage(calibration, steps / 10.0)
                                       : low + (high - low) / 100.0 * (steps / 10.0);
    return WithinSpan(volts, min, max);
}

uint64_t BitsOf(double value) {
    uint64_t bits = 0;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

double FromBits(uint64_t bits) {
    double value = 0.0;
    memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SetPower(int line, double percent) {
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetPower - Enter");
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    if (!(percent >= 0.0 && percent <= 100.0)) // also refuses NaN
        return DMRC_BAD_ARGUMENT;
    int steps = static_cast<int>(percent * 10.0);
    bool channel = true;
    {
        AOM_HOLD(m_pOwner->UnitStateLock());
        channel = m_pOwner->m_Lines[p].iIndex != 0;
        // A slider sends many values: only a change of a tenth of a percent reaches the hardware, unless the
        // channel does not have the line's power (after a connect, a new channel or span, a failed write).
        if (steps == m_aiPowerSteps[p] && (m_abPowerWritten[p] || !channel)) {
            m_adPower[p] = percent;
            return DMRC_OK;
        }
        if (!channel) {
            m_adPower[p] = percent;
            m_aiPowerSteps[p] = steps;
        }
    }
    if (!channel) {
        AOM_ALWAYS(L"ERROR: CQvAOMTAVOMultiLaser::SetPower - line %d (unit line %d): it has no AOM channel",
                   line, p + 1);
        return DMRC_NO_DEVICE;
    }
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetPower - Test OK");
    CQvStringW failure;
    int64_t result = m_pOwner->CallBack(C_SetPower, reinterpret_cast<uintptr_t>(this),
                                        static_cast<uint64_t>(p), BitsOf(percent), 0, &failure);
    if (result != 0)
        AOM_ALWAYS(L"ERROR: CQvAOMTAVOMultiLaser::SetPower - line %d (unit line %d): %s", line, p + 1,
                   failure.GetString());
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetPower - Leave");
    return result == 0 ? DMRC_OK : DMRC_NO_DEVICE;
}

CQvAOMTAVOMultiLaser::SLineOutput CQvAOMTAVOMultiLaser::TakeLine(int p) {
    SLineOutput line;
    AOM_HOLD(m_pOwner->UnitStateLock());
    const SAOMLineConfig& config = m_pOwner->m_Lines[p];
    line.bChannel = config.iIndex != 0;
    line.sChannel = config.sChannel_Name;
    line.fMin = config.fValMin;
    line.fMax = config.fValMax;
    line.uOutputs = m_pOwner->m_uOutputsGeneration;
    line.uPowerMaps = m_uPowerMaps;
    line.calibration = m_aCalibration[p];
    line.dTestVolts = m_adTestVolts[p];
    line.iSteps = m_aiPowerSteps[p];
    line.dPower = m_adPower[p];
    line.bWritten = m_abPowerWritten[p];
    return line;
}

void CQvAOMTAVOMultiLaser::TakeLineOutputs() {
    CQvAOMNIDAQPort& port = *m_pOwner->m_pNIDAQPort;
    AOM_HOLD(m_pOwner->UnitStateLock());
    for (int p = 0; p < MaxLines; ++p) {
        const SAOMLineConfig& config = m_pOwner->m_Lines[p];
        port.SetLineOutput(p, config.sChannel_Name, config.fValMin, config.fValMax);
    }
    m_uAppliedOutputs = m_pOwner->m_uOutputsGeneration;
}

bool CQvAOMTAVOMultiLaser::WriteLine(int p, const SLineOutput& line, int steps, bool probe) {
    if (line.uOutputs != m_uAppliedOutputs) TakeLineOutputs();
    // Written with the span taken with the power: a span changed since is written at its next write.
    double volts = isnan(line.dTestVolts) ? VoltageFor(steps, line.fMin, line.fMax, line.calibration)
                                          : WithinSpan(line.dTestVolts, line.fMin, line.fMax);
    return m_pOwner->m_pNIDAQPort->WriteChannelVoltage(p, volts, probe);
}

bool CQvAOMTAVOMultiLaser::StillCurrent(int p, const SLineOutput& line) const {
    return m_pOwner->m_uOutputsGeneration == line.uOutputs && m_uPowerMaps == line.uPowerMaps &&
           m_aiPowerSteps[p] == line.iSteps;
}

void CQvAOMTAVOMultiLaser::MarkWritten(int p, const SLineOutput& line, bool written) {
    AOM_HOLD(m_pOwner->UnitStateLock());
    // A test voltage is not the line's power: the line is written again when the test ends.
    if (StillCurrent(p, line)) m_abPowerWritten[p] = written && isnan(line.dTestVolts);
}

int32_t CQvAOMTAVOMultiLaser::C_SetPower(uint64_t multiLaser, uint64_t positionArg, uint64_t percentBits) {
    CQvAOMTAVOMultiLaser* self = reinterpret_cast<CQvAOMTAVOMultiLaser*>(static_cast<uintptr_t>(multiLaser));
    CQvAOMTAVO& device = *self->m_pOwner;
    int p = static_cast<int>(positionArg);
    QV_DIAG(L"CQvAOMTAVOMultiLaser::C_SetPower - begin");
    double percent = FromBits(percentBits);
    int steps = static_cast<int>(percent * 10.0);
    SLineOutput line = self->TakeLine(p);
    int32_t result = 0;
    if (!line.bChannel) {
        device.m_sCommandFailure = L"it has no AOM channel";
        result = kFailed;
    } else if (!self->WriteLine(p, line, steps, false)) {
        QV_DIAG(L"CQvAOMTAVOMultiLaser::C_SetPower - FAIL");
        device.m_sCommandFailure = L"the voltage write failed: ";
        device.m_sCommandFailure.AddString(device.m_pNIDAQPort->LastFailure());
        result = kFailed;
    } else {
        QV_DIAG(L"CQvAOMTAVOMultiLaser::C_SetPower - OK");
    }
    // The host reads the power it asked for even when the write failed; the board check writes it then.
    bool flags[MaxLines];
    {
        AOM_HOLD(device.UnitStateLock());
        self->m_adPower[p] = percent;
        self->m_aiPowerSteps[p] = steps;
        self->m_abPowerWritten[p] = result == 0 && device.m_uOutputsGeneration == line.uOutputs &&
                                    self->m_uPowerMaps == line.uPowerMaps && isnan(line.dTestVolts);
        self->UsedFlagsLocked(flags);
    }
    self->Notify(flags[0], flags[1], flags[2], p);
    return result;
}

void CQvAOMTAVOMultiLaser::WriteRecordedPowers(bool all) {
    for (int p = 0; p < MaxLines; ++p) {
        SLineOutput line = TakeLine(p);
        if (!line.bChannel || (line.bWritten && !all)) continue;
        MarkWritten(p, line, WriteLine(p, line, line.iSteps, true));
    }
}

int32_t CQvAOMTAVOMultiLaser::C_ApplyPowers(uint64_t multiLaser, uint64_t, uint64_t) {
    reinterpret_cast<CQvAOMTAVOMultiLaser*>(static_cast<uintptr_t>(multiLaser))->WriteRecordedPowers(false);
    return 0;
}

int32_t CQvAOMTAVOMultiLaser::C_TestVoltage(uint64_t multiLaser, uint64_t sessionAndPosition, uint64_t voltsBits) {
    CQvAOMTAVOMultiLaser* self = reinterpret_cast<CQvAOMTAVOMultiLaser*>(static_cast<uintptr_t>(multiLaser));
    CQvAOMTAVO& device = *self->m_pOwner;
    int p = static_cast<int>(sessionAndPosition & 0xff);
    {
        // A command that reaches the worker after its session ended (its caller timed out) holds nothing.
        AOM_HOLD(device.UnitStateLock());
        if (self->m_auTestSession[p] != (sessionAndPosition >> 8)) {
            device.m_sCommandFailure = L"the calibration of the line has ended";
            return kFailed;
        }
        self->m_adTestVolts[p] = FromBits(voltsBits);
        ++self->m_uPowerMaps;
    }
    SLineOutput line = self->TakeLine(p);
    if (!line.bChannel) {
        device.m_sCommandFailure = L"it has no AOM channel";
        return kFailed;
    }
    bool written = self->WriteLine(p, line, line.iSteps, false);
    self->MarkWritten(p, line, written);
    if (written) return 0;
    device.m_sCommandFailure = L"the voltage write failed: ";
    device.m_sCommandFailure.AddString(device.m_pNIDAQPort->LastFailure());
    return kFailed;
}

uint64_t CQvAOMTAVOMultiLaser::BeginTestVoltages(int p) {
    AOM_HOLD(m_pOwner->UnitStateLock());
    return ++m_auTestSession[p];
}

void CQvAOMTAVOMultiLaser::EndTestVoltages(int p) {
    {
        AOM_HOLD(m_pOwner->UnitStateLock());
        ++m_auTestSession[p];
        if (isnan(m_adTestVolts[p])) return;
        m_adTestVolts[p] = NAN;
        m_abPowerWritten[p] = false;
        ++m_uPowerMaps;
    }
    m_pOwner->ApplyPowers();
}

SAOMCalibration CQvAOMTAVOMultiLaser::Calibration(int p) {
    AOM_HOLD(m_pOwner->UnitStateLock());
    return m_aCalibration[p];
}

void CQvAOMTAVOMultiLaser::SetCalibration(int p, const SAOMCalibration& calibration) {
    AOM_HOLD(m_pOwner->UnitStateLock());
    m_aCalibration[p] = calibration;
    m_abPowerWritten[p] = false;
    ++m_uPowerMaps;
}

void CQvAOMTAVOMultiLaser::CheckBoards() {
    WriteRecordedPowers(true);
}

void CQvAOMTAVOMultiLaser::ForgetWrittenPowers() {
    AOM_HOLD(m_pOwner->UnitStateLock());
    for (bool& written : m_abPowerWritten)
        written = false;
}
