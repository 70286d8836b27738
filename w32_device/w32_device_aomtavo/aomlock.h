// A lock that reports a second enter by the thread that holds it instead of silently nesting.
#pragma once

#include <qv/qvlog.h>

class CAOMGuardedLock {
public:
    CAOMGuardedLock() : m_bInUse(false) { InitializeCriticalSection(&m_cs); }
    ~CAOMGuardedLock() { DeleteCriticalSection(&m_cs); }
    CAOMGuardedLock(const CAOMGuardedLock&) = delete;
    CAOMGuardedLock& operator=(const CAOMGuardedLock&) = delete;

    // The critical section nests, so a second enter by the holder passes and is reported, not deadlocked.
    void Enter(const wchar_t* file, int line) {
        EnterCriticalSection(&m_cs);
        if (m_bInUse) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = true;
    }
    void Leave(const wchar_t* file, int line) {
        EnterCriticalSection(&m_cs);
        if (!m_bInUse) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = false;
        LeaveCriticalSection(&m_cs);
        LeaveCriticalSection(&m_cs);
    }
    bool IsInUse() const { return m_bInUse; }

private:
    CRITICAL_SECTION m_cs;
    volatile bool m_bInUse;
};
