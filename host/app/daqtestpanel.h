// NI MAX's test panel and "Reset Device", through NI-DAQmx's public C functions: one voltage written to one
// channel, or a board reset. Each says what the library answered.
#pragma once

#include <string>

struct SDaqAnswer {
    bool ok = false;
    std::wstring text; // what was done, or which call failed with NI's code and text
};

// Writes volts to the physical channel ("Dev1/ao0") in a task of its own, which is cleared again; the
// output keeps the voltage. The channel's range is the narrowest range of its board that holds volts.
SDaqAnswer WriteDaqVoltage(const std::string& channel, double volts);
// DAQmxResetDevice: the board's tasks are aborted and its outputs return to their reset state.
SDaqAnswer ResetDaqDevice(const std::string& device);
