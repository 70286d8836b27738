#include "aomtavomultilaser.h"

#include "aomcalibrationtext.h"
#include "aomnidaqport.h"
#include "aomnotify.h"
#include "aomsettingstext.h"
#include "aomtavodevice.h"
#include "aomtavopad.h"
#include "aomtavoport.h"
#include "calibdlg.h"

#include "aomlog.h"

#include <qv/qvlog.h>

#include <math.h>
#include <stdio.h>
#include <wchar.h>

namespace {
const int kFailed = -1;
const int kMaxStep = 1000;

// The calibration's key: no key of these settings occurs in it, nor it in any of theirs, and its value holds
// none of them, so that a reader that looks keys up as substrings finds each where it always did.
const wchar_t kCalibrationKey[] = L"m_sPowerCalibration";
const int kCalibrationText = 4096;

CQvStringW PositionKey(const wchar_t* key, int position) {
    CQvStringW text(key);
    text.AddInt(position);
    return text;
}

bool SameCalibration(const SAOMCalibration& a, const SAOMCalibration& b) {
    if (a.iCount != b.iCount || wcscmp(a.szUnit, b.szUnit) != 0) return false;
    for (int i = 0; i < a.iCount; ++i)
        if (a.aPoints[i].dVolts != b.aPoints[i].dVolts || a.aPoints[i].dPower != b.aPoints[i].dPower) return false;
    return true;
}
} // namespace

SAOMCalibration CQvAOMTAVOMultiLaser::LoadedCalibration(const wchar_t* settings, int p) {
    SAOMCalibration calibration; // a text without the entry: the line is not calibrated
    CQvStringW value;
    if (CQvAOMTAVO::GetKeyValue(settings, PositionKey(kCalibrationKey, p), value) != 0) return calibration;
    SAOMCalibrationCheck check;
    if (AOMParseCalibration(value, value.GetLength(), calibration, check)) return calibration;
    AOM_ALWAYS(L"ERROR: CQvAOMTAVOMultiLaser::LoadSettings - the calibration of unit line %d is kept as it was: %s",
               p + 1, AOMCalibrationFaultText(calibration, check, 0.0, 0.0, false).GetString());
    return Calibration(p);
}

CQvAOMTAVOMultiLaser::CQvAOMTAVOMultiLaser(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0), m_uLineCount(MaxLines), m_auWavelength{},
      m_aiPowerSteps{}, m_adPower{}, m_abEmpty{}, m_abPowerWritten{}, m_adTestVolts{NAN, NAN, NAN},
      m_auTestSession{}, m_uPowerMaps(0), m_uAppliedOutputs(~0u) {}

CQvAOMTAVOMultiLaser::~CQvAOMTAVOMultiLaser() {}

void CQvAOMTAVOMultiLaser::GetInterfaceName(CQvStringW& name) {
    name = L"IDeviceMultiLaser";
}
void CQvAOMTAVOMultiLaser::GetDeviceName(CQvStringW& name) {
    name = L"AOM TAVO MultiLaser";
}
void CQvAOMTAVOMultiLaser::GetTypeName(CQvStringW& name) {
    name = L"MultiLaser";
}

