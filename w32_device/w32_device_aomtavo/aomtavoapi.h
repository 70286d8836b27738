// Export of the module's classes, so that the host application and the tests can reach their members.
#pragma once

#if defined(AOMTAVO_BUILD)
#define AOMTAVO_API __declspec(dllexport)
#else
#define AOMTAVO_API __declspec(dllimport)
#endif

#include <windows.h>

// The module's instance handle, for its resources; set once when the module is loaded.
extern "C" AOMTAVO_API HINSTANCE g_hAOMTAVOModule;
