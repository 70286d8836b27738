// Device-manager interfaces: physical devices, logical devices and change notifications.
#pragma once

#include "qvclass.h"
#include "qvcontainers.h"

class IQvGUIElement;

// Change record handed to the host's change callback. The layout is the host's and fixed.
struct SQvDMChangeRecord {
    static constexpr uint32_t MaxEntries = 32;
    static constexpr size_t DataSize = 376;
    uint64_t uReserved;                  // 0
    uint32_t uCount;                     // 8
    uint32_t auKey[MaxEntries];          // 12, key 0 marks an entry to skip
    uint32_t auKind[MaxEntries];         // 140
    uint32_t auSubKind[MaxEntries];      // 268
    uint32_t uAlign;                     // 396
    uint8_t aData[MaxEntries][DataSize]; // 400
};
static_assert(offsetof(SQvDMChangeRecord, uCount) == 8, "record layout");
static_assert(offsetof(SQvDMChangeRecord, auKey) == 12, "record layout");
static_assert(offsetof(SQvDMChangeRecord, auKind) == 140, "record layout");
static_assert(offsetof(SQvDMChangeRecord, auSubKind) == 268, "record layout");
static_assert(offsetof(SQvDMChangeRecord, aData) == 400, "record layout");

typedef int64_t (*PFN_QvDMChange)(uint32_t kind, SQvDMChangeRecord* record, uint64_t context);

// The host object a physical device receives with GetControlPad.
class IQvDevicePadSite {
public:
    virtual ~IQvDevicePadSite() {}
    virtual int GetSiteVersion() = 0;
    virtual HWND GetDockWindow() = 0;
    virtual double GetGuiZoom() = 0;
    virtual int RequestLayout() = 0;
    virtual int ShowPad(bool show) = 0;
    virtual bool IsPadVisible() = 0;
    virtual int SetPadTitle(const wchar_t* title) = 0;
    virtual int GetPadCount() = 0;
    virtual int GetInstanceNumber(uint32_t physDevId) = 0; // the tenth operation
};

class IQvPhysicalDevice : public virtual IQvInterface {
public:
    virtual CQvStringW GetInfoString(int index) = 0;
    virtual EDeviceManagerReturnCode ConnectDevice(const wchar_t* connection) = 0;
    virtual void DisconnectDevice() = 0;
    virtual bool GetDisconnectDevicePossible() = 0;
    virtual bool UseNewStyleConfig() = 0;
    virtual EDeviceManagerReturnCode ConfigureDevice(CQvLiteVariantR* config, uint32_t physDevId,
                                                     SQvLogicalDeviceList& list) = 0;
    virtual EDeviceManagerReturnCode ResetDevice(SQvLogicalDeviceList& list) = 0;
    virtual EDeviceManagerReturnCode ShowConfigurationDialog(CQvLiteVariantR* config, HWND parent) = 0;
    virtual EDeviceManagerReturnCode GetConfigurationString(CQvStringW& text) = 0;
    virtual EDeviceManagerReturnCode GetConfiguration(CQvLiteVariantR* config) = 0;
    virtual EDeviceManagerReturnCode ShowConnectionDialog(CQvStringW& connection, HWND parent) = 0;
    virtual int GetDeviceState() = 0;
    virtual EDeviceManagerReturnCode SetChangeCallback(PFN_QvDMChange function, uint64_t context) = 0;
    virtual EDeviceManagerReturnCode GetChangeCallback(PFN_QvDMChange* function, uint64_t* context) = 0;
    virtual bool SupportsChangeCallback() = 0;
    virtual EDeviceManagerReturnCode GetCalibration(CQvLiteVariantR* data) = 0;
    virtual EDeviceManagerReturnCode SetCalibration(CQvLiteVariantR* data) = 0;
    virtual EDeviceManagerReturnCode GetDisplayInfo(CQvStringW* name, CQvStringW* groupCaption,
                                                    uint32_t* iconId) = 0;
    virtual EDeviceManagerReturnCode GetControlPad(IQvGUIElement** pad, IQvDevicePadSite* site) = 0;
    virtual EDeviceManagerReturnCode RefreshControlPad() = 0;
    virtual EDeviceManagerReturnCode GetStatusText(CQvStringW& text) = 0;
    virtual EDeviceManagerReturnCode ShowStatusDialog(HWND parent) = 0;
    virtual bool SupportsBatching() = 0;
    virtual EDeviceManagerReturnCode GetBatching(bool* batching) = 0;
    virtual EDeviceManagerReturnCode BeginChangeBatch(bool batching) = 0;
    virtual EDeviceManagerReturnCode FlushChangeBatch() = 0;
    virtual bool NeedsExclusiveAccess() = 0;
    virtual EDeviceManagerReturnCode StartExperiment(CQvLiteVariantR* data) = 0;
    virtual EDeviceManagerReturnCode StopExperiment() = 0;
    virtual EDeviceManagerReturnCode GetExperimentState(int* state) = 0;
    virtual EDeviceManagerReturnCode CustomCommand(int command, int64_t wParam, void* data) = 0;
    virtual bool IsSimulator() = 0;
    virtual EDeviceManagerReturnCode GetHWUnits(CQvHWUnitList& units) = 0;
    virtual EDeviceManagerReturnCode GetHWUnitAdditionalMapping(CQvStringW& mapping) = 0;
    virtual EDeviceManagerReturnCode GetHWUnitConnectionStrings(CQvStringW& connections) = 0;
    virtual EDeviceManagerReturnCode ConfigureDevice(const wchar_t* configuration, uint32_t physDevId,
                                                     SQvLogicalDeviceList& list) = 0;
    virtual EDeviceManagerReturnCode ShowLineConfigurationDialog(CQvStringW& configuration, HWND parent) = 0;
};

