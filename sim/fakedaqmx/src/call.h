// One DAQmx call: its arguments as log text, the devices and channels it concerns (for faults),
// and the log line with the status it returned.
#pragma once

#include <string>
#include <vector>

#include "sim.h"

namespace fakedaqmx {

class Call {
public:
    explicit Call(const char* function) : function_(function) {}

    Call& Text(const char* text);
    Call& Int(long long value);
    Call& Real(double value);
    Call& Pointer(const void* pointer);
    Call& Device(const char* device);
    // A device argument of a call that acts on the board itself, which fails while it is away.
    Call& Board(const char* device);
    Call& PhysicalChannels(const char* list);
    Call& Channel(const char* name);
    Call& Task(TaskHandle handle);

    // Shown after the status of a successful call, e.g. the value a getter returned.
    void Result(std::string text) { result_ = std::move(text); }

    template <class T> int32 Value(State& s, T* out, T value);
    int32 String(State& s, const std::string& text, char* buf, uInt32 size);
    int32 Array(State& s, const std::vector<double>& values, float64* buf, uInt32 size);

    // Runs body(State&) under the lock unless a fault is injected, and logs the call.
    template <class Body> int32 Run(Body body) {
        WaitIfStalled(function_);
        Locked locked;
        State& s = locked.state();
        int32 status = Begin(s);
        if (status == 0) status = body(s);
        if (status == 0) status = s.WarningFor(function_, subjects_);
        End(s, status);
        return status;
    }

private:
    struct Arg {
        std::string text;
        bool isTask = false;
        TaskHandle task = nullptr;
    };

    int32 Begin(State& s);
    void End(State& s, int32 status);

    const char* function_;
    std::vector<Arg> args_;
    std::vector<std::string> subjects_;
    std::vector<std::string> boards_; // the boards the call acts on: tasks', channels' and Board()'s
    std::string formatted_;
    std::string result_;
};

std::string Quote(const char* text);
std::string ValueText(double value);
std::string ValueText(long long value);
inline std::string ValueText(int32 value) {
    return ValueText(static_cast<long long>(value));
}
inline std::string ValueText(uInt32 value) {
    return ValueText(static_cast<long long>(value));
}

template <class T> int32 Call::Value(State& s, T* out, T value) {
    if (!out) return s.NullPointer();
    *out = value;
    Result(ValueText(value));
    return 0;
}

} // namespace fakedaqmx
