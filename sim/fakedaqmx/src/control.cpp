// Our own exports for tests and the host application: scenario, faults and what the driver did.
#include "buffers.h"
#include "fakedaqmx_control.h"
#include "sim.h"

using namespace fakedaqmx;

extern "C" {

void DAQMX_CFUNC fakedaqmx_Reset(void) {
    Locked locked;
    locked.state().ResetFromEnvironment();
}

int32 DAQMX_CFUNC fakedaqmx_LoadScenarioText(const char* text) {
    Locked locked;
    return locked.state().LoadText(text ? text : "");
}

int32 DAQMX_CFUNC fakedaqmx_GetScenarioError(char* buf, uInt32 size) {
    Locked locked;
    return CopyString(locked.state().scenarioError, buf, size);
}

int32 DAQMX_CFUNC fakedaqmx_SetFault(const char* fn, const char* arg, int32 status) {
    if (!fn) return DAQmxErrorNULLPtrForC_Api;
    Locked locked;
    locked.state().SetFault(fn, arg ? arg : "", status);
    return 0;
}

void DAQMX_CFUNC fakedaqmx_ClearFaults(void) {
    Locked locked;
    locked.state().faults.clear();
}

int32 DAQMX_CFUNC fakedaqmx_GetCallLog(char* buf, uInt32 size) {
    Locked locked;
    return CopyString(locked.state().LogText(), buf, size);
}

void DAQMX_CFUNC fakedaqmx_ClearCallLog(void) {
    Locked locked;
    locked.state().ClearLog();
}

int32 DAQMX_CFUNC fakedaqmx_GetLastVoltage(const char* chan, double* out) {
    if (!chan || !out) return 0;
    Locked locked;
    return locked.state().LastVoltage(chan, *out) ? 1 : 0;
}

int32 DAQMX_CFUNC fakedaqmx_ReadMeter(const char* chan, double* power) {
    if (!chan || !power) return 0;
    Locked locked;
    return locked.state().Light(chan, true, *power) ? 1 : 0;
}

int32 DAQMX_CFUNC fakedaqmx_ReadLight(const char* chan, double* power) {
    if (!chan || !power) return 0;
    Locked locked;
    return locked.state().Light(chan, false, *power) ? 1 : 0;
}

int32 DAQMX_CFUNC fakedaqmx_ListVoltages(char* buf, uInt32 size) {
    Locked locked;
    return CopyString(locked.state().VoltageText(), buf, size);
}

int32 DAQMX_CFUNC fakedaqmx_RemoveDevice(const char* device) {
    Locked locked;
    const BoardInfo* board = locked.state().FindBoard(device);
    if (!board) return DAQmxErrorInvalidDeviceID;
    locked.state().RemoveDevice(*board);
    return 0;
}

int32 DAQMX_CFUNC fakedaqmx_AttachDevice(const char* device) {
    Locked locked;
    const BoardInfo* board = locked.state().FindBoard(device);
    if (!board) return DAQmxErrorInvalidDeviceID;
    locked.state().AttachDevice(*board);
    return 0;
}

int32 DAQMX_CFUNC fakedaqmx_TaskCount(void) {
    Locked locked;
    return static_cast<int32>(locked.state().Tasks().size());
}

} // extern "C"