// The part shared by every logical device, in the host's order.
class IQvLogicalDevice {
public:
    virtual ~IQvLogicalDevice() {}
    virtual void GetInterfaceName(CQvStringW& name) = 0;
    virtual void GetDeviceName(CQvStringW& name) = 0;
    virtual void GetTypeName(CQvStringW& name) = 0;
    virtual void GetNameByKind(CQvStringW& name, int kind, int extra) = 0;
    virtual EDeviceManagerReturnCode GetId(uint32_t* id) = 0;
    virtual EDeviceManagerReturnCode GetPropertyPages(CQvLiteVariantR* pages) = 0;
    virtual EDeviceManagerReturnCode Initialize() = 0;
    virtual bool IsEnabled() = 0;
    virtual EDeviceManagerReturnCode SaveSettings(CQvStringW& settings) = 0;
    virtual EDeviceManagerReturnCode LoadSettings(const wchar_t* settings, uint32_t id) = 0;
    virtual bool GetCapability(int capability) = 0;
    virtual bool HasOwnConfigDialog() = 0;
    virtual EDeviceManagerReturnCode ShowDeviceConfigDialog(HWND parent) = 0;
    virtual bool IsReady() = 0;
    virtual int GetDeviceClassVersion() = 0;
    virtual EDeviceManagerReturnCode GetDeviceParameters(CQvLiteVariantR* parameters) = 0;
    virtual EDeviceManagerReturnCode GetGUIOptions(uint32_t* options) = 0;
    virtual EDeviceManagerReturnCode SetGUIOptions(uint32_t options) = 0;
    virtual IQvGUIElement* GetControlPadGUIElement() = 0;
    virtual EDeviceManagerReturnCode GetControlPadGUIElementInfo(CQvStringW& info) = 0;
    virtual EDeviceManagerReturnCode UpdateControlPad() = 0;
    virtual EDeviceManagerReturnCode ShowRenameLogicalDeviceDialog(HWND parent) = 0;
    virtual bool IsRenameLogicalDeviceSupported() = 0;
    virtual void GetHardwareName(CQvStringW& name) = 0;
    virtual EDeviceManagerReturnCode GetDevicesBands(CQvLiteVariantR* bands) = 0;
    virtual EDeviceManagerReturnCode RefreshDevicesBands() = 0;
};

