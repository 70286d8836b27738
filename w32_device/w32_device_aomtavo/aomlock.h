// Locks that the worker may hold. A worker ended by force (it did not stop within its time) must not leave
// one owned by a dead thread, or the next use hangs the host: the thread that ended it reclaims every lock
// the dead thread held, which a critical section would not allow. Taking a free lock stays in user space:
// under Wine a kernel object such as a mutex costs a round trip to the wine server on every enter and
// leave, and a host command takes several locks.
#pragma once

#include <qv/qvlog.h>

// A recursive lock that can be taken back from a thread that was ended while holding it.
class CAOMRecoverableLock {
public:
    explicit CAOMRecoverableLock(const wchar_t* name)
        : m_sName(name), m_hWake(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_lOwner(0), m_lWaiters(0),
          m_iDepth(0) {}
    ~CAOMRecoverableLock() {
        if (m_hWake) CloseHandle(m_hWake);
    }
    CAOMRecoverableLock(const CAOMRecoverableLock&) = delete;
    CAOMRecoverableLock& operator=(const CAOMRecoverableLock&) = delete;

    // Returns how often the calling thread now holds the lock.
    int Enter() {
        LONG self = static_cast<LONG>(GetCurrentThreadId());
        if (m_lOwner == self) return ++m_iDepth;
        while (!Take(self)) {
            // Counted before the second try, so that a leave that comes between the two sees a waiter and
            // wakes it. The wait is bounded only as a safeguard; a leave wakes a waiter at once.
            InterlockedIncrement(&m_lWaiters);
            bool taken = Take(self);
            if (!taken) WaitForSingleObject(m_hWake, kWakeCheckMs);
            InterlockedDecrement(&m_lWaiters);
            if (taken) break;
        }
        return m_iDepth = 1;
    }
    // A leave by a thread that does not hold the lock does nothing (a guarded lock reports it).
    void Leave() {
        if (!HeldByCaller() || --m_iDepth > 0) return;
        Release();
    }
    bool HeldByCaller() const { return m_lOwner == static_cast<LONG>(GetCurrentThreadId()); }
    // After the thread `ended` was ended by force: frees the lock if that thread held it (true, and logged),
    // so that the log says so where it happened and not at some later use. A waiter is woken either way, in
    // case the thread was ended inside a leave. (One ended while it waited stays counted as a waiter: every
    // leave then wakes a waiter that may not be there, which costs time but never a hang.)
    bool Reclaim(DWORD ended) {
        LONG thread = static_cast<LONG>(ended);
        bool held = thread != 0 && InterlockedCompareExchange(&m_lOwner, 0, thread) == thread;
        if (held) {
            m_iDepth = 0;
            DiagOutputExW_hlp(QV_WFILE, __LINE__);
            DiagOutputExW(L"ERROR: %s lock was held by a thread that was ended; taken over", m_sName);
        }
        if (m_hWake) SetEvent(m_hWake);
        return held;
    }

private:
    enum { kWakeCheckMs = 50 };

    bool Take(LONG self) { return InterlockedCompareExchange(&m_lOwner, self, 0) == 0; }
    void Release() {
        InterlockedExchange(&m_lOwner, 0);
        if (m_lWaiters > 0 && m_hWake) SetEvent(m_hWake);
    }

    const wchar_t* m_sName;
    HANDLE m_hWake;         // auto-reset: a leave lets one waiter try again
    volatile LONG m_lOwner; // thread id of the holder, 0 when free
    volatile LONG m_lWaiters;
    int m_iDepth; // written only by the holder
};

// A lock that reports a second enter by the thread that holds it instead of silently nesting, and a leave
// by a thread that does not hold it instead of releasing someone else's hold.
class CAOMGuardedLock {
public:
    explicit CAOMGuardedLock(const wchar_t* name) : m_Lock(name), m_bInUse(false) {}
    CAOMGuardedLock(const CAOMGuardedLock&) = delete;
    CAOMGuardedLock& operator=(const CAOMGuardedLock&) = delete;

    // The lock nests, so a second enter by the holder passes and is reported, not deadlocked; the leave
    // that then finds it already marked free is reported too.
    void Enter(const wchar_t* file, int line) {
        if (m_Lock.Enter() > 1) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = true;
    }
    void Leave(const wchar_t* file, int line) {
        if (!m_Lock.HeldByCaller()) {
            DiagAssertW(0, L"true", 0, file, line);
            return;
        }
        if (!m_bInUse) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = false;
        m_Lock.Leave();
    }
    bool Reclaim(DWORD ended) {
        if (!m_Lock.Reclaim(ended)) return false;
        m_bInUse = false;
        return true;
    }

private:
    CAOMRecoverableLock m_Lock;
    volatile bool m_bInUse;
};
