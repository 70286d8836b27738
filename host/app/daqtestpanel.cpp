#include "daqtestpanel.h"

#include "daqinventory.h"
#include "daqlibrary.h"
#include "numbers.h"

namespace {
typedef void* TaskHandle;
typedef int32_t(WINAPI* PFN_CreateTask)(const char name[], TaskHandle* task);
typedef int32_t(WINAPI* PFN_CreateAOVoltageChan)(TaskHandle task, const char channel[], const char name[],
                                                 double minimum, double maximum, int32_t units,
                                                 const char scale[]);
typedef int32_t(WINAPI* PFN_Task)(TaskHandle task);
typedef int32_t(WINAPI* PFN_WriteScalar)(TaskHandle task, uint32_t autoStart, double timeout, double value,
                                         uint32_t* reserved);
typedef int32_t(WINAPI* PFN_ResetDevice)(const char device[]);
const int32_t kVolts = 10348; // DAQmx_Val_Volts
const double kWriteTimeoutS = 10.0;

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return s;
}

// The narrowest range of the channel's board that holds the value; the board's first range when none does
// (the library then refuses the value, which is its answer to give), -10 to 10 V when the board is unknown.
void ChannelRange(const std::string& channel, double volts, double& low, double& high) {
    low = -10.0;
    high = 10.0;
    SDaqInventory inventory = ReadDaqInventory();
    for (const SDaqBoard& board : inventory.boards) {
        bool listed = false;
        for (const std::string& name : board.channels)
            listed = listed || Lower(Widen(name)) == Lower(Widen(channel));
        if (!listed || board.ranges.size() < 2) continue;
        low = board.ranges[0];
        high = board.ranges[1];
        bool found = false;
        for (size_t i = 0; i + 1 < board.ranges.size(); i += 2) {
            double l = board.ranges[i], h = board.ranges[i + 1];
            if (volts >= l && volts <= h && (!found || h - l < high - low)) {
                low = l;
                high = h;
                found = true;
            }
        }
    }
}

std::wstring Status(int32_t status) {
    return status > 0 ? L" (with NI-DAQmx warning " + std::to_wstring(status) + L")" : std::wstring();
}
} // namespace

SDaqAnswer WriteDaqVoltage(const std::string& channel, double volts) {
    SDaqAnswer answer;
    double low = 0.0, high = 0.0;
    ChannelRange(channel, volts, low, high);
    CDaqLibrary library;
    if (!library.Loaded()) {
        answer.text = L"nicaiu.dll was not found: " + WindowsErrorText(library.LoadError());
        return answer;
    }
    auto create = library.Function<PFN_CreateTask>("DAQmxCreateTask");
    auto chan = library.Function<PFN_CreateAOVoltageChan>("DAQmxCreateAOVoltageChan");
    auto start = library.Function<PFN_Task>("DAQmxStartTask");
    auto write = library.Function<PFN_WriteScalar>("DAQmxWriteAnalogScalarF64");
    auto clear = library.Function<PFN_Task>("DAQmxClearTask");
    const char* missing = !create  ? "DAQmxCreateTask"
                          : !chan  ? "DAQmxCreateAOVoltageChan"
                          : !start ? "DAQmxStartTask"
                          : !write ? "DAQmxWriteAnalogScalarF64"
                          : !clear ? "DAQmxClearTask"
                                   : nullptr;
    if (missing) {
        answer.text = library.Missing(missing);
        return answer;
    }
    // One task built, started, written and cleared along one path; the first failure ends it.
    TaskHandle task = nullptr;
    int32_t status = create("", &task);
    const char* failed = status < 0 ? "DAQmxCreateTask" : nullptr;
    int32_t warnings = status > 0 ? status : 0;
    if (!failed && (status = chan(task, channel.c_str(), "", low, high, kVolts, nullptr)) < 0)
        failed = "DAQmxCreateAOVoltageChan";
    warnings = !failed && status > 0 ? status : warnings;
    if (!failed && (status = start(task)) < 0) failed = "DAQmxStartTask";
    warnings = !failed && status > 0 ? status : warnings;
    if (!failed && (status = write(task, 0, kWriteTimeoutS, volts, nullptr)) < 0)
        failed = "DAQmxWriteAnalogScalarF64";
    warnings = !failed && status > 0 ? status : warnings;
    // Read before the task is cleared, which would replace it.
    if (failed) answer.text = library.Failure(failed, status);
    if (task) clear(task);
    if (failed) return answer;
    answer.ok = true;
    answer.text = Widen(channel) + L" holds " + FormatFixed(volts, 3) + L" V (channel range " +
                  FormatFixed(low, 3) + L" to " + FormatFixed(high, 3) + L" V; the task was cleared)" +
                  Status(warnings);
    return answer;
}

SDaqAnswer ResetDaqDevice(const std::string& device) {
    SDaqAnswer answer;
    CDaqLibrary library;
    if (!library.Loaded()) {
        answer.text = L"nicaiu.dll was not found: " + WindowsErrorText(library.LoadError());
        return answer;
    }
    auto reset = library.Function<PFN_ResetDevice>("DAQmxResetDevice");
    if (!reset) {
        answer.text = library.Missing("DAQmxResetDevice");
        return answer;
    }
    int32_t status = reset(device.c_str());
    if (status < 0) {
        answer.text = library.Failure("DAQmxResetDevice", status);
        return answer;
    }
    answer.ok = true;
    answer.text = Widen(device) + L" was reset (DAQmxResetDevice answered " + std::to_wstring(status) + L")";
    return answer;
}
