// Timing, triggering and events: accepted for a valid task and otherwise ignored.
#include "daqmx_functions.h"
#include "task_call.h"

using namespace fakedaqmx;

extern "C" {

int32 DAQMX_CFUNC DAQmxCfgSampClkTiming(TaskHandle taskHandle, const char source[], float64 rate,
                                        int32 activeEdge, int32 sampleMode, uInt64 sampsPerChan) {
    Call call("DAQmxCfgSampClkTiming");
    call.Task(taskHandle).Text(source).Real(rate).Int(activeEdge).Int(sampleMode);
    call.Int(static_cast<long long>(sampsPerChan));
    return TaskCall(call, taskHandle, [](State&, Task& task) {
        // Buffered tasks may be written before they start.
        task.timed = true;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxCfgImplicitTiming(TaskHandle taskHandle, int32 sampleMode, uInt64 sampsPerChan) {
    Call call("DAQmxCfgImplicitTiming");
    call.Task(taskHandle).Int(sampleMode).Int(static_cast<long long>(sampsPerChan));
    return TaskCall(call, taskHandle, [](State&, Task& task) {
        task.timed = true;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxCfgDigEdgeStartTrig(TaskHandle taskHandle, const char triggerSource[],
                                           int32 triggerEdge) {
    Call call("DAQmxCfgDigEdgeStartTrig");
    call.Task(taskHandle).Text(triggerSource).Int(triggerEdge);
    return TaskCall(call, taskHandle, [](State&, Task&) { return 0; });
}

int32 DAQMX_CFUNC DAQmxRegisterDoneEvent(TaskHandle taskHandle, uInt32 options,
                                         DAQmxDoneEventCallbackPtr callbackFunction, void* callbackData) {
    Call call("DAQmxRegisterDoneEvent");
    call.Task(taskHandle)
        .Int(options)
        .Pointer(reinterpret_cast<const void*>(callbackFunction))
        .Pointer(callbackData);
    return TaskCall(call, taskHandle, [](State&, Task&) { return 0; });
}

} // extern "C"
