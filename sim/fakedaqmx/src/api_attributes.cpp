// Channel attributes.
#include "daqmx_functions.h"
#include "task_call.h"

using namespace fakedaqmx;

namespace {

int32 RequireValue(State& s, int32 value, int32 allowed, const char* what) {
    if (value == allowed) return 0;
    return s.Fail(DAQmxErrorInvalidAttributeValue, std::string("Requested value is not supported for ") +
                                                       what + ".\nValue: " + ValueText(value));
}

// Counter settings are accepted for any channel of a valid task.
template <class T>
int32 CounterSetting(const char* function, TaskHandle taskHandle, const char channel[], T data) {
    Call call(function);
    call.Task(taskHandle).Channel(channel).Int(data);
    return ChannelCall(call, taskHandle, channel, [](State&, Channel&) { return 0; });
}

} // namespace

extern "C" {

int32 DAQMX_CFUNC DAQmxGetChanType(TaskHandle taskHandle, const char channel[], int32* data) {
    Call call("DAQmxGetChanType");
    call.Task(taskHandle).Channel(channel).Pointer(data);
    return ChannelCall(call, taskHandle, channel,
                       [&](State& s, Channel& c) { return call.Value(s, data, c.chanType); });
}

int32 DAQMX_CFUNC DAQmxGetAOOutputType(TaskHandle taskHandle, const char channel[], int32* data) {
    Call call("DAQmxGetAOOutputType");
    call.Task(taskHandle).Channel(channel).Pointer(data);
    return AOChannelCall(call, taskHandle, channel,
                         [&](State& s, Channel& c) { return call.Value(s, data, c.outputType); });
}

int32 DAQMX_CFUNC DAQmxGetAOResolution(TaskHandle taskHandle, const char channel[], float64* data) {
    Call call("DAQmxGetAOResolution");
    call.Task(taskHandle).Channel(channel).Pointer(data);
    return AOChannelCall(call, taskHandle, channel, [&](State& s, Channel& c) {
        return call.Value(s, data, static_cast<double>(c.bits));
    });
}

int32 DAQMX_CFUNC DAQmxSetAOResolutionUnits(TaskHandle taskHandle, const char channel[], int32 data) {
    Call call("DAQmxSetAOResolutionUnits");
    call.Task(taskHandle).Channel(channel).Int(data);
    return AOChannelCall(call, taskHandle, channel, [&](State& s, Channel&) {
        return RequireValue(s, data, DAQmx_Val_Bits, "resolution units");
    });
}

int32 DAQMX_CFUNC DAQmxSetAOVoltageUnits(TaskHandle taskHandle, const char channel[], int32 data) {
    Call call("DAQmxSetAOVoltageUnits");
    call.Task(taskHandle).Channel(channel).Int(data);
    return AOChannelCall(call, taskHandle, channel, [&](State& s, Channel&) {
        return RequireValue(s, data, DAQmx_Val_Volts, "voltage units");
    });
}

int32 DAQMX_CFUNC DAQmxGetAODACRngHigh(TaskHandle taskHandle, const char channel[], float64* data) {
    Call call("DAQmxGetAODACRngHigh");
    call.Task(taskHandle).Channel(channel).Pointer(data);
    return AOChannelCall(call, taskHandle, channel,
                         [&](State& s, Channel& c) { return call.Value(s, data, c.dacHigh); });
}

int32 DAQMX_CFUNC DAQmxGetAODACRngLow(TaskHandle taskHandle, const char channel[], float64* data) {
    Call call("DAQmxGetAODACRngLow");
    call.Task(taskHandle).Channel(channel).Pointer(data);
    return AOChannelCall(call, taskHandle, channel,
                         [&](State& s, Channel& c) { return call.Value(s, data, c.dacLow); });
}

int32 DAQMX_CFUNC DAQmxResetAODACRngHigh(TaskHandle taskHandle, const char channel[]) {
    Call call("DAQmxResetAODACRngHigh");
    call.Task(taskHandle).Channel(channel);
    return AOChannelCall(call, taskHandle, channel, [](State&, Channel& c) {
        c.dacHigh = c.defaultDacHigh;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxResetAODACRngLow(TaskHandle taskHandle, const char channel[]) {
    Call call("DAQmxResetAODACRngLow");
    call.Task(taskHandle).Channel(channel);
    return AOChannelCall(call, taskHandle, channel, [](State&, Channel& c) {
        c.dacLow = c.defaultDacLow;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxSetCOPulseHighTicks(TaskHandle taskHandle, const char channel[], uInt32 data) {
    return CounterSetting("DAQmxSetCOPulseHighTicks", taskHandle, channel, data);
}

int32 DAQMX_CFUNC DAQmxSetCOPulseLowTicks(TaskHandle taskHandle, const char channel[], uInt32 data) {
    return CounterSetting("DAQmxSetCOPulseLowTicks", taskHandle, channel, data);
}

int32 DAQMX_CFUNC DAQmxSetCOPulseTicksInitialDelay(TaskHandle taskHandle, const char channel[], uInt32 data) {
    return CounterSetting("DAQmxSetCOPulseTicksInitialDelay", taskHandle, channel, data);
}

int32 DAQMX_CFUNC DAQmxSetCOPulseIdleState(TaskHandle taskHandle, const char channel[], int32 data) {
    return CounterSetting("DAQmxSetCOPulseIdleState", taskHandle, channel, data);
}

int32 DAQMX_CFUNC DAQmxSetCOCtrTimebaseSrc(TaskHandle taskHandle, const char channel[], const char* data) {
    Call call("DAQmxSetCOCtrTimebaseSrc");
    call.Task(taskHandle).Channel(channel).Text(data);
    return ChannelCall(call, taskHandle, channel, [](State&, Channel&) { return 0; });
}

} // extern "C"
