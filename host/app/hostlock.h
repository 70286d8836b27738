// A lock of the host's own, for std::lock_guard. A Win32 critical section keeps no handle of its own, where
// the C++ runtime's mutex opens an event the first time two threads meet in it and keeps it: counted as a
// handle the host left open.
#pragma once

#include <windows.h>

class CHostLock {
public:
    CHostLock() { InitializeCriticalSection(&m_Section); }
    ~CHostLock() { DeleteCriticalSection(&m_Section); }
    CHostLock(const CHostLock&) = delete;
    CHostLock& operator=(const CHostLock&) = delete;
    void lock() { EnterCriticalSection(&m_Section); }
    void unlock() { LeaveCriticalSection(&m_Section); }

private:
    CRITICAL_SECTION m_Section;
};
