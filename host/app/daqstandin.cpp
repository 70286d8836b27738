#include "daqstandin.h"

#include <qv/qvsystem.h>

#include <windows.h>

#include <stdint.h>

namespace {
typedef int32_t(__cdecl* PFN_ListVoltages)(char* buffer, uint32_t size);
typedef int32_t(__cdecl* PFN_ReadMeter)(const char* channel, double* power);

// The loaded NI-DAQmx library's control function, when it is the stand-in; null with a reason otherwise.
void* StandInFunction(const char* name, std::wstring& error) {
    HMODULE library = GetModuleHandleW(L"nicaiu.dll");
    if (!library) {
        error = L"no NI-DAQmx library is loaded (the simulator writes none; connect the real device class)";
        return nullptr;
    }
    void* function = reinterpret_cast<void*>(GetProcAddress(library, name));
    if (!function) error = L"the loaded NI-DAQmx library is the real one: it has no simulated parts";
    return function;
}

// The stand-in writes reals with a decimal point; read them the same way whatever the process locale.
bool ReadReal(const std::string& text, double& value) {
    std::wstring wide(text.begin(), text.end());
    return !wide.empty() && QV_StringToDouble(wide.c_str(), &value);
}
} // namespace

bool ReadStandInVoltages(std::vector<SChannelVoltage>& voltages, std::wstring& error) {
    PFN_ListVoltages list = reinterpret_cast<PFN_ListVoltages>(StandInFunction("fakedaqmx_ListVoltages", error));
    if (!list) return false;
    // Size first, then the text; the list may grow in between, so a too-small buffer is asked again.
    std::string text;
    for (int attempt = 0; attempt < 3; ++attempt) {
        int32_t size = list(nullptr, 0);
        if (size <= 0) break;
        std::string buffer(static_cast<size_t>(size), '\0');
        int32_t status = list(&buffer[0], static_cast<uint32_t>(size));
        if (status == 0) {
            text = buffer.c_str();
            break;
        }
        if (status < 0 && attempt == 2) {
            error = L"the NI-DAQmx stand-in did not list its voltages";
            return false;
        }
    }
    voltages.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        size_t blank = line.rfind(' ');
        SChannelVoltage entry;
        if (blank == std::string::npos || !ReadReal(line.substr(blank + 1), entry.volts)) continue;
        entry.channel.assign(line.begin(), line.begin() + static_cast<long>(blank));
        voltages.push_back(entry);
    }
    return true;
}

bool ReadStandInMeter(const std::wstring& channel, double& power, std::wstring& error) {
    PFN_ReadMeter read = reinterpret_cast<PFN_ReadMeter>(StandInFunction("fakedaqmx_ReadMeter", error));
    if (!read) return false;
    std::string narrow(channel.begin(), channel.end());
    if (read(narrow.c_str(), &power) == 1) return true;
    error = L"the NI-DAQmx stand-in has no AOM and meter on " + channel + L" (its scenario's aom statement)";
    return false;
}