void CQvAOMTAVOMultiLaser::GetNameByKind(CQvStringW& name, int kind, int) {
    if (kind == 1)
        GetDeviceName(name);
    else if (kind == 2)
        GetTypeName(name);
    else if (kind == 3)
        name = L"MultiLaser";
    else
        name.Empty();
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetId(uint32_t* id) {
    if (id) *id = m_uId;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetPropertyPages(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::Initialize() {
    return DMRC_OK;
}
bool CQvAOMTAVOMultiLaser::IsEnabled() {
    return true;
}
bool CQvAOMTAVOMultiLaser::GetCapability(int capability) {
    return capability == 16 || capability == 162;
}
bool CQvAOMTAVOMultiLaser::HasOwnConfigDialog() {
    return false;
}
EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::ShowDeviceConfigDialog(HWND) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvAOMTAVOMultiLaser::IsReady() {
    return true;
}
int CQvAOMTAVOMultiLaser::GetDeviceClassVersion() {
    return 2;
}
EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetDeviceParameters(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
void CQvAOMTAVOMultiLaser::GetHardwareName(CQvStringW& name) {
    name = L"TAVO";
}

uint32_t CQvAOMTAVOMultiLaser::VisibleLineCount() const {
    uint32_t count = m_uLineCount;
    for (int p = 0; p < MaxLines; ++p)
        if (m_abEmpty[p] && count > 0) --count;
    return count;
}

int CQvAOMTAVOMultiLaser::Position(int line) const {
    // A negative line would pass a signed test against the count and index before the arrays.
    if (line < 0 || static_cast<uint32_t>(line) >= VisibleLineCount()) return -1;
    for (int p = 0, visible = 0; p < MaxLines; ++p) {
        if (m_abEmpty[p]) continue;
        if (visible++ == line) return p;
    }
    return -1;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetSingleLineMode(uint32_t* single) {
    if (single) *single = 1;
    if (!m_pOwner) return DMRC_NO_DEVICE;
    if (single) *single = m_pOwner->m_bExtendedMode ? 0 : 1;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetLineCount(uint32_t* count) {
    if (count) *count = VisibleLineCount();
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetLineName(int line, CQvStringW& name) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    name = m_asName[p];
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SetLineName(int line, const wchar_t* name) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    m_asName[p] = name;
    return DMRC_OK;
}

void CQvAOMTAVOMultiLaser::UsedFlagsLocked(bool (&used)[MaxLines]) const {
    for (int p = 0; p < MaxLines; ++p)
        used[p] = m_pOwner->m_bExtendedMode ? (m_pOwner->m_iLinesMask & (1u << p)) != 0
                                            : m_pOwner->m_iCurrentLine == static_cast<uint32_t>(p + 1);
}

void CQvAOMTAVOMultiLaser::UsedFlags(bool (&used)[MaxLines]) {
    AOM_HOLD(m_pOwner->UnitStateLock());
    UsedFlagsLocked(used);
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetLineUsed(int line, bool* used) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    {
        AOM_HOLD(m_pOwner->DeviceLock());
        if (m_pOwner->m_iState == 3) return DMRC_WRONG_STATE;
    }
    bool flags[MaxLines];
    UsedFlags(flags);
    if (used) *used = flags[p];
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SetLineUsed(int line, bool used) {
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetLineUsed - Enter");
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    {
        AOM_HOLD(m_pOwner->DeviceLock());
        if (m_pOwner->m_iState == 3) return DMRC_WRONG_STATE;
    }
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetLineUsed - Test OK");
    CQvStringW failure;
    int64_t result = m_pOwner->CallBack(C_SetLineUsed, reinterpret_cast<uintptr_t>(this), used ? 1 : 0,
                                        static_cast<uint64_t>(p), 0, &failure);
    if (result != 0)
        AOM_ALWAYS(L"ERROR: CQvAOMTAVOMultiLaser::SetLineUsed - line %d (unit line %d): %s", line, p + 1,
                   failure.GetString());
    QV_DIAG(L"CQvAOMTAVOMultiLaser::SetLineUsed - Leave");
    return result == 0 ? DMRC_OK : DMRC_NO_DEVICE;
}

int32_t CQvAOMTAVOMultiLaser::C_SetLineUsed(uint64_t multiLaser, uint64_t usedArg, uint64_t positionArg) {
    CQvAOMTAVOMultiLaser* self = reinterpret_cast<CQvAOMTAVOMultiLaser*>(static_cast<uintptr_t>(multiLaser));
    CQvAOMTAVO& device = *self->m_pOwner;
    bool used = usedArg != 0;
    int position = static_cast<int>(positionArg);
    QV_DIAG(L"CQvAOMTAVOMultiLaser::C_SetLineUsed - begin");
    int32_t result = 0;
    bool extended = device.m_bExtendedMode;

    uint32_t selection = 0, toSend = 0;
    bool needed = false;
    {
        AOM_HOLD(device.UnitStateLock());
        if (extended)
            selection =
                used ? device.m_iLinesMask | (1u << position) : device.m_iLinesMask & ~(1u << position);
        else
            selection = used ? static_cast<uint32_t>(position + 1) : device.m_iCurrentLine; // cannot deselect
        toSend = device.m_bShutterOpen ? selection : 0;
        // Taking the last line away darkens the unit: sent whatever the device last heard, as a closing is.
        needed = toSend != (extended ? device.m_iLinesUsed : device.m_iLineUsed) ||
                 (!used && toSend == 0 && device.m_bShutterOpen);
    }

    // While the line is lost nothing is sent and nothing kept: the unit's own state counts on its return.
    if (!device.UnitReachable() || (needed && !device.WriteSelection(extended, toSend))) {
        result = kFailed;
    } else {
        bool changed = false;
        {
            AOM_HOLD(device.UnitStateLock());
            uint32_t& stored = extended ? device.m_iLinesMask : device.m_iCurrentLine;
            changed = selection != stored;
            stored = selection;
            (extended ? device.m_iLinesUsed : device.m_iLineUsed) = toSend;
        }
        if (changed) {
            bool flags[MaxLines];
            for (int p = 0; p < MaxLines; ++p)
                flags[p] =
                    extended ? (selection & (1u << p)) != 0 : selection == static_cast<uint32_t>(p + 1);
            self->Notify(flags[0], flags[1], flags[2], position);
        }
    }
    QV_DIAG(L"CQvAOMTAVOMultiLaser::C_SetLineUsed - end - LRESULT=0x%08x", result);
    return result;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetPowerStepCount(int line, uint32_t* first,
                                                                 uint32_t* second) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    uint32_t steps = m_pOwner->m_Lines[p].iIndex != 0 ? PowerSteps + 1 : 0;
    if (first) *first = steps;
    if (second) *second = steps;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetStepPowerPercent(int line, int step, double* percent) {
    if (Position(line) < 0 || step < 0 || step > kMaxStep) return DMRC_BAD_ARGUMENT;
    if (percent) *percent = step * 0.1;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetLinePower(int line, double* percent) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    if (percent) *percent = m_adPower[p];
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetWavelength(int line, uint32_t* nm) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    if (nm) *nm = m_auWavelength[p];
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SetWavelength(int line, uint32_t nm) {
    int p = Position(line);
    if (p < 0) return DMRC_BAD_ARGUMENT;
    m_auWavelength[p] = nm;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetAlternationMode(uint32_t* mode) {
    if (mode) *mode = 0;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SetAlternationMode(int mode) {
    return mode != 0 ? DMRC_NO_DEVICE : DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::GetTriggeringCapabilities(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvAOMTAVOMultiLaser::IsTriggeringActive() {
    return false;
}
EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::ArmTrigger() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::DisarmTrigger() {
    return DMRC_NOT_SUPPORTED;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::SaveSettings(CQvStringW& settings) {
    for (int p = 0; p < MaxLines; ++p) {
        CQvAOMTAVO::AddKeyValue(settings, PositionKey(L"m_uWavelengthExcitation", p),
                                SettingInt(static_cast<int>(m_auWavelength[p])));
        CQvAOMTAVO::AddKeyValue(settings, PositionKey(L"m_dPower", p), SettingFloat(m_adPower[p]));
        // Only a calibrated line has the entry: a text without calibrations reads as it always has.
        SAOMCalibration calibration = Calibration(p);
        if (calibration.IsSet()) {
            wchar_t text[kCalibrationText];
            AOMFormatCalibration(calibration, text, kCalibrationText);
            CQvAOMTAVO::AddKeyValue(settings, PositionKey(kCalibrationKey, p), text);
        }
    }
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::LoadSettings(const wchar_t* settings, uint32_t id) {
    m_uId = id;
    for (int p = 0; p < MaxLines; ++p) {
        float& lambda = m_pOwner->m_Lines[p].fValLambda;
        if (lambda != 0.0f && (lambda < 300.0f || lambda > 800.0f)) lambda = 405.0f;
        int wavelength = static_cast<int>(lambda);
        CQvStringW value;
        if (CQvAOMTAVO::GetKeyValue(settings, PositionKey(L"m_uWavelengthExcitation", p), value) == 0)
            ScanSettingInt(value, wavelength);
        if (wavelength != 0 && (wavelength < 100 || wavelength > 1500)) wavelength = static_cast<int>(lambda);
        // The configured wavelength wins unless the text also names the line.
        CQvStringW name;
        bool named =
            CQvAOMTAVO::GetKeyValue(settings, PositionKey(L"m_sName", p), name) == 0 && !name.IsEmpty();
        if (wavelength != 0 && !named) wavelength = static_cast<int>(lambda);
        float power = 0.0f;
        if (CQvAOMTAVO::GetKeyValue(settings, PositionKey(L"m_dPower", p), value) == 0)
            ScanSettingFloat(value, power);
        if (!isfinite(power) || power > 1e6f || power < -1e6f)
            power = 0.0f; // steps are an int: no value may overflow them
        m_auWavelength[p] = static_cast<uint32_t>(wavelength);
        lambda = static_cast<float>(wavelength);
        SAOMCalibration calibration = LoadedCalibration(settings, p);
        AOM_HOLD(m_pOwner->UnitStateLock());
        if (!SameCalibration(calibration, m_aCalibration[p])) {
            m_aCalibration[p] = calibration;
            m_abPowerWritten[p] = false;
            ++m_uPowerMaps;
        }
        int steps = static_cast<int>(static_cast<double>(power) * 10.0);
        // A power the channel already has stays written; any other is written below.
        if (steps != m_aiPowerSteps[p]) m_abPowerWritten[p] = false;
        m_adPower[p] = power;
        m_aiPowerSteps[p] = steps;
    }
    // The host's record of what the user set is what the AOMs get.
    m_pOwner->ApplyPowers();
    return DMRC_OK;
}

bool CQvAOMTAVOMultiLaser::Notify(bool line1, bool line2, bool line3, int position) {
    SQvDMChangeRecord record;
    InitChangeRecord(record, m_uId);
    PutData<uint32_t>(record, 0, m_uLineCount);
    const bool used[MaxLines] = {line1, line2, line3};
    for (int p = 0; p < MaxLines; ++p) {
        PutData<uint8_t>(record, 4 + p, used[p] ? 1 : 0);
        PutData<uint8_t>(record, 20 + p, 1);
        PutData<uint32_t>(record, 36 + 4 * p, m_auWavelength[p]);
        PutData<double>(record, 104 + 8 * p, m_adPower[p]);
        PutData<int32_t>(record, 232 + 4 * p, -1);
    }
    PutData<int32_t>(record, 368, 0);
    PutData<int32_t>(record, 372, position);
    return m_pOwner->DeliverChange(record, CQvAOMTAVO::PadMultiLaser);
}

bool CQvAOMTAVOMultiLaser::GetCalibrationSupported() {
    return true;
}

EDeviceManagerReturnCode CQvAOMTAVOMultiLaser::ShowCalibrationDialog(HWND parent) {
    QV_DIAG(L"CQvAOMTAVOMultiLaser::ShowCalibrationDialog - BEGIN");
    CCalibDlg dialog(this);
    EDeviceManagerReturnCode result = dialog.DoModal(parent);
    QV_DIAG(L"CQvAOMTAVOMultiLaser::ShowCalibrationDialog - END, result %d", result);
    return result;
}
