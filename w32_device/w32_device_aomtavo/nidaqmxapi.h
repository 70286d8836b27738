// The part of the NI-DAQmx C interface this module uses, declared from the library's published reference.
// The library is loaded at run time; nothing links against it.
#pragma once

#include <windows.h>

#include <stdint.h>

typedef int32_t int32;
typedef uint32_t uInt32;
typedef uint32_t bool32;
typedef double float64;
typedef void* TaskHandle;

#define DAQMX_CALL __stdcall

enum : int32 {
    DAQmx_Val_Volts = 10348,
    DAQmx_Val_AO = 10102,
    DAQmx_Val_Voltage = 10322,
    DAQmx_Val_Bits = 10109,
    DAQmx_Val_PCI = 12582,
    DAQmx_Val_PCIe = 13612,
    DAQmx_Val_PXI = 12583,
    DAQmx_Val_PXIe = 14706,
};

// The ways the library says that a caller's buffer was too small, and that a board is gone.
enum : int32 {
    DAQmxErrorDeviceRemoved = -200045,
    DAQmxErrorDevCannotBeAccessed = -201003,
    DAQmxErrorBufferTooSmallForString = -200228,
    DAQmxErrorReadBufferTooSmall = -200229,
    DAQmxErrorWriteBufferTooSmall = -200234,
    DAQmxWarningCAPIStringTruncatedToFitBuffer = 200026,
};

typedef int32(DAQMX_CALL* PFN_DAQmxGetUInt32)(uInt32* value);
typedef int32(DAQMX_CALL* PFN_DAQmxGetSysDevNames)(char* data, uInt32 bufferSize);
typedef int32(DAQMX_CALL* PFN_DAQmxGetDevString)(const char* device, char* data, uInt32 bufferSize);
typedef int32(DAQMX_CALL* PFN_DAQmxGetDevUInt32)(const char* device, uInt32* data);
typedef int32(DAQMX_CALL* PFN_DAQmxGetDevInt32)(const char* device, int32* data);
typedef int32(DAQMX_CALL* PFN_DAQmxGetDevAOVoltageRngs)(const char* device, float64* data,
                                                        uInt32 arraySizeInElements);
typedef int32(DAQMX_CALL* PFN_DAQmxCreateTask)(const char* taskName, TaskHandle* taskHandle);
typedef int32(DAQMX_CALL* PFN_DAQmxTask)(TaskHandle taskHandle);
typedef int32(DAQMX_CALL* PFN_DAQmxCreateAOVoltageChan)(TaskHandle taskHandle, const char* physicalChannel,
                                                        const char* nameToAssignToChannel, float64 minVal,
                                                        float64 maxVal, int32 units,
                                                        const char* customScaleName);
typedef int32(DAQMX_CALL* PFN_DAQmxGetChanInt32)(TaskHandle taskHandle, const char* channel, int32* data);
typedef int32(DAQMX_CALL* PFN_DAQmxSetChanInt32)(TaskHandle taskHandle, const char* channel, int32 data);
typedef int32(DAQMX_CALL* PFN_DAQmxResetChan)(TaskHandle taskHandle, const char* channel);
typedef int32(DAQMX_CALL* PFN_DAQmxWriteAnalogScalarF64)(TaskHandle taskHandle, bool32 autoStart,
                                                         float64 timeout, float64 value, bool32* reserved);
typedef int32(DAQMX_CALL* PFN_DAQmxGetExtendedErrorInfo)(char* errorString, uInt32 bufferSize);

// The functions looked up when the library is loaded, in lookup order. All must be present.
enum EDAQmxFunction {
    DAQmxFn_GetSysNIDAQMajorVersion,
    DAQmxFn_GetSysNIDAQMinorVersion,
    DAQmxFn_GetSysDevNames,
    DAQmxFn_GetDevAOPhysicalChans,
    DAQmxFn_GetDevCOPhysicalChans,
    DAQmxFn_GetDevProductType,
    DAQmxFn_GetDevProductNum,
    DAQmxFn_GetDevSerialNum,
    DAQmxFn_CreateCOPulseChanTicks,
    DAQmxFn_GetAODACRngHigh,
    DAQmxFn_GetAODACRngLow,
    DAQmxFn_ResetAODACRngHigh,
    DAQmxFn_ResetAODACRngLow,
    DAQmxFn_SetAOResolutionUnits,
    DAQmxFn_SetAOVoltageUnits,
    DAQmxFn_GetAOResolution,
    DAQmxFn_GetAOOutputType,
    DAQmxFn_GetChanType,
    DAQmxFn_CreateAOVoltageChan,
    DAQmxFn_CreateTask,
    DAQmxFn_ClearTask,
    DAQmxFn_StopTask,
    DAQmxFn_StartTask,
    DAQmxFn_GetExtendedErrorInfo,
    DAQmxFn_WaitUntilTaskDone,
    DAQmxFn_WriteAnalogF64,
    DAQmxFn_WriteAnalogScalarF64,
    DAQmxFn_CfgSampClkTiming,
    DAQmxFn_RegisterDoneEvent,
    DAQmxFn_SetCOPulseHighTicks,
    DAQmxFn_SetCOPulseLowTicks,
    DAQmxFn_SetCOPulseTicksInitialDelay,
    DAQmxFn_SetCOPulseIdleState,
    DAQmxFn_CfgImplicitTiming,
    DAQmxFn_SetCOCtrTimebaseSrc,
    DAQmxFn_CfgDigEdgeStartTrig,
    DAQmxFn_GetDevBusType,
    DAQmxFn_GetDevPCIDevNum,
    DAQmxFn_GetDevAOVoltageRngs,
    DAQmxFn_Count
};
static_assert(DAQmxFn_Count == 39, "one entry per function");

// A function of a port's table, typed as the library publishes it.
#define DAQMX(fn, type) m_Library.Get<type>(DAQmxFn_##fn)
