#include "aomtavoshutter.h"

#include "aomnotify.h"
#include "aomtavodevice.h"
#include "aomtavopad.h"
#include "aomtavoport.h"
#include "cfgdlg.h"

#include "aomlog.h"

#include <qv/qvlocale.h>
#include <qv/qvlog.h>

#include <wchar.h>

namespace {
const wchar_t kSourceFile[] = L"aomtavoshutter";
const double kSwitchTimeMs = 50.0;

struct SShutterType {
    const wchar_t* displayName;
    const wchar_t* name;
};
const SShutterType kTypes[] = {{L"Shutter EPI", L"EPI"},
                               {L"Shutter DIA", L"DIA"},
                               {L"Shutter Aux1", L"Aux1"},
                               {L"Shutter Aux2", L"Aux2"}};
const uint32_t kTypeCount = sizeof kTypes / sizeof kTypes[0];
} // namespace

CQvAOMTAVOShutter::CQvAOMTAVOShutter(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0), m_uShutterType(0), m_sName(QV_GetTranslation(L"TAVO", kSourceFile)) {}

CQvAOMTAVOShutter::~CQvAOMTAVOShutter() {}

void CQvAOMTAVOShutter::GetInterfaceName(CQvStringW& name) {
    name = L"IDeviceShutter";
}
void CQvAOMTAVOShutter::GetDeviceName(CQvStringW& name) {
    name = L"AOM TAVO Shutter";
}

void CQvAOMTAVOShutter::GetTypeName(CQvStringW& name) {
    name = m_uShutterType < kTypeCount ? kTypes[m_uShutterType].displayName : L"Shutter";
}

