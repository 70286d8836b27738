// The host's default implementations of the device interfaces. Devices override what they support.
#pragma once

#include "qvdevice.h"

class QV_FRAMEWORK_API CQvPhysicalDevice_Default : public IQvPhysicalDevice {
public:
    CQvPhysicalDevice_Default();
    ~CQvPhysicalDevice_Default() override;

    CQvStringW GetInfoString(int index) override;
    EDeviceManagerReturnCode ConnectDevice(const wchar_t* connection) override;
    void DisconnectDevice() override;
    bool GetDisconnectDevicePossible() override;
    bool UseNewStyleConfig() override;
    EDeviceManagerReturnCode ConfigureDevice(CQvLiteVariantR* config, uint32_t physDevId,
                                             SQvLogicalDeviceList& list) override;
    EDeviceManagerReturnCode ResetDevice(SQvLogicalDeviceList& list) override;
    EDeviceManagerReturnCode ShowConfigurationDialog(CQvLiteVariantR* config, HWND parent) override;
    EDeviceManagerReturnCode GetConfigurationString(CQvStringW& text) override;
    EDeviceManagerReturnCode GetConfiguration(CQvLiteVariantR* config) override;
    EDeviceManagerReturnCode ShowConnectionDialog(CQvStringW& connection, HWND parent) override;
    int GetDeviceState() override;
    EDeviceManagerReturnCode SetChangeCallback(PFN_QvDMChange function, uint64_t context) override;
    EDeviceManagerReturnCode GetChangeCallback(PFN_QvDMChange* function, uint64_t* context) override;
    bool SupportsChangeCallback() override;
    EDeviceManagerReturnCode GetCalibration(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode SetCalibration(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode GetDisplayInfo(CQvStringW* name, CQvStringW* groupCaption,
                                            uint32_t* iconId) override;
    EDeviceManagerReturnCode GetControlPad(IQvGUIElement** pad, IQvDevicePadSite* site) override;
    EDeviceManagerReturnCode RefreshControlPad() override;
    EDeviceManagerReturnCode GetStatusText(CQvStringW& text) override;
    EDeviceManagerReturnCode ShowStatusDialog(HWND parent) override;
    bool SupportsBatching() override;
    EDeviceManagerReturnCode GetBatching(bool* batching) override;
    EDeviceManagerReturnCode BeginChangeBatch(bool batching) override;
    EDeviceManagerReturnCode FlushChangeBatch() override;
    bool NeedsExclusiveAccess() override;
    EDeviceManagerReturnCode StartExperiment(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode StopExperiment() override;
    EDeviceManagerReturnCode GetExperimentState(int* state) override;
    EDeviceManagerReturnCode CustomCommand(int command, int64_t wParam, void* data) override;
    bool IsSimulator() override;
    EDeviceManagerReturnCode GetHWUnits(CQvHWUnitList& units) override;
    EDeviceManagerReturnCode GetHWUnitAdditionalMapping(CQvStringW& mapping) override;
    EDeviceManagerReturnCode GetHWUnitConnectionStrings(CQvStringW& connections) override;
    EDeviceManagerReturnCode ConfigureDevice(const wchar_t* configuration, uint32_t physDevId,
                                             SQvLogicalDeviceList& list) override;
    EDeviceManagerReturnCode ShowLineConfigurationDialog(CQvStringW& configuration, HWND parent) override;
};

// Defaults shared by both logical-device kinds; the Base parameter is the interface implemented.
template <class Base> class CQvLogicalDevice_Default : public Base {
public:
    void GetInterfaceName(CQvStringW& name) override { name.Empty(); }
    void GetDeviceName(CQvStringW& name) override { name.Empty(); }
    void GetTypeName(CQvStringW& name) override { name.Empty(); }
    void GetNameByKind(CQvStringW& name, int, int) override { name.Empty(); }
    EDeviceManagerReturnCode GetId(uint32_t* id) override {
        if (id) *id = 0;
        return DMRC_OK;
    }
    EDeviceManagerReturnCode GetPropertyPages(CQvLiteVariantR*) override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode Initialize() override { return DMRC_OK; }
    bool IsEnabled() override { return true; }
    EDeviceManagerReturnCode SaveSettings(CQvStringW&) override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode LoadSettings(const wchar_t*, uint32_t) override { return DMRC_NOT_SUPPORTED; }
    bool GetCapability(int) override { return false; }
    bool HasOwnConfigDialog() override { return false; }
    EDeviceManagerReturnCode ShowDeviceConfigDialog(HWND) override { return DMRC_NOT_SUPPORTED; }
    bool IsReady() override { return true; }
    int GetDeviceClassVersion() override { return 1; }
    EDeviceManagerReturnCode GetDeviceParameters(CQvLiteVariantR*) override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode GetGUIOptions(uint32_t* options) override {
        if (options) *options = 0;
        return DMRC_OK;
    }
    EDeviceManagerReturnCode SetGUIOptions(uint32_t) override { return DMRC_NOT_SUPPORTED; }
    IQvGUIElement* GetControlPadGUIElement() override { return nullptr; }
    EDeviceManagerReturnCode GetControlPadGUIElementInfo(CQvStringW&) override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode UpdateControlPad() override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode ShowRenameLogicalDeviceDialog(HWND) override { return DMRC_NOT_SUPPORTED; }
    bool IsRenameLogicalDeviceSupported() override { return false; }
    void GetHardwareName(CQvStringW& name) override { name.Empty(); }
    EDeviceManagerReturnCode GetDevicesBands(CQvLiteVariantR*) override { return DMRC_NOT_SUPPORTED; }
    EDeviceManagerReturnCode RefreshDevicesBands() override { return DMRC_NOT_SUPPORTED; }
};

class QV_FRAMEWORK_API CQvDeviceMultiLaser_Default : public CQvLogicalDevice_Default<IQvDeviceMultiLaser> {
public:
    CQvDeviceMultiLaser_Default();
    ~CQvDeviceMultiLaser_Default() override;

    EDeviceManagerReturnCode GetSingleLineMode(uint32_t* single) override;
    EDeviceManagerReturnCode GetLineCount(uint32_t* count) override;
    EDeviceManagerReturnCode GetLineName(int line, CQvStringW& name) override;
    EDeviceManagerReturnCode SetLineName(int line, const wchar_t* name) override;
    EDeviceManagerReturnCode GetLineUsed(int line, bool* used) override;
    EDeviceManagerReturnCode SetLineUsed(int line, bool used) override;
    EDeviceManagerReturnCode GetLaserOnOffStatus(int line, bool* on) override;
    EDeviceManagerReturnCode GetPowerSteps(int line, uint32_t* steps) override;
    EDeviceManagerReturnCode GetPowerStepCount(int line, uint32_t* first, uint32_t* second) override;
    EDeviceManagerReturnCode GetStepPower(int line, int step, double* power) override;
    EDeviceManagerReturnCode GetStepPowerPercent(int line, int step, double* percent) override;
    EDeviceManagerReturnCode GetPowerUnit(int line, int* unit) override;
    EDeviceManagerReturnCode GetPowerInDifferentUnit(int line, int unit, double* power) override;
    EDeviceManagerReturnCode GetPowerScale(int line, double* scale) override;
    EDeviceManagerReturnCode GetPower(int line, int unit, double* power) override;
    EDeviceManagerReturnCode GetLinePower(int line, double* percent) override;
    EDeviceManagerReturnCode SetPower(int line, int unit, double value) override;
    EDeviceManagerReturnCode SetPower(int line, double percent) override;
    EDeviceManagerReturnCode GetWavelength(int line, uint32_t* nm) override;
    EDeviceManagerReturnCode SetWavelength(int line, uint32_t nm) override;
    EDeviceManagerReturnCode GetWavelengthRange(int line, uint32_t* low, uint32_t* high) override;
    EDeviceManagerReturnCode ShowCalibrationDialog(HWND parent) override;
    bool GetCalibrationSupported() override;
    EDeviceManagerReturnCode SetLineAlternationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode UpdateLineAlternationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode SetDontSyncPowerWhileLineAlternationSequence(bool dontSync) override;
    EDeviceManagerReturnCode StartAdvancedAlternationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode StopAdvancedAlternationSequence() override;
    EDeviceManagerReturnCode GetAlternationMode(uint32_t* mode) override;
    EDeviceManagerReturnCode SetAlternationMode(int mode) override;
    EDeviceManagerReturnCode SetLineAlternationTiming(CQvLiteVariantR* timing) override;
    EDeviceManagerReturnCode SetTriggeringStatus(int status) override;
    EDeviceManagerReturnCode GetTriggeringCapabilities(CQvLiteVariantR* caps) override;
    bool IsTriggeringActive() override;
    EDeviceManagerReturnCode ArmTrigger() override;
    EDeviceManagerReturnCode DisarmTrigger() override;
    EDeviceManagerReturnCode GetMaximumLineAlternationSequenceLength(uint32_t* length) override;
    EDeviceManagerReturnCode SetNDFilterUsed(int line, bool used) override;
    EDeviceManagerReturnCode GetNDFilterUsed(int line, bool* used) override;
    EDeviceManagerReturnCode SetNDFilterState(int line, bool state) override;
    EDeviceManagerReturnCode GetNDFilterState(int line, bool* state) override;
    bool GetNDFilterControllable(int line) override;
    bool GetSomeLaserShining() override;
    EDeviceManagerReturnCode SetSomeLaserShining(bool shining) override;
    EDeviceManagerReturnCode SetIlluminationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode UpdateIlluminationSequencePowers(CQvLiteVariantR* powers) override;
    EDeviceManagerReturnCode GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR* limits) override;
    EDeviceManagerReturnCode SetStimulationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode SetGalvoExperiment(CQvLiteVariantR* experiment) override;
    EDeviceManagerReturnCode GetPhysicalLinesTable(CQvLiteVariantR* table) override;
};

class QV_FRAMEWORK_API CQvDeviceShutter_Default : public CQvLogicalDevice_Default<IQvDeviceShutter> {
public:
    CQvDeviceShutter_Default();
    ~CQvDeviceShutter_Default() override;

    EDeviceManagerReturnCode GetSwitchTime(double* ms) override;
    EDeviceManagerReturnCode GetState(bool* open) override;
    EDeviceManagerReturnCode SetState(bool open) override;
    EDeviceManagerReturnCode GetActive(bool* active) override;
    EDeviceManagerReturnCode PostPadUpdate() override;
    bool IsMotorized() override;
    EDeviceManagerReturnCode GetPosition(int* position) override;
    EDeviceManagerReturnCode SetPosition(int position) override;
    EDeviceManagerReturnCode GetPositionCount(int* count) override;
    EDeviceManagerReturnCode GetPositionName(int position, CQvStringW& name) override;
    EDeviceManagerReturnCode GetName(CQvStringW& name) override;
    EDeviceManagerReturnCode SetName(const wchar_t* name) override;
    bool SupportsMode(int mode) override;
    EDeviceManagerReturnCode GetMode(uint32_t* mode) override;
    EDeviceManagerReturnCode SetMode(int mode) override;
    EDeviceManagerReturnCode GetTriggerSource(int* source) override;
    EDeviceManagerReturnCode SetTriggerSource(int source) override;
    EDeviceManagerReturnCode GetTriggerDelay(double* delay) override;
    EDeviceManagerReturnCode SetTriggerDelay(double delay) override;
    EDeviceManagerReturnCode GetPatternsCount(int* count) override;
    EDeviceManagerReturnCode GetActivePattern(int* pattern) override;
    EDeviceManagerReturnCode GetPatternName(int pattern, CQvStringW& name) override;
    EDeviceManagerReturnCode SetActivePattern(int pattern) override;
    EDeviceManagerReturnCode GetPatternId(const wchar_t* name, int* id) override;
    EDeviceManagerReturnCode GetPatternId(int number, int* id) override;
    EDeviceManagerReturnCode GetPatternType(int pattern, int* type) override;
    bool IsSimpleShutter() override;
    EDeviceManagerReturnCode GetShutterType(uint32_t* type) override;
    EDeviceManagerReturnCode SetShutterType(uint32_t type) override;
    EDeviceManagerReturnCode SetAlternationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode UpdateAlternationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode SetOperationMode(int mode) override;
    EDeviceManagerReturnCode GetOperationMode(int* mode) override;
    EDeviceManagerReturnCode SetLineAlternationTiming(CQvLiteVariantR* timing) override;
    EDeviceManagerReturnCode SetTriggeringStatus(int status) override;
    EDeviceManagerReturnCode SetIlluminationSequence(CQvLiteVariantR* sequence) override;
    EDeviceManagerReturnCode UpdateIlluminationSequencePowers(CQvLiteVariantR* powers) override;
    EDeviceManagerReturnCode GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR* limits) override;
    EDeviceManagerReturnCode GetIlluminationSequenceSwitchingSpeed(double* speed) override;
    bool IsTriggeredWithDevices() override;
    EDeviceManagerReturnCode GetTimeNeededForSwitch(double* ms) override;
    EDeviceManagerReturnCode GetShutterId(uint32_t* id) override;
};

// Icon ids of the host's common device images.
QV_FRAMEWORK_API uint32_t GetCommonImageFromPool(int image);
