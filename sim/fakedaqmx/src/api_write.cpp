// Writing analog output values.
#include "daqmx_functions.h"
#include "task_call.h"

using namespace fakedaqmx;

namespace {

// Checks that the task can take analog values now; an autoStart write needs its channels free.
int32 CheckWritable(State& s, Task& task, bool32 autoStart) {
    if (task.channels.empty())
        return s.Fail(DAQmxErrorWriteNumChansMismatch, "The task has no channels to write to.");
    for (const Channel& c : task.channels)
        if (c.counter)
            return s.Fail(DAQmxErrorWriteChanTypeMismatch,
                          "Analog data written to a counter channel: " + c.name);
    if (task.running) return 0;
    if (autoStart) return CheckReservations(s, task);
    if (task.timed) return 0;
    return s.Fail(
        DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunning,
        "Write cannot be performed when the auto start input to DAQmx Write is false, the task is not "
        "running, and timing for the task is not configured or Timing Type is set to On Demand.");
}

int32 CheckInRange(State& s, const Channel& c, double value) {
    if (value >= c.min && value <= c.max) return 0;
    return s.Fail(DAQmxErrorInvalidAODataWrite,
                  "Attempted writing analog data that is too large or too small.\nChannel Name: " + c.name +
                      "\nRequested Value: " + ValueText(value) + "\nMin Value: " + ValueText(c.min) +
                      "\nMax Value: " + ValueText(c.max));
}

} // namespace

extern "C" {

int32 DAQMX_CFUNC DAQmxWriteAnalogScalarF64(TaskHandle taskHandle, bool32 autoStart, float64 timeout,
                                            float64 value, bool32* reserved) {
    Call call("DAQmxWriteAnalogScalarF64");
    call.Task(taskHandle).Int(autoStart).Real(timeout).Real(value).Pointer(reserved);
    return TaskCall(call, taskHandle, [&](State& s, Task& task) {
        if (int32 status = CheckWritable(s, task, autoStart)) return status;
        if (task.channels.size() != 1)
            return s.Fail(DAQmxErrorWriteNumChansMismatch,
                          "A scalar write needs a task with exactly one channel.");
        if (int32 status = CheckInRange(s, task.channels[0], value)) return status;
        s.SetVoltage(task.channels[0].physical, value);
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxWriteAnalogF64(TaskHandle taskHandle, int32 numSampsPerChan, bool32 autoStart,
                                      float64 timeout, bool32 dataLayout, const float64 writeArray[],
                                      int32* sampsPerChanWritten, bool32* reserved) {
    Call call("DAQmxWriteAnalogF64");
    call.Task(taskHandle).Int(numSampsPerChan).Int(autoStart).Real(timeout).Int(dataLayout);
    call.Pointer(writeArray).Pointer(sampsPerChanWritten).Pointer(reserved);
    return TaskCall(call, taskHandle, [&](State& s, Task& task) {
        if (numSampsPerChan < 0)
            return s.Fail(DAQmxErrorInvalidAttributeValue, "Number of samples must not be negative.");
        if (numSampsPerChan > 0 && !writeArray) return s.NullPointer();
        if (int32 status = CheckWritable(s, task, autoStart)) return status;
        const size_t samples = static_cast<size_t>(numSampsPerChan), chans = task.channels.size();
        auto at = [&](size_t chan, size_t sample) {
            return dataLayout == DAQmx_Val_GroupByChannel ? writeArray[chan * samples + sample]
                                                          : writeArray[sample * chans + chan];
        };
        for (size_t c = 0; c < chans; ++c)
            for (size_t i = 0; i < samples; ++i)
                if (int32 status = CheckInRange(s, task.channels[c], at(c, i))) return status;
        // The output holds the last sample of each channel once the write is done.
        for (size_t c = 0; c < chans && samples > 0; ++c)
            s.SetVoltage(task.channels[c].physical, at(c, samples - 1));
        if (sampsPerChanWritten) *sampsPerChanWritten = numSampsPerChan;
        call.Result("written=" + ValueText(numSampsPerChan));
        return 0;
    });
}

} // extern "C"