class IQvDeviceMultiLaser : public IQvLogicalDevice {
public:
    virtual EDeviceManagerReturnCode GetSingleLineMode(uint32_t* single) = 0;
    virtual EDeviceManagerReturnCode GetLineCount(uint32_t* count) = 0;
    virtual EDeviceManagerReturnCode GetLineName(int line, CQvStringW& name) = 0;
    virtual EDeviceManagerReturnCode SetLineName(int line, const wchar_t* name) = 0;
    virtual EDeviceManagerReturnCode GetLineUsed(int line, bool* used) = 0;
    virtual EDeviceManagerReturnCode SetLineUsed(int line, bool used) = 0;
    virtual EDeviceManagerReturnCode GetLaserOnOffStatus(int line, bool* on) = 0;
    virtual EDeviceManagerReturnCode GetPowerSteps(int line, uint32_t* steps) = 0;
    virtual EDeviceManagerReturnCode GetPowerStepCount(int line, uint32_t* first, uint32_t* second) = 0;
    virtual EDeviceManagerReturnCode GetStepPower(int line, int step, double* power) = 0;
    virtual EDeviceManagerReturnCode GetStepPowerPercent(int line, int step, double* percent) = 0;
    virtual EDeviceManagerReturnCode GetPowerUnit(int line, int* unit) = 0;
    virtual EDeviceManagerReturnCode GetPowerInDifferentUnit(int line, int unit, double* power) = 0;
    virtual EDeviceManagerReturnCode GetPowerScale(int line, double* scale) = 0;
    virtual EDeviceManagerReturnCode GetPower(int line, int unit, double* power) = 0;
    virtual EDeviceManagerReturnCode GetLinePower(int line, double* percent) = 0;
    virtual EDeviceManagerReturnCode SetPower(int line, int unit, double value) = 0;
    virtual EDeviceManagerReturnCode SetPower(int line, double percent) = 0;
    virtual EDeviceManagerReturnCode GetWavelength(int line, uint32_t* nm) = 0;
    virtual EDeviceManagerReturnCode SetWavelength(int line, uint32_t nm) = 0;
    virtual EDeviceManagerReturnCode GetWavelengthRange(int line, uint32_t* low, uint32_t* high) = 0;
    virtual EDeviceManagerReturnCode ShowCalibrationDialog(HWND parent) = 0;
    virtual bool GetCalibrationSupported() = 0;
    virtual EDeviceManagerReturnCode SetLineAlternationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode UpdateLineAlternationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode SetDontSyncPowerWhileLineAlternationSequence(bool dontSync) = 0;
    virtual EDeviceManagerReturnCode StartAdvancedAlternationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode StopAdvancedAlternationSequence() = 0;
    virtual EDeviceManagerReturnCode GetAlternationMode(uint32_t* mode) = 0;
    virtual EDeviceManagerReturnCode SetAlternationMode(int mode) = 0;
    virtual EDeviceManagerReturnCode SetLineAlternationTiming(CQvLiteVariantR* timing) = 0;
    virtual EDeviceManagerReturnCode SetTriggeringStatus(int status) = 0;
    virtual EDeviceManagerReturnCode GetTriggeringCapabilities(CQvLiteVariantR* caps) = 0;
    virtual bool IsTriggeringActive() = 0;
    virtual EDeviceManagerReturnCode ArmTrigger() = 0;
    virtual EDeviceManagerReturnCode DisarmTrigger() = 0;
    virtual EDeviceManagerReturnCode GetMaximumLineAlternationSequenceLength(uint32_t* length) = 0;
    virtual EDeviceManagerReturnCode SetNDFilterUsed(int line, bool used) = 0;
    virtual EDeviceManagerReturnCode GetNDFilterUsed(int line, bool* used) = 0;
    virtual EDeviceManagerReturnCode SetNDFilterState(int line, bool state) = 0;
    virtual EDeviceManagerReturnCode GetNDFilterState(int line, bool* state) = 0;
    virtual bool GetNDFilterControllable(int line) = 0;
    virtual bool GetSomeLaserShining() = 0;
    virtual EDeviceManagerReturnCode SetSomeLaserShining(bool shining) = 0;
    virtual EDeviceManagerReturnCode SetIlluminationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode UpdateIlluminationSequencePowers(CQvLiteVariantR* powers) = 0;
    virtual EDeviceManagerReturnCode GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR* limits) = 0;
    virtual EDeviceManagerReturnCode SetStimulationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode SetGalvoExperiment(CQvLiteVariantR* experiment) = 0;
    virtual EDeviceManagerReturnCode GetPhysicalLinesTable(CQvLiteVariantR* table) = 0;
};

