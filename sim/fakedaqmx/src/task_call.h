// Helpers for calls that act on a task or on one channel of a task.
#pragma once

#include "call.h"

namespace fakedaqmx {

// Runs body(State&, Task&), failing as the library does for an unknown or cleared task.
template <class Body> int32 TaskCall(Call& call, TaskHandle handle, Body body) {
    return call.Run([&](State& s) {
        fakedaqmx::Task* task = s.FindTask(handle);
        return task ? body(s, *task) : s.InvalidTask(handle);
    });
}

// The channel a name refers to: its virtual or physical name, or "" for a task's only channel.
Channel* FindChannel(Task& task, const char* name);
int32 UnknownChannel(State& s, const char* name);

// Runs body(State&, Channel&) on a named channel of a task.
template <class Body> int32 ChannelCall(Call& call, TaskHandle handle, const char* name, Body body) {
    return TaskCall(call, handle, [&](State& s, fakedaqmx::Task& task) {
        fakedaqmx::Channel* channel = FindChannel(task, name);
        return channel ? body(s, *channel) : UnknownChannel(s, name);
    });
}

// As ChannelCall, for attributes that only analog output channels have.
template <class Body> int32 AOChannelCall(Call& call, TaskHandle handle, const char* name, Body body) {
    return ChannelCall(call, handle, name, [&](State& s, fakedaqmx::Channel& channel) {
        if (channel.counter)
            return s.Fail(DAQmxErrorAttributeNotSupportedInTaskContext,
                          "Attribute is not supported for channel " + channel.name + ".");
        return body(s, channel);
    });
}

// Another running task already uses one of this task's physical channels.
int32 CheckReservations(State& s, const Task& task);

} // namespace fakedaqmx
