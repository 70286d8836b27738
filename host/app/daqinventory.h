// What NI-DAQmx reports of the system: the library, its version and each board with its analog outputs,
// read through the library's public C functions only (loaded at run time as the device loads them). No
// task is created and nothing is written.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

struct SDaqBoard {
    std::string name;
    std::string productType; // "PCI-6733"; empty when it could not be read
    bool hasProductNumber = false, hasBusType = false;
    uint32_t productNumber = 0;
    int32_t busType = 0;
    std::vector<std::string> channels;  // analog outputs, "Dev1/ao0"
    std::vector<double> ranges;         // low and high of each voltage range, in pairs
    std::vector<std::wstring> problems; // each query that failed, with the library's code and text
    // Which of the queries the device needs for a board's channels failed (the slot is asked only on a
    // bus with slots); the first that failed, empty when none did.
    std::wstring deviceQueryFailed;
};

struct SDaqInventory {
    bool loaded = false;
    std::wstring libraryPath;
    std::wstring problem; // why the library or its board list could not be read; empty when they were
    bool hasVersion = false;
    uint32_t major = 0, minor = 0;
    std::wstring versionProblem; // why there is no version
    std::vector<SDaqBoard> boards;
};

// Loads nicaiu.dll the way the device does (the --daq-dir folder first, then the system's), reads and
// unloads it again.
SDaqInventory ReadDaqInventory();
// NI-DAQmx's name of a bus type value, e.g. "PCI" for 12582.
std::wstring DaqBusName(int32_t busType);
