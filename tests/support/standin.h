// The NI-DAQmx stand-in as a test reads it once the device under test has loaded it: what it wrote, what
// it was asked, and the faults it is told to answer.
#pragma once

#include <windows.h>

#include <string>

// The last voltage the NI-DAQmx stand-in received on a channel (NaN when none).
double LastVoltage(const char* channel);
// The stand-in's record of every call, one a line; how many calls of that function it holds.
std::string DaqCallLog();
int CallCount(const char* function);
// A control function of the stand-in, once the device has loaded it (null before).
template <class F> F FakeDaqmx(const char* name) {
    HMODULE library = GetModuleHandleW(L"nicaiu.dll");
    return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
void SetDaqFault(const char* function, int status);
