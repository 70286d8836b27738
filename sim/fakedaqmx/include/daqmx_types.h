// Types, values and status codes of the NI-DAQmx C library, as far as the stand-in needs them.
// Written from NI's public C reference; the numbers are NI's published ones.
#pragma once

#include <stdint.h>

typedef int32_t int32;
typedef uint32_t uInt32;
typedef uint64_t uInt64;
typedef double float64;
typedef uInt32 bool32;
typedef void* TaskHandle;

// The library's functions are __stdcall on 32-bit Windows; x64 has a single convention.
#if defined(_WIN32) && !defined(_WIN64)
#define DAQMX_CFUNC __stdcall
#define DAQMX_CALLBACK __cdecl
#else
#define DAQMX_CFUNC
#define DAQMX_CALLBACK
#endif

typedef int32(DAQMX_CALLBACK* DAQmxDoneEventCallbackPtr)(TaskHandle taskHandle, int32 status,
                                                         void* callbackData);

// Attribute values.
enum : int32 {
    DAQmx_Val_AI = 10100,
    DAQmx_Val_AO = 10102,
    DAQmx_Val_CO = 10132,
    DAQmx_Val_Bits = 10109,
    DAQmx_Val_Voltage = 10322,
    DAQmx_Val_Current = 10134,
    DAQmx_Val_Volts = 10348,
    DAQmx_Val_PCI = 12582,
    DAQmx_Val_PCIe = 13612,
    DAQmx_Val_PXI = 12583,
    DAQmx_Val_PXIe = 14706,
    DAQmx_Val_USB = 12586,
    DAQmx_Val_GroupByChannel = 0,
    DAQmx_Val_GroupByScanNumber = 1,
};

// Status codes: negative is an error, positive a warning.
enum : int32 {
    DAQmxSuccess = 0,
    DAQmxErrorPALResourceReserved = -50103,
    DAQmxErrorInvalidAttributeValue = -200077,
    DAQmxErrorMinNotLessThanMax = -200082,
    DAQmxErrorInvalidChannel = -200087,
    DAQmxErrorInvalidTask = -200088,
    DAQmxErrorDuplicateTask = -200089,
    DAQmxErrorPhysicalChanDoesNotExist = -200170,
    DAQmxErrorVirtualChanNameUsed = -200171,
    DAQmxErrorAttrNotSupported = -200197,
    DAQmxErrorInvalidDeviceID = -200220,
    DAQmxErrorBufferTooSmallForString = -200228,
    DAQmxErrorNULLPtrForC_Api = -200230,
    DAQmxErrorWriteBufferTooSmall = -200234,
    DAQmxErrorAttributeNotSupportedInTaskContext = -200452,
    DAQmxErrorWriteNumChansMismatch = -200524,
    DAQmxErrorWriteChanTypeMismatch = -200526,
    DAQmxErrorInvalidAODataWrite = -200561,
    DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunning = -200846,
    DAQmxErrorDevCannotBeAccessed = -201003,
    DAQmxWarningPropertyVersionNew = 200024,
    DAQmxWarningCAPIStringTruncatedToFitBuffer = 200026,
};