void CQvAOMTAVOShutter::GetNameByKind(CQvStringW& name, int kind, int) {
    if (kind == 1)
        GetDeviceName(name);
    else if (kind == 2)
        GetTypeName(name);
    else if (kind == 3)
        name = L"Shutter";
    else
        name.Empty();
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetId(uint32_t* id) {
    if (id) *id = m_uId;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetPropertyPages(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::Initialize() {
    return DMRC_OK;
}
bool CQvAOMTAVOShutter::IsEnabled() {
    return true;
}
bool CQvAOMTAVOShutter::HasOwnConfigDialog() {
    return false;
}
bool CQvAOMTAVOShutter::IsReady() {
    return true;
}
int CQvAOMTAVOShutter::GetDeviceClassVersion() {
    return 2;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetDeviceParameters(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
void CQvAOMTAVOShutter::GetHardwareName(CQvStringW& name) {
    name = L"TAVO";
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::SaveSettings(CQvStringW& settings) {
    settings.Format(L"ShutterType=%d|", static_cast<int>(m_uShutterType));
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::LoadSettings(const wchar_t* settings, uint32_t id) {
    m_uId = id;
    int type = static_cast<int>(m_uShutterType);
    if (settings && swscanf(settings, L"ShutterType=%d|", &type) == 1)
        SetShutterType(static_cast<uint32_t>(type));
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetSwitchTime(double* ms) {
    if (ms) *ms = kSwitchTimeMs;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::CheckConfigured() {
    AOM_HOLD(m_pOwner->DeviceLock());
    return m_pOwner->m_iState == 3 ? DMRC_WRONG_STATE : DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetState(bool* open) {
    if (CheckConfigured() != DMRC_OK) return DMRC_WRONG_STATE;
    AOM_HOLD(m_pOwner->UnitStateLock());
    if (open) *open = m_pOwner->m_bShutterOpen;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::SetState(bool open) {
    if (CheckConfigured() != DMRC_OK) return DMRC_WRONG_STATE;
    CQvStringW failure;
    int64_t result =
        m_pOwner->CallBack(C_SetState, reinterpret_cast<uintptr_t>(this), open ? 1 : 0, 0, 0, &failure);
    if (result == 0) return DMRC_OK;
    AOM_ALWAYS(L"ERROR: CQvAOMTAVOShutter::SetState - %s the shutter: %s", open ? L"opening" : L"closing",
               failure.GetString());
    return DMRC_NO_DEVICE;
}

int32_t CQvAOMTAVOShutter::C_SetState(uint64_t shutter, uint64_t openArg, uint64_t) {
    CQvAOMTAVOShutter* self = reinterpret_cast<CQvAOMTAVOShutter*>(static_cast<uintptr_t>(shutter));
    CQvAOMTAVO& device = *self->m_pOwner;
    bool open = openArg != 0;
    QV_DIAG(L"CQvAOMTAVOShutter::C_SetState - begin");
    bool extended = device.m_bExtendedMode;
    uint32_t toSend = 0;
    bool bino = false, needed = false;
    {
        AOM_HOLD(device.UnitStateLock());
        toSend = open ? (extended ? device.m_iLinesMask : device.m_iCurrentLine) : 0;
        // While the binocular shutter is engaged the unit passes no light whatever it is told, so an opening
        // waits for the person. A closing is always sent: what the device last heard from the unit may be
        // stale (a reply lost to noise reads as "no line"), and a unit never told to close passes its line
        // again the moment the binocular shutter is released.
        bino = device.m_bBinoShutter;
        needed = !open || (toSend != (extended ? device.m_iLinesUsed : device.m_iLineUsed) && !bino);
    }

    int32_t result = 0;
    // A lost line passes no light whatever the shutter is told; nothing is kept for its return.
    if (!device.UnitReachable() || (needed && !device.WriteSelection(extended, toSend))) {
        result = -1;
    } else {
        bool changed = false;
        {
            AOM_HOLD(device.UnitStateLock());
            changed = open != device.m_bShutterOpen;
            device.m_bShutterOpen = open;
            (extended ? device.m_iLinesUsed : device.m_iLineUsed) = toSend;
        }
        if (changed || bino) self->Notify(open);
    }
    QV_DIAG(L"CQvAOMTAVOShutter::C_SetState - end - LRESULT=0x%08x", result);
    return result;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::PostPadUpdate() {
    if (m_pOwner->m_pPad) m_pOwner->m_pPad->Update_Shutter();
    return DMRC_OK;
}

bool CQvAOMTAVOShutter::IsMotorized() {
    return false;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetPosition(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::SetPosition(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetPositionCount(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetPositionName(int, CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetName(CQvStringW& name) {
    name = m_sName;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::SetName(const wchar_t* name) {
    m_sName = name;
    return DMRC_OK;
}

bool CQvAOMTAVOShutter::SupportsMode(int mode) {
    return mode == 0;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetMode(uint32_t* mode) {
    if (mode) *mode = 0;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::SetMode(int mode) {
    return mode != 0 ? DMRC_BAD_ARGUMENT : DMRC_OK;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetTriggerSource(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::SetTriggerSource(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::GetTriggerDelay(double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVOShutter::SetTriggerDelay(double) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvAOMTAVOShutter::IsSimpleShutter() {
    return true;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetShutterType(uint32_t* type) {
    if (type) *type = m_uShutterType;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::SetShutterType(uint32_t type) {
    m_uShutterType = type;
    if (type < kTypeCount) m_sName = QV_GetTranslation(kTypes[type].name, kSourceFile);
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::GetShutterId(uint32_t* id) {
    if (id) *id = m_uId;
    return DMRC_OK;
}

bool CQvAOMTAVOShutter::Notify(bool open) {
    SQvDMChangeRecord record;
    InitChangeRecord(record, m_uId);
    PutData<uint8_t>(record, 0, open ? 1 : 0);
    PutData<int32_t>(record, 4, 0);
    PutData<double>(record, 8, 0.0);
    return m_pOwner->DeliverChange(record, CQvAOMTAVO::PadShutter);
}

EDeviceManagerReturnCode CQvAOMTAVOShutter::ShowDeviceConfigDialog(HWND parent) {
    CCfgShutterDlg dialog(m_pOwner, this);
    dialog.DoModal(parent);
    return DMRC_OK;
}
