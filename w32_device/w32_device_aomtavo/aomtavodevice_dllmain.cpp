// The DLL's entry routine: keeps the module handle for the resources; nothing else happens at load but the
// class records' static construction.
#include "aomtavoapi.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        g_hAOMTAVOModule = instance;
    }
    return TRUE;
}