class IQvDeviceShutter : public IQvLogicalDevice {
public:
    virtual EDeviceManagerReturnCode GetSwitchTime(double* ms) = 0;
    virtual EDeviceManagerReturnCode GetState(bool* open) = 0;
    virtual EDeviceManagerReturnCode SetState(bool open) = 0;
    virtual EDeviceManagerReturnCode GetActive(bool* active) = 0;
    virtual EDeviceManagerReturnCode PostPadUpdate() = 0;
    virtual bool IsMotorized() = 0;
    virtual EDeviceManagerReturnCode GetPosition(int* position) = 0;
    virtual EDeviceManagerReturnCode SetPosition(int position) = 0;
    virtual EDeviceManagerReturnCode GetPositionCount(int* count) = 0;
    virtual EDeviceManagerReturnCode GetPositionName(int position, CQvStringW& name) = 0;
    virtual EDeviceManagerReturnCode GetName(CQvStringW& name) = 0;
    virtual EDeviceManagerReturnCode SetName(const wchar_t* name) = 0;
    virtual bool SupportsMode(int mode) = 0;
    virtual EDeviceManagerReturnCode GetMode(uint32_t* mode) = 0;
    virtual EDeviceManagerReturnCode SetMode(int mode) = 0;
    virtual EDeviceManagerReturnCode GetTriggerSource(int* source) = 0;
    virtual EDeviceManagerReturnCode SetTriggerSource(int source) = 0;
    virtual EDeviceManagerReturnCode GetTriggerDelay(double* delay) = 0;
    virtual EDeviceManagerReturnCode SetTriggerDelay(double delay) = 0;
    virtual EDeviceManagerReturnCode GetPatternsCount(int* count) = 0;
    virtual EDeviceManagerReturnCode GetActivePattern(int* pattern) = 0;
    virtual EDeviceManagerReturnCode GetPatternName(int pattern, CQvStringW& name) = 0;
    virtual EDeviceManagerReturnCode SetActivePattern(int pattern) = 0;
    virtual EDeviceManagerReturnCode GetPatternId(const wchar_t* name, int* id) = 0;
    virtual EDeviceManagerReturnCode GetPatternId(int number, int* id) = 0;
    virtual EDeviceManagerReturnCode GetPatternType(int pattern, int* type) = 0;
    virtual bool IsSimpleShutter() = 0;
    virtual EDeviceManagerReturnCode GetShutterType(uint32_t* type) = 0;
    virtual EDeviceManagerReturnCode SetShutterType(uint32_t type) = 0;
    virtual EDeviceManagerReturnCode SetAlternationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode UpdateAlternationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode SetOperationMode(int mode) = 0;
    virtual EDeviceManagerReturnCode GetOperationMode(int* mode) = 0;
    virtual EDeviceManagerReturnCode SetLineAlternationTiming(CQvLiteVariantR* timing) = 0;
    virtual EDeviceManagerReturnCode SetTriggeringStatus(int status) = 0;
    virtual EDeviceManagerReturnCode SetIlluminationSequence(CQvLiteVariantR* sequence) = 0;
    virtual EDeviceManagerReturnCode UpdateIlluminationSequencePowers(CQvLiteVariantR* powers) = 0;
    virtual EDeviceManagerReturnCode GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR* limits) = 0;
    virtual EDeviceManagerReturnCode GetIlluminationSequenceSwitchingSpeed(double* speed) = 0;
    virtual bool IsTriggeredWithDevices() = 0;
    virtual EDeviceManagerReturnCode GetTimeNeededForSwitch(double* ms) = 0;
    virtual EDeviceManagerReturnCode GetShutterId(uint32_t* id) = 0;
};
