#include "daqinventory.h"

#include "daqbuffers.h"
#include "daqlibrary.h"
#include "output.h"

#include <windows.h>

namespace {
// The library's functions with the argument types of NI's public C header (__stdcall on 32-bit).
typedef int32_t(WINAPI* PFN_GetUInt)(uint32_t* data);
typedef int32_t(WINAPI* PFN_GetText)(char* data, uint32_t size);
typedef int32_t(WINAPI* PFN_GetDevText)(const char device[], char* data, uint32_t size);
typedef int32_t(WINAPI* PFN_GetDevUInt)(const char device[], uint32_t* data);
typedef int32_t(WINAPI* PFN_GetDevInt)(const char device[], int32_t* data);
typedef int32_t(WINAPI* PFN_GetDevReals)(const char device[], double* data, uint32_t size);

void ReadVersion(const CDaqLibrary& library, SDaqInventory& inventory) {
    const char* names[] = {"DAQmxGetSysNIDAQMajorVersion", "DAQmxGetSysNIDAQMinorVersion"};
    uint32_t* values[] = {&inventory.major, &inventory.minor};
    for (int i = 0; i < 2; ++i) {
        PFN_GetUInt get = library.Function<PFN_GetUInt>(names[i]);
        int32_t status = get ? get(values[i]) : 0;
        if (!get || status < 0) {
            inventory.versionProblem = get ? library.Failure(names[i], status) : library.Missing(names[i]);
            return;
        }
    }
    inventory.hasVersion = true;
}

void ReadBoard(const CDaqLibrary& library, SDaqBoard& board) {
    const char* name = board.name.c_str();
    if (PFN_GetDevText type = library.Function<PFN_GetDevText>("DAQmxGetDevProductType")) {
        int32_t status = ReadDaqString([&](char* data, uint32_t size) { return type(name, data, size); },
                                       board.productType);
        if (status < 0) board.problems.push_back(library.Failure("DAQmxGetDevProductType", status));
    } else {
        board.problems.push_back(library.Missing("DAQmxGetDevProductType"));
    }
    // The first failure among the queries the device makes of each board, in its order.
    auto failed = [&board](const char* function) {
        if (board.deviceQueryFailed.empty()) board.deviceQueryFailed = CDaqLibrary::Widen(function);
    };
    if (PFN_GetDevUInt number = library.Function<PFN_GetDevUInt>("DAQmxGetDevProductNum")) {
        int32_t status = number(name, &board.productNumber);
        board.hasProductNumber = status >= 0;
        if (status < 0) board.problems.push_back(library.Failure("DAQmxGetDevProductNum", status));
    }
    if (PFN_GetDevInt bus = library.Function<PFN_GetDevInt>("DAQmxGetDevBusType")) {
        int32_t status = bus(name, &board.busType);
        board.hasBusType = status >= 0;
        if (status < 0) board.problems.push_back(library.Failure("DAQmxGetDevBusType", status));
    }
    if (PFN_GetDevText channels = library.Function<PFN_GetDevText>("DAQmxGetDevAOPhysicalChans")) {
        std::string list;
        int32_t status =
            ReadDaqString([&](char* data, uint32_t size) { return channels(name, data, size); }, list);
        if (status < 0) {
            board.problems.push_back(library.Failure("DAQmxGetDevAOPhysicalChans", status));
            failed("DAQmxGetDevAOPhysicalChans");
        }
        board.channels = SplitDaqList(list);
    } else {
        board.problems.push_back(library.Missing("DAQmxGetDevAOPhysicalChans"));
        failed("DAQmxGetDevAOPhysicalChans");
    }
    if (PFN_GetDevReals ranges = library.Function<PFN_GetDevReals>("DAQmxGetDevAOVoltageRngs")) {
        int32_t status =
            ReadDaqArray([&](double* data, uint32_t size) { return ranges(name, data, size); }, board.ranges);
        if (status < 0) {
            board.problems.push_back(library.Failure("DAQmxGetDevAOVoltageRngs", status));
            failed("DAQmxGetDevAOVoltageRngs");
        }
        if (board.ranges.size() % 2) board.ranges.pop_back(); // pairs only
    } else {
        board.problems.push_back(library.Missing("DAQmxGetDevAOVoltageRngs"));
        failed("DAQmxGetDevAOVoltageRngs");
    }
    if (!board.hasProductNumber) failed("DAQmxGetDevProductNum");
    if (!board.hasBusType) failed("DAQmxGetDevBusType");
    // NI documents a slot number only for a board in a PCI or PXI slot; there the device asks for it and
    // leaves out the channels of a board that does not answer.
    bool slotBus =
        board.busType == 12582 || board.busType == 13612 || board.busType == 12583 || board.busType == 14706;
    if (board.hasBusType && slotBus) {
        PFN_GetDevUInt slot = library.Function<PFN_GetDevUInt>("DAQmxGetDevPCIDevNum");
        uint32_t number = 0;
        int32_t status = slot ? slot(name, &number) : 0;
        if (!slot || status < 0) {
            board.problems.push_back(slot ? library.Failure("DAQmxGetDevPCIDevNum", status)
                                          : library.Missing("DAQmxGetDevPCIDevNum"));
            failed("DAQmxGetDevPCIDevNum");
        }
    }
}
} // namespace

SDaqInventory ReadDaqInventory() {
    SDaqInventory inventory;
    CDaqLibrary library;
    if (!library.Loaded()) {
        inventory.problem = L"nicaiu.dll was not found: " + WindowsErrorText(library.LoadError());
        return inventory;
    }
    inventory.loaded = true;
    inventory.libraryPath = library.Path();
    ReadVersion(library, inventory);
    PFN_GetText devices = library.Function<PFN_GetText>("DAQmxGetSysDevNames");
    if (!devices) {
        inventory.problem = library.Missing("DAQmxGetSysDevNames");
        return inventory;
    }
    std::string names;
    int32_t status = ReadDaqString(devices, names);
    if (status < 0) {
        inventory.problem = library.Failure("DAQmxGetSysDevNames", status);
        return inventory;
    }
    for (const std::string& name : SplitDaqList(names)) {
        SDaqBoard board;
        board.name = name;
        ReadBoard(library, board);
        inventory.boards.push_back(board);
    }
    return inventory;
}

std::wstring DaqBusName(int32_t busType) {
    static const struct {
        int32_t value;
        const wchar_t* name;
    } kBuses[] = {{12582, L"PCI"},        {13612, L"PCIe"},       {12583, L"PXI"},     {14706, L"PXIe"},
                  {12584, L"SCXI"},       {14707, L"SCC"},        {12585, L"PC Card"}, {12586, L"USB"},
                  {14637, L"CompactDAQ"}, {16143, L"CompactRIO"}, {14828, L"TCP/IP"},  {12588, L"unknown"},
                  {15870, L"SwitchBlock"}};
    for (const auto& bus : kBuses)
        if (bus.value == busType) return bus.name;
    return L"type " + std::to_wstring(busType);
}
