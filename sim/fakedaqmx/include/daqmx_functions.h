// The NI-DAQmx C functions the stand-in exports, with the library's argument types.
// Tests use decltype(&Name) on these to type what GetProcAddress returns.
#pragma once

#include "daqmx_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// System and device queries.
int32 DAQMX_CFUNC DAQmxGetSysNIDAQMajorVersion(uInt32* data);
int32 DAQMX_CFUNC DAQmxGetSysNIDAQMinorVersion(uInt32* data);
int32 DAQMX_CFUNC DAQmxGetSysDevNames(char* data, uInt32 bufferSize);
int32 DAQMX_CFUNC DAQmxGetDevAOPhysicalChans(const char device[], char* data, uInt32 bufferSize);
int32 DAQMX_CFUNC DAQmxGetDevCOPhysicalChans(const char device[], char* data, uInt32 bufferSize);
int32 DAQMX_CFUNC DAQmxGetDevProductType(const char device[], char* data, uInt32 bufferSize);
int32 DAQMX_CFUNC DAQmxGetDevProductNum(const char device[], uInt32* data);
int32 DAQMX_CFUNC DAQmxGetDevSerialNum(const char device[], uInt32* data);
int32 DAQMX_CFUNC DAQmxGetDevBusType(const char device[], int32* data);
int32 DAQMX_CFUNC DAQmxGetDevPCIDevNum(const char device[], uInt32* data);
int32 DAQMX_CFUNC DAQmxGetDevAOVoltageRngs(const char device[], float64* data, uInt32 arraySizeInElements);

// Tasks and channels.
int32 DAQMX_CFUNC DAQmxCreateTask(const char taskName[], TaskHandle* taskHandle);
int32 DAQMX_CFUNC DAQmxStartTask(TaskHandle taskHandle);
int32 DAQMX_CFUNC DAQmxStopTask(TaskHandle taskHandle);
int32 DAQMX_CFUNC DAQmxClearTask(TaskHandle taskHandle);
int32 DAQMX_CFUNC DAQmxResetDevice(const char deviceName[]);
int32 DAQMX_CFUNC DAQmxWaitUntilTaskDone(TaskHandle taskHandle, float64 timeToWait);
int32 DAQMX_CFUNC DAQmxCreateAOVoltageChan(TaskHandle taskHandle, const char physicalChannel[],
                                           const char nameToAssignToChannel[], float64 minVal, float64 maxVal,
                                           int32 units, const char customScaleName[]);
int32 DAQMX_CFUNC DAQmxCreateCOPulseChanTicks(TaskHandle taskHandle, const char counter[],
                                              const char nameToAssignToChannel[], const char sourceTerminal[],
                                              int32 idleState, int32 initialDelay, int32 lowTicks,
                                              int32 highTicks);

// Channel attributes.
int32 DAQMX_CFUNC DAQmxGetChanType(TaskHandle taskHandle, const char channel[], int32* data);
int32 DAQMX_CFUNC DAQmxGetAOOutputType(TaskHandle taskHandle, const char channel[], int32* data);
int32 DAQMX_CFUNC DAQmxGetAOResolution(TaskHandle taskHandle, const char channel[], float64* data);
int32 DAQMX_CFUNC DAQmxSetAOResolutionUnits(TaskHandle taskHandle, const char channel[], int32 data);
int32 DAQMX_CFUNC DAQmxSetAOVoltageUnits(TaskHandle taskHandle, const char channel[], int32 data);
int32 DAQMX_CFUNC DAQmxGetAODACRngHigh(TaskHandle taskHandle, const char channel[], float64* data);
int32 DAQMX_CFUNC DAQmxGetAODACRngLow(TaskHandle taskHandle, const char channel[], float64* data);
int32 DAQMX_CFUNC DAQmxResetAODACRngHigh(TaskHandle taskHandle, const char channel[]);
int32 DAQMX_CFUNC DAQmxResetAODACRngLow(TaskHandle taskHandle, const char channel[]);
int32 DAQMX_CFUNC DAQmxSetCOPulseHighTicks(TaskHandle taskHandle, const char channel[], uInt32 data);
int32 DAQMX_CFUNC DAQmxSetCOPulseLowTicks(TaskHandle taskHandle, const char channel[], uInt32 data);
int32 DAQMX_CFUNC DAQmxSetCOPulseTicksInitialDelay(TaskHandle taskHandle, const char channel[], uInt32 data);
int32 DAQMX_CFUNC DAQmxSetCOPulseIdleState(TaskHandle taskHandle, const char channel[], int32 data);
int32 DAQMX_CFUNC DAQmxSetCOCtrTimebaseSrc(TaskHandle taskHandle, const char channel[], const char* data);

// Timing, triggering and events.
int32 DAQMX_CFUNC DAQmxCfgSampClkTiming(TaskHandle taskHandle, const char source[], float64 rate,
                                        int32 activeEdge, int32 sampleMode, uInt64 sampsPerChan);
int32 DAQMX_CFUNC DAQmxCfgImplicitTiming(TaskHandle taskHandle, int32 sampleMode, uInt64 sampsPerChan);
int32 DAQMX_CFUNC DAQmxCfgDigEdgeStartTrig(TaskHandle taskHandle, const char triggerSource[],
                                           int32 triggerEdge);
int32 DAQMX_CFUNC DAQmxRegisterDoneEvent(TaskHandle taskHandle, uInt32 options,
                                         DAQmxDoneEventCallbackPtr callbackFunction, void* callbackData);

// Writing.
int32 DAQMX_CFUNC DAQmxWriteAnalogF64(TaskHandle taskHandle, int32 numSampsPerChan, bool32 autoStart,
                                      float64 timeout, bool32 dataLayout, const float64 writeArray[],
                                      int32* sampsPerChanWritten, bool32* reserved);
int32 DAQMX_CFUNC DAQmxWriteAnalogScalarF64(TaskHandle taskHandle, bool32 autoStart, float64 timeout,
                                            float64 value, bool32* reserved);

// Errors.
int32 DAQMX_CFUNC DAQmxGetExtendedErrorInfo(char errorString[], uInt32 bufferSize);

#ifdef __cplusplus
}
#endif
