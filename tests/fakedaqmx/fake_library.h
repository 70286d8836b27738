// Loads a fakedaqmx variant by full path, as the driver loads nicaiu.dll, and binds its exports.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "daqmx_functions.h"
#include "fakedaqmx_control.h"

// clang-format off: one exported name per line, which the formatter would fold.
#define FAKEDAQMX_DAQMX_FUNCTIONS(X)                                                                         \
    X(DAQmxGetSysNIDAQMajorVersion)                                                                          \
    X(DAQmxGetSysNIDAQMinorVersion)                                                                          \
    X(DAQmxGetSysDevNames)                                                                                   \
    X(DAQmxGetDevAOPhysicalChans)                                                                            \
    X(DAQmxGetDevCOPhysicalChans)                                                                            \
    X(DAQmxGetDevProductType)                                                                                \
    X(DAQmxGetDevProductNum)                                                                                 \
    X(DAQmxGetDevSerialNum)                                                                                  \
    X(DAQmxGetDevBusType)                                                                                    \
    X(DAQmxGetDevPCIDevNum)                                                                                  \
    X(DAQmxGetDevAOVoltageRngs)                                                                              \
    X(DAQmxCreateTask)                                                                                       \
    X(DAQmxStartTask)                                                                                        \
    X(DAQmxStopTask)                                                                                         \
    X(DAQmxClearTask)                                                                                        \
    X(DAQmxWaitUntilTaskDone)                                                                                \
    X(DAQmxCreateAOVoltageChan)                                                                              \
    X(DAQmxCreateCOPulseChanTicks)                                                                           \
    X(DAQmxGetChanType)                                                                                      \
    X(DAQmxGetAOOutputType)                                                                                  \
    X(DAQmxGetAOResolution)                                                                                  \
    X(DAQmxSetAOResolutionUnits)                                                                             \
    X(DAQmxSetAOVoltageUnits)                                                                                \
    X(DAQmxGetAODACRngHigh)                                                                                  \
    X(DAQmxGetAODACRngLow)                                                                                   \
    X(DAQmxResetAODACRngHigh)                                                                                \
    X(DAQmxResetAODACRngLow)                                                                                 \
    X(DAQmxSetCOPulseHighTicks)                                                                              \
    X(DAQmxSetCOPulseLowTicks)                                                                               \
    X(DAQmxSetCOPulseTicksInitialDelay)                                                                      \
    X(DAQmxSetCOPulseIdleState)                                                                              \
    X(DAQmxSetCOCtrTimebaseSrc)                                                                              \
    X(DAQmxCfgSampClkTiming)                                                                                 \
    X(DAQmxCfgImplicitTiming)                                                                                \
    X(DAQmxCfgDigEdgeStartTrig)                                                                              \
    X(DAQmxRegisterDoneEvent)                                                                                \
    X(DAQmxWriteAnalogF64)                                                                                   \
    X(DAQmxWriteAnalogScalarF64)                                                                             \
    X(DAQmxGetExtendedErrorInfo)

#define FAKEDAQMX_CONTROL_FUNCTIONS(X)                                                                       \
    X(fakedaqmx_Reset)                                                                                       \
    X(fakedaqmx_LoadScenarioText)                                                                            \
    X(fakedaqmx_GetScenarioError)                                                                            \
    X(fakedaqmx_SetFault)                                                                                    \
    X(fakedaqmx_ClearFaults)                                                                                 \
    X(fakedaqmx_GetCallLog)                                                                                  \
    X(fakedaqmx_ClearCallLog)                                                                                \
    X(fakedaqmx_GetLastVoltage)                                                                              \
    X(fakedaqmx_ListVoltages)                                                                                \
    X(fakedaqmx_TaskCount)                                                                                   \
    X(fakedaqmx_Stall)                                                                                       \
    X(fakedaqmx_WaitStalled)
// clang-format on

// Full path of <QV_FAKEDAQMX_DIR>\<variant>\nicaiu.dll.
std::wstring VariantPath(const std::string& variant, const char* file = "nicaiu.dll");

class FakeLibrary {
public:
    explicit FakeLibrary(const std::string& variant);
    ~FakeLibrary();
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    bool loaded() const { return module_ != nullptr; }
    FARPROC Find(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

#define FAKEDAQMX_MEMBER(name) decltype(&::name) name = nullptr;
    FAKEDAQMX_DAQMX_FUNCTIONS(FAKEDAQMX_MEMBER)
    FAKEDAQMX_CONTROL_FUNCTIONS(FAKEDAQMX_MEMBER)
#undef FAKEDAQMX_MEMBER

private:
    HMODULE module_ = nullptr;
};

// The size-query convention: ask for the size, then fetch into a buffer of exactly that size.
std::string FetchString(const std::function<int32(char*, uInt32)>& call);

// Each test starts from the "full" variant with a fresh state and the given scenario.
class FakeDaqmxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void Load(const char* scenario);
    std::string ExtendedError();
    std::string CallLog();
    TaskHandle AOTask(const char* channel, double min = -10, double max = 10);

    FakeLibrary lib{"full"};
};
