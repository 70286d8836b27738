#include "daqinventory.h"

#include "daqbuffers.h"
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

const uint32_t kErrorTextSize = 2048;

class CDaqLibrary {
public:
    CDaqLibrary() {
        // No system error box for a missing library: the scan reports it itself.
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        m_hModule = LoadLibraryW(L"nicaiu.dll");
        m_uLoadError = GetLastError();
        SetErrorMode(oldMode);
    }
    ~CDaqLibrary() {
        if (m_hModule) FreeLibrary(m_hModule);
    }
    CDaqLibrary(const CDaqLibrary&) = delete;
    CDaqLibrary& operator=(const CDaqLibrary&) = delete;

    bool Loaded() const { return m_hModule != nullptr; }
    DWORD LoadError() const { return m_uLoadError; }
    std::wstring Path() const {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(m_hModule, path, MAX_PATH);
        return std::wstring(path, n < MAX_PATH ? n : 0);
    }
    template <class F> F Function(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_hModule, name)));
    }

    // "<function> failed with NI-DAQmx code <status>: <the library's text of it>"
    std::wstring Failure(const char* function, int32_t status) const {
        std::wstring text = Widen(function) + L" failed with NI-DAQmx code " + std::to_wstring(status);
        PFN_GetText info = Function<PFN_GetText>("DAQmxGetExtendedErrorInfo");
        char buffer[kErrorTextSize] = "";
        // A text cut to fit comes with a warning, which is fine here.
        if (info && info(buffer, kErrorTextSize) >= 0) {
            buffer[kErrorTextSize - 1] = 0;
            // NI's text runs over several lines; the scan's report has one a board.
            for (char* c = buffer; *c; ++c)
                if (*c == '\r' || *c == '\n') *c = ' ';
            if (buffer[0]) text += L": " + Widen(buffer);
        }
        return text;
    }
    std::wstring Missing(const char* function) const {
        return L"the library has no function " + Widen(function);
    }

    static std::wstring Widen(const char* text) {
        // The library's texts are in the system's ANSI code page.
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
        wide.resize(wide.size() - 1);
        return wide;
    }

private:
    HMODULE m_hModule = nullptr;
    DWORD m_uLoadError = 0;
};

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
        if (status < 0) board.problems.push_back(library.Failure("DAQmxGetDevAOPhysicalChans", status));
        board.channels = SplitDaqList(list);
    } else {
        board.problems.push_back(library.Missing("DAQmxGetDevAOPhysicalChans"));
    }
    if (PFN_GetDevReals ranges = library.Function<PFN_GetDevReals>("DAQmxGetDevAOVoltageRngs")) {
        int32_t status =
            ReadDaqArray([&](double* data, uint32_t size) { return ranges(name, data, size); }, board.ranges);
        if (status < 0) board.problems.push_back(library.Failure("DAQmxGetDevAOVoltageRngs", status));
        if (board.ranges.size() % 2) board.ranges.pop_back(); // pairs only
    } else {
        board.problems.push_back(library.Missing("DAQmxGetDevAOVoltageRngs"));
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
