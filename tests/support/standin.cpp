#include "standin.h"

#include <fakedaqmx_control.h>

#include <math.h>

double LastVoltage(const char* channel) {
    double volts = NAN;
    auto get = FakeDaqmx<decltype(&fakedaqmx_GetLastVoltage)>("fakedaqmx_GetLastVoltage");
    return get && get(channel, &volts) == 1 ? volts : NAN;
}

std::string DaqCallLog() {
    auto log = FakeDaqmx<decltype(&fakedaqmx_GetCallLog)>("fakedaqmx_GetCallLog");
    int32 size = log ? log(nullptr, 0) : 0;
    std::string text(static_cast<size_t>(size > 0 ? size : 1), '\0');
    if (log) log(&text[0], static_cast<uInt32>(text.size()));
    return text.c_str();
}

int CallCount(const char* function) {
    std::string text = DaqCallLog();
    int count = 0;
    std::string needle = std::string(function) + "(";
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        if (at == 0 || text[at - 1] == '\n') ++count;
    return count;
}

void SetDaqFault(const char* function, int status) {
    if (auto fault = FakeDaqmx<decltype(&fakedaqmx_SetFault)>("fakedaqmx_SetFault"))
        fault(function, nullptr, status);
}
