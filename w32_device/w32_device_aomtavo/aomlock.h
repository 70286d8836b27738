// The device's locks: each a Win32 mutex with an in-use flag. A worker that had to be ended by force (it
// did not stop within its time) may die inside one; the kernel then hands the abandoned mutex to the next
// thread that enters, which takes it over and resets the lock's own state, so the next use never hangs
// behind a dead thread.
#pragma once

#include "aomlog.h"

#include <windows.h>

// A second enter by the holder passes (the mutex nests) and is reported instead of deadlocking; the leave
// that then finds the lock already marked free is reported too, and a leave by a thread that does not hold
// the lock releases nothing and is reported.
class CAOMGuardedLock {
public:
    explicit CAOMGuardedLock(const wchar_t* name)
        : m_sName(name), m_hMutex(CreateMutexW(nullptr, FALSE, nullptr)), m_dwOwner(0), m_iDepth(0),
          m_bInUse(false) {}
    ~CAOMGuardedLock() {
        if (m_hMutex) CloseHandle(m_hMutex);
    }
    CAOMGuardedLock(const CAOMGuardedLock&) = delete;
    CAOMGuardedLock& operator=(const CAOMGuardedLock&) = delete;

    // Every holder keeps the lock for a bounded time (no lock is held across a wait for the host or a
    // person), so entering waits as long as it takes, as a critical section would.
    void Enter(const wchar_t* file, int line) { Taken(WaitForSingleObject(m_hMutex, INFINITE), file, line); }
    // Takes the lock only when it is free within the wait (0: at once).
    bool TryEnter(const wchar_t* file, int line, DWORD waitMs = 0) {
        return Taken(WaitForSingleObject(m_hMutex, waitMs), file, line);
    }
    void Leave(const wchar_t* file, int line) {
        if (!HeldByCaller()) {
            DiagAssertW(0, L"true", 0, file, line);
            return;
        }
        if (!m_bInUse) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = false;
        if (--m_iDepth == 0) m_dwOwner = 0;
        ReleaseMutex(m_hMutex);
    }
    bool HeldByCaller() const { return m_iDepth > 0 && m_dwOwner == GetCurrentThreadId(); }

private:
    bool Taken(DWORD wait, const wchar_t* file, int line) {
        if (wait == WAIT_ABANDONED) {
            // The state belongs to the thread that died; only the new owner may touch it, and does so once.
            m_iDepth = 0;
            m_bInUse = false;
            AOM_ALWAYS(L"ERROR: %s lock was held by a thread that was ended; taken over", m_sName);
        } else if (wait != WAIT_OBJECT_0) {
            return false;
        }
        m_dwOwner = GetCurrentThreadId();
        if (++m_iDepth > 1) DiagAssertW(0, L"true", 0, file, line);
        m_bInUse = true;
        return true;
    }

    const wchar_t* m_sName;
    HANDLE m_hMutex;
    // Written only by the holder. Another thread reads the owner only to compare it with its own id, which
    // it can never find there unless it holds the lock.
    volatile DWORD m_dwOwner;
    int m_iDepth;
    volatile bool m_bInUse;
};

// Holds a lock for a scope: no return and no exception leaves it owned. The source position is the one the
// lock's own reports name.
class CAOMLockHold {
public:
    CAOMLockHold(CAOMGuardedLock& lock, const wchar_t* file, int line)
        : m_Lock(lock), m_sFile(file), m_iLine(line) {
        lock.Enter(file, line);
    }
    ~CAOMLockHold() { m_Lock.Leave(m_sFile, m_iLine); }
    CAOMLockHold(const CAOMLockHold&) = delete;
    CAOMLockHold& operator=(const CAOMLockHold&) = delete;

private:
    CAOMGuardedLock& m_Lock;
    const wchar_t* m_sFile;
    int m_iLine;
};

// Takes the lock only when it is free within the wait; held() tells whether it was taken.
class CAOMLockTry {
public:
    CAOMLockTry(CAOMGuardedLock& lock, const wchar_t* file, int line, DWORD waitMs = 0)
        : m_Lock(lock), m_sFile(file), m_iLine(line), m_bHeld(lock.TryEnter(file, line, waitMs)) {}
    ~CAOMLockTry() {
        if (m_bHeld) m_Lock.Leave(m_sFile, m_iLine);
    }
    CAOMLockTry(const CAOMLockTry&) = delete;
    CAOMLockTry& operator=(const CAOMLockTry&) = delete;
    bool held() const { return m_bHeld; }

private:
    CAOMGuardedLock& m_Lock;
    const wchar_t* m_sFile;
    int m_iLine;
    bool m_bHeld;
};

// A critical section for locks that only host threads hold, which no one ends by force.
class CAOMSection {
public:
    CAOMSection() { InitializeCriticalSection(&m_Section); }
    ~CAOMSection() { DeleteCriticalSection(&m_Section); }
    CAOMSection(const CAOMSection&) = delete;
    CAOMSection& operator=(const CAOMSection&) = delete;
    void Enter() { EnterCriticalSection(&m_Section); }
    bool TryEnter() { return TryEnterCriticalSection(&m_Section) != 0; }
    void Leave() { LeaveCriticalSection(&m_Section); }

private:
    CRITICAL_SECTION m_Section;
};

class CAOMSectionHold {
public:
    explicit CAOMSectionHold(CAOMSection& section, bool tryOnly = false)
        : m_Section(section), m_bHeld(tryOnly ? section.TryEnter() : (section.Enter(), true)) {}
    ~CAOMSectionHold() {
        if (m_bHeld) m_Section.Leave();
    }
    CAOMSectionHold(const CAOMSectionHold&) = delete;
    CAOMSectionHold& operator=(const CAOMSectionHold&) = delete;
    bool held() const { return m_bHeld; }

private:
    CAOMSection& m_Section;
    bool m_bHeld;
};

#define AOM_CONCAT2(a, b) a##b
#define AOM_CONCAT(a, b) AOM_CONCAT2(a, b)
// Holds the lock to the end of the enclosing scope.
#define AOM_HOLD(lock) CAOMLockHold AOM_CONCAT(aomHold, __LINE__)((lock), QV_WFILE, __LINE__)
