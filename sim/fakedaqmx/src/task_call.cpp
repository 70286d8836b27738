#include "task_call.h"

#include "text_util.h"

namespace fakedaqmx {

Channel* FindChannel(Task& task, const char* name) {
    if (!name || !*name) return task.channels.size() == 1 ? &task.channels[0] : nullptr;
    for (Channel& c : task.channels)
        if (SameName(c.name, name) || SameName(c.physical, name)) return &c;
    return nullptr;
}

int32 UnknownChannel(State& s, const char* name) {
    return s.Fail(DAQmxErrorInvalidChannel,
                  "Channel is not in the task (or the task has more than one channel and none was named).\n"
                  "Channel Name: " +
                      std::string(name ? name : "(null)"));
}

int32 CheckReservations(State& s, const Task& task) {
    for (const auto& entry : s.Tasks()) {
        const Task& other = entry.second;
        if (&other == &task || !other.running) continue;
        for (const Channel& mine : task.channels)
            for (const Channel& theirs : other.channels)
                if (SameName(mine.physical, theirs.physical))
                    return s.Fail(DAQmxErrorPALResourceReserved,
                                  "The resource is reserved by another task.\nResource: " + mine.physical);
    }
    return 0;
}

} // namespace fakedaqmx
