// Control functions of the fakedaqmx stand-in (our own, not part of NI-DAQmx).
// Tests and the host application find them with GetProcAddress; see README.md.
#pragma once

#include "daqmx_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Forget tasks, calls, voltages and faults; reload the scenario named by FAKEDAQMX_SCENARIO.
void DAQMX_CFUNC fakedaqmx_Reset(void);
// Reset, then load a scenario from text. 0 on success, else the number of the first bad line.
int32 DAQMX_CFUNC fakedaqmx_LoadScenarioText(const char* text);
// Why the last scenario failed to load ("" if it loaded). Size-query convention.
int32 DAQMX_CFUNC fakedaqmx_GetScenarioError(char* buf, uInt32 size);
// Make `fn` (or "*" for every function) return `status`; `arg` limits it to one device or channel.
// Status 0 removes the fault.
int32 DAQMX_CFUNC fakedaqmx_SetFault(const char* fn, const char* arg, int32 status);
void DAQMX_CFUNC fakedaqmx_ClearFaults(void);
// Every DAQmx call so far, one per line. Size-query convention.
int32 DAQMX_CFUNC fakedaqmx_GetCallLog(char* buf, uInt32 size);
void DAQMX_CFUNC fakedaqmx_ClearCallLog(void);
// 1 and the last value written to the physical channel, or 0 if nothing was written to it.
int32 DAQMX_CFUNC fakedaqmx_GetLastVoltage(const char* chan, double* out);
// 1 and what the power meter behind the AOM of a channel (scenario statement "aom") reads, in mW, with its
// noise; 0 for a channel without an AOM.
int32 DAQMX_CFUNC fakedaqmx_ReadMeter(const char* chan, double* power);
// The same without the meter's noise: the light the AOM passes.
int32 DAQMX_CFUNC fakedaqmx_ReadLight(const char* chan, double* power);
// "chan value" per line for every channel written. Size-query convention.
int32 DAQMX_CFUNC fakedaqmx_ListVoltages(char* buf, uInt32 size);
// Tasks created and not yet cleared.
int32 DAQMX_CFUNC fakedaqmx_TaskCount(void);
// The board leaves the system, as a pulled USB cable takes it: every task call and channel on it fails with
// -201003 until fakedaqmx_AttachDevice brings it back, aborted and at 0 V as after a reset. 0, or
// -200220 for an unknown board.
int32 DAQMX_CFUNC fakedaqmx_RemoveDevice(const char* device);
int32 DAQMX_CFUNC fakedaqmx_AttachDevice(const char* device);
// Calls of the NI-DAQmx function `fn` block (at most 60 s) until fakedaqmx_Stall(NULL) releases them.
int32 DAQMX_CFUNC fakedaqmx_Stall(const char* fn);
// 1 once a call is blocked by the stall, 0 when none is within ms.
int32 DAQMX_CFUNC fakedaqmx_WaitStalled(uInt32 ms);

#ifdef __cplusplus
}
#endif
