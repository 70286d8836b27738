// Locks that the worker may hold. A worker ended by force (it did not stop within its time) must not leave
// one owned by a dead thread, or the next use hangs the host: they are Win32 mutexes, which pass an
// abandoned lock on to the next waiter, instead of critical sections, which would stay owned for ever.
#pragma once

#include <qv/qvlog.h>

// A recursive lock that survives the death of its holder and says so in the log.
class CAOMRecoverableLock {
public:
    explicit CAOMRecoverableLock(const wchar_t* name)
        : m_sName(name), m_hMutex(CreateMutexW(nullptr, FALSE, nullptr)) {}
    ~CAOMRecoverableLock() {
        if (m_hMutex) CloseHandle(m_hMutex);
    }
    CAOMRecoverableLock(const CAOMRecoverableLock&) = delete;
    CAOMRecoverableLock& operator=(const CAOMRecoverableLock&) = delete;

    // True when the lock was taken over from a thread that ended while holding it.
    bool Enter() { return Wait(INFINITE) == WAIT_ABANDONED; }
    // False when another thread holds the lock.
    bool TryEnter() {
        DWORD result = Wait(0);
        return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    void Leave() { ReleaseMutex(m_hMutex); }
    // After a thread was ended by force: frees the lock now if that thread held it (true), so that the log
    // says so where it happened and not at some later use.
    bool Reclaim() {
        DWORD result = Wait(0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) Leave();
        return result == WAIT_ABANDONED;
    }

private:
    DWORD Wait(DWORD ms) {
        DWORD result = WaitForSingleObject(m_hMutex, ms);
        if (result == WAIT_ABANDONED) {
            DiagOutputExW_hlp(QV_WFILE, __LINE__);
            DiagOutputExW(L"ERROR: %s lock was held by a thread that was ended; taken over", m_sName);
        }
        return result;
    }

    const wchar_t* m_sName;
    HANDLE m_hMutex;
};

// A lock that reports a second enter by the thread that holds it instead of silently nesting, and a leave
// by a thread that does not hold it instead of releasing someone else's hold.
class CAOMGuardedLock {
public:
    explicit CAOMGuardedLock(const wchar_t* name)
        : m_Lock(name), m_dwOwner(0), m_iDepth(0), m_bInUse(false) {}
    CAOMGuardedLock(const CAOMGuardedLock&) = delete;
    CAOMGuardedLock& operator=(const CAOMGuardedLock&) = delete;

    // The lock nests, so a second enter by the holder passes and is reported, not deadlocked; the leave
    // that then finds it already marked free is reported too.
    void Enter(const wchar_t* file, int line) {
        if (m_Lock.Enter()) m_iDepth = 0; // its holder ended inside: nobody holds it now
        if (m_iDepth > 0) DiagAssertW(0, L"true", 0, file, line);
        ++m_iDepth;
        m_dwOwner = GetCurrentThreadId();
        m_bInUse = true;
    }
    // Owner and depth change only under the lock, so only its holder finds its own id there. Leaving
    // releases once: checking the mark under the lock, as the holder already has it, needs no second take.
    void Leave(const wchar_t* file, int line) {
        if (m_dwOwner != GetCurrentThreadId() || m_iDepth < 1) {
            DiagAssertW(0, L"true", 0, file, line);
            return;
        }
        if (!m_bInUse) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = false;
        if (--m_iDepth == 0) m_dwOwner = 0;
        m_Lock.Leave();
    }
    bool Reclaim() {
        if (!m_Lock.Reclaim()) return false;
        m_iDepth = 0;
        m_dwOwner = 0;
        m_bInUse = false;
        return true;
    }

private:
    CAOMRecoverableLock m_Lock;
    volatile DWORD m_dwOwner;
    volatile int m_iDepth;
    volatile bool m_bInUse;
};
