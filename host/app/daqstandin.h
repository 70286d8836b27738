// What the NI-DAQmx stand-in recorded, read through its control functions once the module loaded it.
#pragma once

#include <string>
#include <vector>

struct SChannelVoltage {
    std::wstring channel;
    double volts = 0.0;
};

// The last voltage written to every channel, sorted by channel. False with a reason when no NI-DAQmx
// library is loaded or the loaded one is the real library (it has no control functions).
bool ReadStandInVoltages(std::vector<SChannelVoltage>& voltages, std::wstring& error);

// What the power meter behind the AOM of a channel reads (the stand-in's scenario statement "aom"); false
// with a reason when the library is not the stand-in or the channel has no AOM.
bool ReadStandInMeter(const std::wstring& channel, double& power, std::wstring& error);
