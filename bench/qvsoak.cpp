// qvsoak.exe: connect/disconnect cycles and host commands against a simulated unit, reporting the process's
// handles, threads and private bytes at the start and the end. It drives the module as qvhost does: loaded
// by path, through the host interfaces only.
//   qvsoak.exe [--cycles N] [--commands N] [--daq-dir PATH]
// Exit code 1 when a figure grew beyond its allowance (or the device stopped working), 2 for a bad command
// line.
#include "hostsession.h"
#include "modulehost.h"
#include "settingsstore.h"
#include "tavosim_unit.h"

#include <daqmx_types.h>
#include <qv/qvsystem.h>

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <tlhelp32.h>

namespace {

const wchar_t kConfiguration[] = L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
                                 L"5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
                                 L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  "
                                 L"4.5;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;";
// What a long run may gain without leaking: a handle or thread of Wine's own that comes and goes, and the
// heap's growth to its working size.
const int kHandleAllowance = 8, kThreadAllowance = 2;
const long long kPrivateBytesAllowance = 8ll << 20;

struct SFigures {
    int handles;
    int threads;
    long long privateBytes;
};

// Wine reports no handle count (GetProcessHandleCount gives 0): the valid handle values are counted.
int OpenHandles() {
    int count = 0;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 65536; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    return count;
}

int Threads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

// Committed private memory, walked region by region: Wine leaves PrivateUsage of GetProcessMemoryInfo at 0.
long long PrivateBytes() {
    long long bytes = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += static_cast<long long>(region.RegionSize);
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return bytes;
}

SFigures Measure() {
    return {OpenHandles(), Threads(), PrivateBytes()};
}

void Print(const char* when, const SFigures& f) {
    printf("%-12s handles %d threads %d private bytes %lld\n", when, f.handles, f.threads, f.privateBytes);
    fflush(stdout);
}

int Quiet(HWND, const wchar_t* text, const wchar_t*, UINT) {
    fwprintf(stderr, L"message: %ls\n", text ? text : L"");
    return IDOK;
}

// What the host and the NI-DAQmx stand-in keep until someone reads it: the change records and macro texts
// received, and the stand-in's log of every call.
void Drain(CModuleHost& host) {
    host.Manager().TakeChanges();
    host.Manager().TakeMacros();
    HMODULE daq = GetModuleHandleW(L"nicaiu.dll");
    FARPROC clear = daq ? GetProcAddress(daq, "fakedaqmx_ClearCallLog") : nullptr;
    if (clear) reinterpret_cast<void(DAQMX_CFUNC*)()>(reinterpret_cast<void*>(clear))();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    long cycles = 1000, commands = 100000;
    std::wstring daqDir = L"..\\fakedaqmx\\full";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring option = argv[i];
        if (option == L"--cycles")
            cycles = wcstol(argv[i + 1], nullptr, 10);
        else if (option == L"--commands")
            commands = wcstol(argv[i + 1], nullptr, 10);
        else if (option == L"--daq-dir")
            daqDir = argv[i + 1];
        else
            return 2;
    }
    if (argc % 2 == 0 || cycles < 1 || commands < 0) return 2;
    QV_SetMessageBoxHandler(Quiet);
    SetDllDirectoryW(daqDir.c_str());
    tavosim_unit::TavoSimUnit unit;
    if (!unit.ok()) {
        fprintf(stderr, "unit: %s\n", unit.error().c_str());
        return 1;
    }
    CModuleHost host;
    CSettingsStore store;
    CHostSession session(host, store);
    std::wstring error;
    if (!host.Load(L"w32_device_aomtavo.dll", error) || !host.Create("CQvAOMTAVO", error)) {
        fwprintf(stderr, L"module: %ls\n", error.c_str());
        return 1;
    }
    const std::wstring connection = L"m_iCOMPort=" + std::to_wstring(unit.com_port()) + L";";
    const std::wstring configuration = kConfiguration;
    auto connect = [&] {
        return session.Connect(&connection) && session.Configure(&configuration) == DMRC_OK;
    };
    // The first cycle loads what stays loaded (the NI-DAQmx library, Wine's serial support): not a leak.
    if (!connect()) return 1;
    session.Disconnect();
    SFigures start = Measure();
    Print("start", start);

    long failed = 0;
    for (long c = 1; c < cycles; ++c) {
        if (!connect()) ++failed;
        session.Disconnect();
        Drain(host); // the host keeps what it received until it looks
    }
    Print("after cycles", Measure());
    if (!connect()) return 1;
    for (long i = 0; i < commands; ++i) {
        EDeviceManagerReturnCode result;
        switch (i % 4) {
        case 0:
            result = session.Shutter()->SetState(i % 8 == 0);
            break;
        case 1:
            result = session.MultiLaser()->SetLineUsed(static_cast<int>(i % 2), true);
            break;
        case 2:
            result =
                session.MultiLaser()->SetPower(static_cast<int>(i % 2), static_cast<double>(i % 1000) / 10.0);
            break;
        default: {
            bool open = false;
            result = session.Shutter()->GetState(&open);
        }
        }
        if (result != DMRC_OK) ++failed;
        if (i % 100 == 0) Drain(host);
    }
    session.Disconnect();
    SFigures end = Measure();
    Print("end", end);
    printf("%ld connect/disconnect cycles, %ld host commands, %ld failed\n", cycles, commands, failed);
    bool flat = end.handles - start.handles <= kHandleAllowance &&
                end.threads - start.threads <= kThreadAllowance &&
                end.privateBytes - start.privateBytes <= kPrivateBytesAllowance;
    printf("%s\n", flat ? "flat" : "GROWING");
    return flat && failed == 0 ? 0 : 1;
}
