// Counting the process's open handles.
#pragma once

#include <windows.h>

// Wine does not report a process's handle count (GetProcessHandleCount gives 0), so leaks are found by
// counting the handle values that are valid.
inline int OpenHandleCount() {
    int count = 0;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 65536; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    return count;
}
