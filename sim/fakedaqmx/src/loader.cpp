// Loading the library: NI's library takes its time to initialise on a slow or busy machine. With
// FAKEDAQMX_LOAD_DELAY_MS set, the stand-in spends that long in its entry routine, inside the system's
// loader, as such a library does.
#include <windows.h>

#include <stdlib.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char value[16];
    DWORD length = GetEnvironmentVariableA("FAKEDAQMX_LOAD_DELAY_MS", value, sizeof value);
    if (length > 0 && length < sizeof value) {
        long ms = strtol(value, nullptr, 10);
        if (ms > 0 && ms <= 600000) Sleep(static_cast<DWORD>(ms));
    }
    return TRUE;
}
