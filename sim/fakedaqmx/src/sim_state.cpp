#include <windows.h>

#include <cstdio>

#include "sim.h"
#include "text_util.h"

namespace fakedaqmx {

const BoardInfo* State::FindBoard(const char* name) const {
    if (!name) return nullptr;
    for (const BoardInfo& b : scenario.boards)
        if (SameName(b.name, name)) return &b;
    return nullptr;
}

bool State::FindPhysical(std::string_view name, PhysicalChannel& out) const {
    size_t slash = name.find('/');
    if (slash == std::string_view::npos) return false;
    std::string device(name.substr(0, slash));
    const BoardInfo* board = FindBoard(device.c_str());
    if (!board) return false;
    std::string_view chan = name.substr(slash + 1);
    for (bool counter : {false, true})
        for (const std::string& c : counter ? board->coChannels : board->aoChannels)
            if (SameName(c, chan)) {
                out = {board, board->name + "/" + c, counter};
                return true;
            }
    return false;
}

int32 State::OverrideOr(const std::map<std::string, int32>& table, const std::string& physical,
                        int32 fallback) const {
    auto it = table.find(Lower(physical));
    return it == table.end() ? fallback : it->second;
}

int32 State::Fail(int32 status, const std::string& message) {
    if (status >= 0) return status;
    // Threads come and go over a long run; their texts are dropped before they pile up.
    const size_t kMaxThreads = 256;
    if (lastErrors_.size() >= kMaxThreads) lastErrors_.clear();
    lastErrors_[GetCurrentThreadId()] = message + "\nStatus Code: " + std::to_string(status);
    return status;
}

std::string State::LastError() const {
    auto it = lastErrors_.find(GetCurrentThreadId());
    return it == lastErrors_.end() ? std::string() : it->second;
}

int32 State::NoSuchDevice(const char* device) {
    return Fail(DAQmxErrorInvalidDeviceID,
                "Device identifier is invalid.\nDevice: " + std::string(device ? device : "(null)"));
}

int32 State::InvalidTask(TaskHandle handle) {
    return Fail(DAQmxErrorInvalidTask, "Task is invalid or does not exist.\nTask: " + TaskLabel(handle));
}

TaskHandle State::AddTask(const std::string& name) {
    // Handles are never reused, so a stale one stays invalid even after a reset.
    uintptr_t handle = nextHandle_;
    nextHandle_ += 0x10;
    Task& task = tasks_[handle];
    task.id = nextId_++;
    task.name = name;
    return reinterpret_cast<TaskHandle>(handle);
}

Task* State::FindTask(TaskHandle handle) {
    auto it = tasks_.find(reinterpret_cast<uintptr_t>(handle));
    return it == tasks_.end() ? nullptr : &it->second;
}

void State::ClearTask(TaskHandle handle) {
    auto it = tasks_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == tasks_.end()) return;
    clearedIds_[it->first] = it->second.id;
    tasks_.erase(it);
}

std::string State::TaskLabel(TaskHandle handle) const {
    uintptr_t key = reinterpret_cast<uintptr_t>(handle);
    auto live = tasks_.find(key);
    if (live != tasks_.end()) return "task=" + std::to_string(live->second.id);
    auto cleared = clearedIds_.find(key);
    if (cleared != clearedIds_.end()) return "task=" + std::to_string(cleared->second);
    if (!handle) return "task=null";
    char text[32];
    std::snprintf(text, sizeof text, "task=0x%llx", static_cast<unsigned long long>(key));
    return text;
}

void State::SetFault(const std::string& function, const std::string& arg, int32 status) {
    for (auto it = faults.begin(); it != faults.end(); ++it)
        if (it->function == function && SameName(it->arg, arg)) {
            if (status == 0)
                faults.erase(it);
            else
                it->status = status;
            return;
        }
    if (status != 0) faults.push_back({function, arg, status});
}

int32 State::WarningFor(const std::string& function, const std::vector<std::string>& subjects) const {
    for (const FaultRule& w : scenario.warnings) {
        if (w.function != "*" && w.function != function) continue;
        if (w.arg.empty()) return w.status;
        for (const std::string& s : subjects)
            if (SameName(s, w.arg)) return w.status;
    }
    return 0;
}

void State::RemoveDevice(const BoardInfo& board) {
    removed_.insert(Lower(board.name));
}

void State::AttachDevice(const BoardInfo& board) {
    if (removed_.erase(Lower(board.name))) AbortAndZero(board);
}

bool State::IsRemoved(std::string_view device) const {
    return removed_.count(Lower(device)) != 0;
}

// NI's text for -201003, as the library gives it for a board that left the system.
int32 State::CannotBeAccessed(std::string_view device) {
    return Fail(
        DAQmxErrorDevCannotBeAccessed,
        "Device cannot be accessed.\nPossible causes:\nDevice is no longer present in the system.\n"
        "Device is not powered.\nDevice is powered, but was temporarily without power.\n"
        "Device is damaged.\nEnsure the device is properly connected and powered.\nDevice Specified: " +
            std::string(device));
}

void State::AbortAndZero(const BoardInfo& board) {
    for (auto& entry : tasks_)
        for (const Channel& c : entry.second.channels)
            if (SameName(c.device, board.name)) entry.second.running = false;
    for (const std::string& c : board.aoChannels)
        SetVoltage(board.name + "/" + c, 0.0);
}

int32 State::FaultFor(const std::string& function, const std::vector<std::string>& subjects) const {
    for (const FaultRule& f : faults) {
        if (f.function != "*" && f.function != function) continue;
        if (f.arg.empty()) return f.status;
        for (const std::string& s : subjects)
            if (SameName(s, f.arg)) return f.status;
    }
    return 0;
}

} // namespace fakedaqmx
