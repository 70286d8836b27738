#include "aomtavodevice.h"

#include "aomnidaqport.h"
#include "aomtavomultilaser.h"
#include "aomtavopad.h"
#include "aomtavoport.h"
#include "aomtavoshutter.h"

#include <qv/qvdmapi.h>
#include <qv/qvlocale.h>
#include <qv/qvlog.h>

#include <new>
#include <string.h>

extern CQvClassInfo g_ClassInfoCQvAOMTAVO;
extern CQvClassInfo g_ClassInfoCQvAOMTAVOSim;

namespace {
const wchar_t kSourceFile[] = L"aomtavodevice";
const wchar_t kDeviceName[] = L"Orvia TAVO and AOM";
const uint32_t kHWUnitType = 6;
const int kDeviceImage = 1002;
} // namespace

CQvAOMTAVO::CQvAOMTAVO()
    : CQvClass(true), m_bBatching(false), m_iState(0), m_pfnChange(nullptr), m_pChangeContext(0),
      m_iAOChannelCount(0), m_iDAQBoardCount(0), m_uOutputsGeneration(0),
      m_hWorkerThread(nullptr), m_dwWorkerThreadId(0),
      m_hEvStarted(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hEvEnded(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hEvTaken(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hEvDone(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hEvRequest(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_pfnCommand(nullptr), m_aCommandArgs{},
      m_iCommandResult(0), m_lPostedCommand(0), m_lTakenCommand(0), m_lDoneCommand(0), m_lStopRequested(0),
      m_pPort(nullptr), m_pNIDAQPort(nullptr), m_pPad(nullptr), m_pPadSite(nullptr), m_bSimulator(false),
      m_iPhysDevId(0), m_iInstanceNumber(0), m_iCOMPort(0), m_iConnectedCOMPort(0), m_bConnected(false),
      m_pMultiLaser(nullptr), m_pShutter(nullptr), m_bLogCommunication(true), m_iPollCountdown(-1),
      m_bPushPending(false), m_bExtendedMode(false), m_iFailedPolls(0), m_bLineLost(false), m_uNextReopen(0),
      m_bBinoShutter(false), m_iLineUsed(0), m_iLinesUsed(0), m_bShutterOpen(false), m_iLinesMask(0),
      m_iCurrentLine(0), m_hEvCallReturned(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    m_ChangeBatch.uCount = 0;
    memset(m_ChangeBatch.auSubKind, 0, sizeof m_ChangeBatch.auSubKind);

    {
        CQvRscData catalog;
        if (QV_RCDATAToCQvRscData(catalog, g_hAOMTAVOModule)) QV_CQvRscDataToCQvLocale(catalog);
    }

    QV_DIAG(L"CQvAOMTAVO constructor");

    m_pMultiLaser = new (std::nothrow) CQvAOMTAVOMultiLaser(this);
    m_pShutter = new (std::nothrow) CQvAOMTAVOShutter(this);
    m_pPort = new (std::nothrow) CQvAOMTAVOPort();
    m_pNIDAQPort = new (std::nothrow) CQvAOMNIDAQPort();
    m_pPad = new (std::nothrow) CQvAOMTAVOPad(this);

    m_Lines[0].fValLambda = 405.0f;
    m_Lines[1].fValLambda = 488.0f;
    m_Lines[2].fValLambda = 561.0f;
}

CQvAOMTAVO::~CQvAOMTAVO() {
    QV_DIAG(L"CQvAOMTAVO destructor");
    {
        // A host that releases a connected device must not leave a worker running on freed memory.
        CAOMSectionHold lifecycle(m_LifecycleLock);
        StopWorker();
    }
    // No host call is made from here on, and one still being made on a host thread ends first.
    SetChangeCallback(nullptr, 0);
    WaitForDeliveries();
    delete m_pMultiLaser;
    delete m_pShutter;
    delete m_pPort;
    delete m_pNIDAQPort;
    delete m_pPad;
    for (HANDLE event : {m_hEvStarted, m_hEvEnded, m_hEvTaken, m_hEvDone, m_hEvRequest, m_hEvCallReturned})
        if (event) CloseHandle(event);
}

CQvClass* CQvAOMTAVO::GetClassObject() {
    return this;
}

const CQvClassInfo* CQvAOMTAVO::GetClassInfo() const {
    return &g_ClassInfoCQvAOMTAVO;
}

IQvInterface* CQvAOMTAVO::QueryInterface(const char* name) {
    if (!name || strcmp(name, "IQvPhysicalDevice") != 0) return nullptr;
    AddRef();
    return static_cast<IQvInterface*>(static_cast<CQvClass*>(this));
}

CQvStringW CQvAOMTAVO::GetInfoString(int index) {
    switch (index) {
    case 1:
    case 2:
        return CQvStringW(kDeviceName);
    case 3:
        return CQvStringW(L"Orvia");
    case 4:
        return CQvStringW(L"TAVO");
    default:
        return CQvStringW();
    }
}

int CQvAOMTAVO::GetDeviceState() {
    return m_iState;
}

EDeviceManagerReturnCode CQvAOMTAVO::SetChangeCallback(PFN_QvDMChange function, uint64_t context) {
    LONG old = 0;
    {
        AOM_HOLD(m_ChangeBatchLock);
        if (function == m_pfnChange && context == m_pChangeContext) return DMRC_OK;
        old = m_lCallbackGeneration;
        m_pfnChange = function;
        m_pChangeContext = context;
        InterlockedIncrement(&m_lCallbackGeneration);
        // What was queued for the old callback never reaches it.
        for (auto it = m_HostCalls.begin(); it != m_HostCalls.end();)
            it = it->pRecord ? m_HostCalls.erase(it) : it + 1;
    }
    // The host may free the old context once this returns: a call into it still running ends first.
    WaitForCallsOf(old);
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::GetChangeCallback(PFN_QvDMChange* function, uint64_t* context) {
    AOM_HOLD(m_ChangeBatchLock);
    if (function) *function = m_pfnChange;
    if (context) *context = m_pChangeContext;
    return DMRC_OK;
}

bool CQvAOMTAVO::SupportsChangeCallback() {
    return true;
}
EDeviceManagerReturnCode CQvAOMTAVO::GetCalibration(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVO::SetCalibration(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}

EDeviceManagerReturnCode CQvAOMTAVO::GetDisplayInfo(CQvStringW* name, CQvStringW* groupCaption,
                                                    uint32_t* iconId) {
    if (name) *name = kDeviceName;
    if (groupCaption) *groupCaption = QV_GetTranslation(L"Acquisition Controls", kSourceFile);
    if (iconId) *iconId = GetCommonImageFromPool(kDeviceImage);
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::GetControlPad(IQvGUIElement** pad, IQvDevicePadSite* site) {
    {
        AOM_HOLD(m_DeviceLock);
        if (m_iState != 2) return DMRC_WRONG_STATE;
        m_pPadSite = site;
    }
    // The pad site is the host's: asked without a lock of ours.
    if (site) m_iInstanceNumber = site->GetInstanceNumber(m_iPhysDevId);
    if (pad) *pad = m_pPad;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::RefreshControlPad() {
    if (m_pPad) m_pPad->RefreshGUI();
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::GetStatusText(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVO::ShowStatusDialog(HWND) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvAOMTAVO::SupportsBatching() {
    return true;
}

bool CQvAOMTAVO::NeedsExclusiveAccess() {
    return false;
}
EDeviceManagerReturnCode CQvAOMTAVO::StartExperiment(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVO::StopExperiment() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvAOMTAVO::GetExperimentState(int*) {
    return DMRC_NOT_SUPPORTED;
}

void CQvAOMTAVO::RefreshChannelTable() {
    int count = m_iAOChannelCount < AOM_MAX_AO_CHANNELS ? m_iAOChannelCount : AOM_MAX_AO_CHANNELS;
    for (int i = 0; i < count; ++i) {
        SAOChannel& channel = m_AOChannels[i];
        channel.sName = m_AOChannelNames[i];
        int board = channel.iBoardIndex;
        if (!channel.bUserRange && board >= 0 && board < AOM_MAX_DAQ_BOARDS) {
            channel.fMin = m_DAQBoards[board].fAORangeLow;
            channel.fMax = m_DAQBoards[board].fAORangeHigh;
        }
    }
}

EDeviceManagerReturnCode CQvAOMTAVO::GetHWUnits(CQvHWUnitList& units) {
    if (m_iPhysDevId == 0) return DMRC_OK;
    SQvHWUnit unit;
    unit.iUnitType = kHWUnitType;
    unsigned int count = DMApi::LogDev_GetCount();
    for (unsigned int index = 0; index < count; ++index) {
        unsigned int id = DMApi::LogDev_GetId(index);
        if (DMApi::LogDev_GetVisible(id) && DMApi::LogDev_GetActive(id, true) &&
            DMApi::LogDev_GetPhysDevId(id) == m_iPhysDevId)
            unit.LogicalDeviceIds.Add(id);
    }
    if (unit.LogicalDeviceIds.GetCount() > 0) units.Add(unit);
    return DMRC_OK;
}

CQvAOMTAVOSim::CQvAOMTAVOSim() : CQvClass(true) {
    m_bSimulator = true;
}

const CQvClassInfo* CQvAOMTAVOSim::GetClassInfo() const {
    return &g_ClassInfoCQvAOMTAVOSim;
}
