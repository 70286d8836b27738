#include "qv/qvdevicedefault.h"

// The host answers "not supported" wherever a device adds nothing of its own.

CQvPhysicalDevice_Default::CQvPhysicalDevice_Default() {}
CQvPhysicalDevice_Default::~CQvPhysicalDevice_Default() {}

CQvStringW CQvPhysicalDevice_Default::GetInfoString(int) {
    return CQvStringW();
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ConnectDevice(const wchar_t*) {
    return DMRC_NOT_SUPPORTED;
}
void CQvPhysicalDevice_Default::DisconnectDevice() {}
bool CQvPhysicalDevice_Default::GetDisconnectDevicePossible() {
    return true;
}
bool CQvPhysicalDevice_Default::UseNewStyleConfig() {
    return true;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ConfigureDevice(CQvLiteVariantR*, uint32_t,
                                                                    SQvLogicalDeviceList&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ResetDevice(SQvLogicalDeviceList&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ShowConfigurationDialog(CQvLiteVariantR*, HWND) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetConfigurationString(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetConfiguration(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ShowConnectionDialog(CQvStringW&, HWND) {
    return DMRC_NOT_SUPPORTED;
}
int CQvPhysicalDevice_Default::GetDeviceState() {
    return 0;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::SetChangeCallback(PFN_QvDMChange, uint64_t) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetChangeCallback(PFN_QvDMChange*, uint64_t*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvPhysicalDevice_Default::SupportsChangeCallback() {
    return false;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetCalibration(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::SetCalibration(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetDisplayInfo(CQvStringW*, CQvStringW*, uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetControlPad(IQvGUIElement**, IQvDevicePadSite*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::RefreshControlPad() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetStatusText(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ShowStatusDialog(HWND) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvPhysicalDevice_Default::SupportsBatching() {
    return false;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetBatching(bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::BeginChangeBatch(bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::FlushChangeBatch() {
    return DMRC_NOT_SUPPORTED;
}
bool CQvPhysicalDevice_Default::NeedsExclusiveAccess() {
    return false;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::StartExperiment(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::StopExperiment() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetExperimentState(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::CustomCommand(int, int64_t, void*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvPhysicalDevice_Default::IsSimulator() {
    return false;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetHWUnits(CQvHWUnitList&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetHWUnitAdditionalMapping(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::GetHWUnitConnectionStrings(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ConfigureDevice(const wchar_t*, uint32_t,
                                                                    SQvLogicalDeviceList&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvPhysicalDevice_Default::ShowLineConfigurationDialog(CQvStringW&, HWND) {
    return DMRC_NOT_SUPPORTED;
}

CQvDeviceMultiLaser_Default::CQvDeviceMultiLaser_Default() {}
CQvDeviceMultiLaser_Default::~CQvDeviceMultiLaser_Default() {}

EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetSingleLineMode(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetLineCount(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetLineName(int, CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetLineName(int, const wchar_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetLineUsed(int, bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetLineUsed(int, bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetLaserOnOffStatus(int, bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPowerSteps(int, uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPowerStepCount(int, uint32_t*, uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetStepPower(int, int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetStepPowerPercent(int, int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPowerUnit(int, int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPowerInDifferentUnit(int, int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPowerScale(int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPower(int, int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetLinePower(int, double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetPower(int, int, double) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetPower(int, double) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetWavelength(int, uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetWavelength(int, uint32_t) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetWavelengthRange(int, uint32_t*, uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::ShowCalibrationDialog(HWND) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceMultiLaser_Default::GetCalibrationSupported() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetLineAlternationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::UpdateLineAlternationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetDontSyncPowerWhileLineAlternationSequence(bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::StartAdvancedAlternationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::StopAdvancedAlternationSequence() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetAlternationMode(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetAlternationMode(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetLineAlternationTiming(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetTriggeringStatus(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetTriggeringCapabilities(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceMultiLaser_Default::IsTriggeringActive() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::ArmTrigger() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::DisarmTrigger() {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetMaximumLineAlternationSequenceLength(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetNDFilterUsed(int, bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetNDFilterUsed(int, bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetNDFilterState(int, bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetNDFilterState(int, bool*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceMultiLaser_Default::GetNDFilterControllable(int) {
    return false;
}
bool CQvDeviceMultiLaser_Default::GetSomeLaserShining() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetSomeLaserShining(bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetIlluminationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::UpdateIlluminationSequencePowers(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode
CQvDeviceMultiLaser_Default::GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetStimulationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::SetGalvoExperiment(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceMultiLaser_Default::GetPhysicalLinesTable(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}

CQvDeviceShutter_Default::CQvDeviceShutter_Default() {}
CQvDeviceShutter_Default::~CQvDeviceShutter_Default() {}

EDeviceManagerReturnCode CQvDeviceShutter_Default::GetSwitchTime(double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetState(bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetState(bool) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetActive(bool*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::PostPadUpdate() {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceShutter_Default::IsMotorized() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPosition(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetPosition(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPositionCount(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPositionName(int, CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetName(CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetName(const wchar_t*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceShutter_Default::SupportsMode(int) {
    return false;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetMode(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetMode(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetTriggerSource(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetTriggerSource(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetTriggerDelay(double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetTriggerDelay(double) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPatternsCount(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetActivePattern(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPatternName(int, CQvStringW&) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetActivePattern(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPatternId(const wchar_t*, int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPatternId(int, int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetPatternType(int, int*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceShutter_Default::IsSimpleShutter() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetShutterType(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetShutterType(uint32_t) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetAlternationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::UpdateAlternationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetOperationMode(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetOperationMode(int*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetLineAlternationTiming(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetTriggeringStatus(int) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::SetIlluminationSequence(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::UpdateIlluminationSequencePowers(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetIlluminationSequenceTriggeringLimits(CQvLiteVariantR*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetIlluminationSequenceSwitchingSpeed(double*) {
    return DMRC_NOT_SUPPORTED;
}
bool CQvDeviceShutter_Default::IsTriggeredWithDevices() {
    return false;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetTimeNeededForSwitch(double*) {
    return DMRC_NOT_SUPPORTED;
}
EDeviceManagerReturnCode CQvDeviceShutter_Default::GetShutterId(uint32_t*) {
    return DMRC_NOT_SUPPORTED;
}

uint32_t GetCommonImageFromPool(int image) {
    return image > 0 ? static_cast<uint32_t>(image) : 0;
}
