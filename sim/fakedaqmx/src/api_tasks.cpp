// Task lifecycle and channel creation.
#include "daqmx_functions.h"
#include "task_call.h"
#include "text_util.h"

using namespace fakedaqmx;

namespace {

// The narrowest board range that holds [min, max], as the library picks its DAC range.
bool PickRange(const BoardInfo& board, double min, double max, std::pair<double, double>& out) {
    bool found = false;
    for (const auto& r : board.ranges)
        if (r.first <= min && max <= r.second && (!found || r.second - r.first < out.second - out.first)) {
            out = r;
            found = true;
        }
    return found;
}

int32 AddChannels(State& s, Task& task, const char* physical, const char* names, bool counter, double min,
                  double max) {
    if (!physical) return s.NullPointer();
    std::vector<std::string> items = SplitList(physical);
    std::vector<std::string> virtualNames = SplitList(names ? names : "");
    if (items.empty()) return s.Fail(DAQmxErrorPhysicalChanDoesNotExist, "No physical channel given.");
    if (!virtualNames.empty() && virtualNames.size() != items.size())
        return s.Fail(DAQmxErrorInvalidAttributeValue,
                      "Number of channel names does not match the channels.");
    std::vector<Channel> added;
    for (size_t i = 0; i < items.size(); ++i) {
        PhysicalChannel found;
        if (!s.FindPhysical(items[i], found) || found.counter != counter)
            return s.Fail(DAQmxErrorPhysicalChanDoesNotExist,
                          "Physical channel does not exist on this device.\nPhysical Channel Name: " +
                              items[i]);
        Channel c;
        c.physical = found.name;
        c.device = found.board->name;
        c.name = virtualNames.empty() ? found.name : virtualNames[i];
        c.counter = counter;
        c.min = min;
        c.max = max;
        c.bits = found.board->bits;
        c.chanType = s.OverrideOr(s.scenario.chanTypes, c.physical, counter ? DAQmx_Val_CO : DAQmx_Val_AO);
        c.outputType = s.OverrideOr(s.scenario.outputTypes, c.physical, DAQmx_Val_Voltage);
        if (!counter) {
            std::pair<double, double> range;
            // NI's text for -200077; no range of the board holds both values.
            if (!PickRange(*found.board, min, max, range))
                return s.Fail(
                    DAQmxErrorInvalidAttributeValue,
                    "Requested value is not a supported value for this property. The property value may "
                    "be invalid because it conflicts with another property.\nProperty: DAQmx_AO_Min, "
                    "DAQmx_AO_Max\nRequested Value: " +
                        ValueText(min) + " to " + ValueText(max) + "\nChannel Name: " + c.physical);
            c.dacLow = c.defaultDacLow = range.first;
            c.dacHigh = c.defaultDacHigh = range.second;
        }
        for (const auto* list : {&task.channels, &added})
            for (const Channel& other : *list)
                if (SameName(other.name, c.name))
                    return s.Fail(DAQmxErrorVirtualChanNameUsed, "Channel name is already used: " + c.name);
        added.push_back(c);
    }
    task.channels.insert(task.channels.end(), added.begin(), added.end());
    return 0;
}

} // namespace

extern "C" {

int32 DAQMX_CFUNC DAQmxCreateTask(const char taskName[], TaskHandle* taskHandle) {
    Call call("DAQmxCreateTask");
    call.Text(taskName).Pointer(taskHandle);
    return call.Run([&](State& s) {
        if (!taskHandle) return s.NullPointer();
        std::string name = taskName ? taskName : "";
        if (!name.empty())
            for (const auto& entry : s.Tasks())
                if (SameName(entry.second.name, name))
                    return s.Fail(DAQmxErrorDuplicateTask, "A task with this name already exists: " + name);
        *taskHandle = s.AddTask(name);
        call.Result(s.TaskLabel(*taskHandle));
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxStartTask(TaskHandle taskHandle) {
    Call call("DAQmxStartTask");
    call.Task(taskHandle);
    return TaskCall(call, taskHandle, [&](State& s, Task& task) {
        if (int32 status = CheckReservations(s, task)) return status;
        task.running = true;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxStopTask(TaskHandle taskHandle) {
    Call call("DAQmxStopTask");
    call.Task(taskHandle);
    return TaskCall(call, taskHandle, [&](State&, Task& task) {
        task.running = false;
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxClearTask(TaskHandle taskHandle) {
    Call call("DAQmxClearTask");
    call.Task(taskHandle);
    return TaskCall(call, taskHandle, [&](State& s, Task&) {
        s.ClearTask(taskHandle);
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxWaitUntilTaskDone(TaskHandle taskHandle, float64 timeToWait) {
    Call call("DAQmxWaitUntilTaskDone");
    call.Task(taskHandle).Real(timeToWait);
    return TaskCall(call, taskHandle, [](State&, Task&) { return 0; });
}

int32 DAQMX_CFUNC DAQmxCreateAOVoltageChan(TaskHandle taskHandle, const char physicalChannel[],
                                           const char nameToAssignToChannel[], float64 minVal, float64 maxVal,
                                           int32 units, const char customScaleName[]) {
    Call call("DAQmxCreateAOVoltageChan");
    call.Task(taskHandle)
        .PhysicalChannels(physicalChannel)
        .Text(nameToAssignToChannel)
        .Real(minVal)
        .Real(maxVal);
    call.Int(units).Text(customScaleName);
    return TaskCall(call, taskHandle, [&](State& s, Task& task) {
        if (units != DAQmx_Val_Volts)
            return s.Fail(DAQmxErrorInvalidAttributeValue,
                          "Units must be volts here.\nUnits: " + ValueText(units));
        if (!(minVal < maxVal))
            return s.Fail(DAQmxErrorMinNotLessThanMax,
                          "Minimum is not less than maximum.\nMinimum: " + ValueText(minVal) +
                              "\nMaximum: " + ValueText(maxVal));
        return AddChannels(s, task, physicalChannel, nameToAssignToChannel, false, minVal, maxVal);
    });
}

int32 DAQMX_CFUNC DAQmxCreateCOPulseChanTicks(TaskHandle taskHandle, const char counter[],
                                              const char nameToAssignToChannel[], const char sourceTerminal[],
                                              int32 idleState, int32 initialDelay, int32 lowTicks,
                                              int32 highTicks) {
    Call call("DAQmxCreateCOPulseChanTicks");
    call.Task(taskHandle).PhysicalChannels(counter).Text(nameToAssignToChannel).Text(sourceTerminal);
    call.Int(idleState).Int(initialDelay).Int(lowTicks).Int(highTicks);
    return TaskCall(call, taskHandle, [&](State& s, Task& task) {
        return AddChannels(s, task, counter, nameToAssignToChannel, true, 0, 0);
    });
}

} // extern "C"
