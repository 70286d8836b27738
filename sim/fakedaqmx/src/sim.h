// The stand-in's whole state, reached only through a Locked guard.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "daqmx_types.h"
#include "scenario.h"

namespace fakedaqmx {

// Version reported when the scenario names none; set per built variant.
extern const uInt32 kDefaultMajorVersion;
extern const uInt32 kDefaultMinorVersion;

struct Channel {
    std::string physical; // as the scenario spells it, e.g. "Dev1/ao0"
    std::string device;
    std::string name; // virtual name; the physical name unless one was given
    bool counter = false;
    double min = 0, max = 0;
    int32 chanType = DAQmx_Val_AO;
    int32 outputType = DAQmx_Val_Voltage;
    uInt32 bits = 16;
    double dacLow = 0, dacHigh = 0;
    double defaultDacLow = 0, defaultDacHigh = 0;
};

struct Task {
    uInt32 id = 0;
    std::string name;
    std::vector<Channel> channels;
    bool running = false;
    bool timed = false;
};

struct PhysicalChannel {
    const BoardInfo* board = nullptr;
    std::string name; // canonical "Dev/chan"
    bool counter = false;
};

class State {
public:
    bool loaded = false;
    Scenario scenario;
    std::string scenarioError;
    std::vector<FaultRule> faults;

    void ResetFromEnvironment();
    int LoadText(std::string_view text);

    uInt32 Major() const { return scenario.hasVersion ? scenario.major : kDefaultMajorVersion; }
    uInt32 Minor() const { return scenario.hasVersion ? scenario.minor : kDefaultMinorVersion; }
    const BoardInfo* FindBoard(const char* name) const;
    bool FindPhysical(std::string_view name, PhysicalChannel& out) const;
    int32 OverrideOr(const std::map<std::string, int32>& table, const std::string& physical,
                     int32 fallback) const;

    // Records the error text for DAQmxGetExtendedErrorInfo on the calling thread; returns status.
    int32 Fail(int32 status, const std::string& message);
    // The text of the calling thread's last failure ("" when it has none): each thread has its own, as the
    // library keeps it, so a failure on another thread never replaces it.
    std::string LastError() const;
    int32 NullPointer() { return Fail(DAQmxErrorNULLPtrForC_Api, "A required pointer argument is NULL."); }
    int32 NoSuchDevice(const char* device);
    int32 InvalidTask(TaskHandle handle);

    TaskHandle AddTask(const std::string& name);
    Task* FindTask(TaskHandle handle);
    const std::map<uintptr_t, Task>& Tasks() const { return tasks_; }
    void ClearTask(TaskHandle handle);
    std::string TaskLabel(TaskHandle handle) const;

    void SetFault(const std::string& function, const std::string& arg, int32 status);
    int32 FaultFor(const std::string& function, const std::vector<std::string>& subjects) const;
    // The warning a call that succeeded answers instead of 0 (scenario statement "warn"), or 0.
    int32 WarningFor(const std::string& function, const std::vector<std::string>& subjects) const;

    // A board leaves the system (its cable pulled) and comes back: while it is away every task call and
    // channel on it fails with DAQmxErrorDevCannotBeAccessed; back, it is as after a reset.
    void RemoveDevice(const BoardInfo& board);
    void AttachDevice(const BoardInfo& board);
    bool IsRemoved(std::string_view device) const;
    int32 CannotBeAccessed(std::string_view device);
    // What a reset does: every task on the board aborted, every analog output at 0 V.
    void AbortAndZero(const BoardInfo& board);

    // The light the AOM of a channel with an `aom` statement passes at the channel's voltage (0 V before any
    // write and while its board is away), exactly, or as its power meter reads it: with the meter's noise, at
    // least 0. False for a channel without an AOM.
    bool Light(std::string_view physical, bool meter, double& out);

    void SetVoltage(const std::string& physical, double value);
    bool LastVoltage(std::string_view physical, double& out) const;
    std::string VoltageText() const;

    void Log(std::string line);
    void ClearLog();
    std::string LogText() const;

private:
    void ClearRuntime();

    std::map<unsigned long, std::string> lastErrors_; // by thread id
    std::map<uintptr_t, Task> tasks_;
    std::map<uintptr_t, uInt32> clearedIds_;
    uintptr_t nextHandle_ = 0x1000;
    uInt32 nextId_ = 1;
    std::map<std::string, std::pair<std::string, double>> voltages_; // lower-case name -> (name, volts)
    std::set<std::string> removed_;                                  // lower-case board names
    std::map<std::string, std::mt19937> meters_;                     // lower-case name -> noise source
    std::deque<std::string> log_;
    size_t droppedLines_ = 0;
};

// Blocks a call of a stalled function (fakedaqmx_Stall) until it is released; never under the state's lock,
// so that a caller ended while it waits leaves the stand-in usable.
void WaitIfStalled(const char* function);

// Holds the state's critical section; loads the scenario on first use.
class Locked {
public:
    Locked();
    ~Locked();
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    State& state();
};

} // namespace fakedaqmx
