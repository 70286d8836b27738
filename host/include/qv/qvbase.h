// Basic declarations shared by the host framework and the device modules built against it.
#pragma once

#include <windows.h>
#include <stdint.h>

#if defined(QV_FRAMEWORK_BUILD)
#define QV_FRAMEWORK_API __declspec(dllexport)
#else
#define QV_FRAMEWORK_API __declspec(dllimport)
#endif

// Places a constant into a named section of the module file (the host reads some records from there).
#if defined(_MSC_VER)
#define QV_SECTION(name) __declspec(allocate(name))
#else
#define QV_SECTION(name) __attribute__((section(name), used))
#endif

#define QV_WIDEN2(x) L##x
#define QV_WIDEN(x) QV_WIDEN2(x)
#define QV_WFILE QV_WIDEN(__FILE__)

// Result of every device-manager operation. The host gives meaning to the values; modules pass them on.
enum EDeviceManagerReturnCode : int {
    DMRC_OK = 0,
    DMRC_WRONG_STATE = 1,
    DMRC_CANCELLED = 7,
    DMRC_RESET_OK = 10,
    DMRC_BAD_ARGUMENT = 12,
    DMRC_NO_DEVICE = 21,
    DMRC_NOT_SUPPORTED = 22,
};
