// The command worker: one thread per connected device runs every hardware command and the status poll.
#include "aomtavodevice.h"

#include "aomnidaqport.h"

#include <qv/qvlog.h>
#include <qv/qvsystem.h>

namespace {
const DWORD kTakenWaitMs = 10000;
const DWORD kDefaultDoneWaitMs = 15000;
const DWORD kStartWaitMs = 10000;
const DWORD kEndWaitMs = 10000;
// Time between status polls, measured at 9600 baud: one poll puts 24 characters (25 ms) on the line, so
// 120 ms leaves polling under a quarter of the line's time while a change on the unit's front panel still
// reaches the host within 150 ms (see the README).
const ULONGLONG kPollPeriodMs = 120;
// A poll waits this long after a command, so that a host sending commands one after another never waits
// behind a poll.
const ULONGLONG kQuietAfterCommandMs = 10;
const int64_t kBusy = -2;
const int64_t kTimeout = 1460;

// Milliseconds of the performance counter (which never fails from Windows XP on). The poll is paced by it
// rather than by GetTickCount64, whose value under Wine is refreshed only when the wine server runs: with
// the few server calls of an idle poll it lagged by up to a timer tick, and each period came out longer.
ULONGLONG NowMs() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<ULONGLONG>(counter.QuadPart / frequency * 1000 +
                                  counter.QuadPart % frequency * 1000 / frequency);
}
} // namespace

int64_t CQvAOMTAVO::CallBack(PFN_AOMCommand command, uint64_t arg1, uint64_t arg2, uint64_t arg3,
                             uint32_t waitMs) {
    if (!TryEnterCriticalSection(&m_csCommandSlot)) {
        QV_DIAG(L"CQvTAVO::CallBack - TryEnterCriticalSection failed");
        return kBusy;
    }
    // A poster still waiting for its answer counts as a running command: refused, never queued, so that no
    // poster can hold the slot while it waits and keep the worker from the command it waits for.
    if (!TryEnterCriticalSection(&m_csCall)) {
        LeaveCriticalSection(&m_csCommandSlot);
        QV_DIAG(L"CQvTAVO::CallBack - TryEnterCriticalSection failed");
        return kBusy;
    }
    m_aCommandArgs[2] = arg3;
    m_pfnCommand = command;
    m_aCommandArgs[0] = arg1;
    m_aCommandArgs[1] = arg2;
    LONG post = InterlockedIncrement(&m_lPostedCommand);
    LeaveCriticalSection(&m_csCommandSlot);
    // Late signals of an abandoned command must not answer this one.
    if (m_hEvTaken) ResetEvent(m_hEvTaken);
    if (m_hEvDone) ResetEvent(m_hEvDone);
    if (m_hEvRequest) SetEvent(m_hEvRequest);

    if (!WaitForAnswer(m_hEvTaken, m_lTakenCommand, post, kTakenWaitMs)) {
        LeaveCriticalSection(&m_csCall);
        DiagOutputExW_hlp(QV_WFILE, __LINE__);
        DiagOutputExW(L"CQvAOMTAVO::CallBack - TIMEOUT 1");
        return kTimeout;
    }
    if (!WaitForAnswer(m_hEvDone, m_lDoneCommand, post, waitMs ? waitMs : kDefaultDoneWaitMs)) {
        LeaveCriticalSection(&m_csCall);
        DiagOutputExW_hlp(QV_WFILE, __LINE__);
        DiagOutputExW(L"CQvAOMTAVO::CallBack - TIMEOUT 2");
        return kTimeout;
    }
    int64_t result = m_iCommandResult;
    LeaveCriticalSection(&m_csCall);
    return result;
}

// Waits until the worker has answered this post; a missing event (no worker) fails at once.
bool CQvAOMTAVO::WaitForAnswer(HANDLE event, volatile LONG& answered, LONG post, DWORD waitMs) {
    if (!event) return false;
    ULONGLONG deadline = GetTickCount64() + waitMs;
    for (;;) {
        if (answered == post) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        DWORD result = WaitForSingleObject(event, static_cast<DWORD>(deadline - now));
        if (result == WAIT_FAILED) return false;
        if (result == WAIT_TIMEOUT) return answered == post;
    }
}

DWORD WINAPI CQvAOMTAVO::WorkerThread(void* device) {
    CQvAOMTAVO* self = static_cast<CQvAOMTAVO*>(device);
    SetEvent(self->m_hEvStarted);
    self->Main();
    SetEvent(self->m_hEvEnded);
    return 0;
}

void CQvAOMTAVO::Main() {
    m_iPollCountdown = -1;
    // The poll is paced by elapsed time and the idle worker sleeps until it is due; a posted command wakes
    // it at once. m_iPollCountdown switches polling: negative is off, and arming it (the connect command)
    // makes the first poll due that many milliseconds later.
    bool armed = false;
    ULONGLONG due = 0;
    for (;;) {
        DWORD timeout = static_cast<DWORD>(kPollPeriodMs); // polling off: only a command has work to do
        int countdown = m_iPollCountdown;
        if (countdown < 0) {
            armed = false;
        } else {
            ULONGLONG now = NowMs();
            if (!armed) {
                armed = true;
                due = now + static_cast<ULONGLONG>(countdown);
            }
            timeout = due > now ? static_cast<DWORD>(due - now) : 0;
        }
        DWORD wait = WaitForSingleObject(m_hEvRequest, timeout);
        if (wait == WAIT_OBJECT_0) {
            EnterCriticalSection(&m_csCommandSlot);
            LONG post = m_lPostedCommand;
            if (post == m_lTakenCommand) { // nothing new was posted
                LeaveCriticalSection(&m_csCommandSlot);
                continue;
            }
            m_lTakenCommand = post;
            SetEvent(m_hEvTaken);
            PFN_AOMCommand command = m_pfnCommand;
            if (!command) {
                LeaveCriticalSection(&m_csCommandSlot);
                break;
            }
            int32_t result;
            try {
                result = command(m_aCommandArgs[0], m_aCommandArgs[1], m_aCommandArgs[2]);
            } catch (...) {
                result = -1;
                QV_DIAG(L"CQvTAVO::Main - Unknown exception - 1");
            }
            m_iCommandResult = result;
            m_lDoneCommand = post;
            LeaveCriticalSection(&m_csCommandSlot);
            SetEvent(m_hEvDone);
            ULONGLONG quiet = NowMs() + kQuietAfterCommandMs;
            if (due < quiet) due = quiet;
        } else if (wait == WAIT_TIMEOUT) {
            if (!armed || m_iPollCountdown < 0) continue;
            ULONGLONG start = NowMs();
            if (start < due) continue; // the timer woke us a little early
            try {
                if (m_bLineLost)
                    TryReopenLine();
                else
                    WatchLine(StatusPoll());
            } catch (...) {
                QV_DIAG(L"CQvTAVO::Main - Unknown exception - 2");
            }
            // A period after this poll began, but not before it ended: a poll that waited out a silent
            // unit is followed by the next one, never by a burst of them.
            ULONGLONG end = NowMs();
            due = start + kPollPeriodMs > end ? start + kPollPeriodMs : end;
        }
    }
}

void CQvAOMTAVO::CloseWorkerHandles() {
    HANDLE* handles[] = {&m_hEvStarted, &m_hEvEnded,   &m_hEvTaken,
                         &m_hEvDone,    &m_hEvRequest, &m_hWorkerThread};
    for (HANDLE* h : handles) {
        if (*h) CloseHandle(*h);
        *h = nullptr;
    }
    m_dwWorkerThreadId = 0;
}

bool CQvAOMTAVO::StartWorker() {
    if (m_hWorkerThread) StopWorker();
    HANDLE* events[] = {&m_hEvStarted, &m_hEvEnded, &m_hEvTaken, &m_hEvDone, &m_hEvRequest};
    for (HANDLE* e : events) {
        *e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!*e) {
            CloseWorkerHandles();
            return false;
        }
    }
    // Nothing posted before this worker is pending for it.
    m_lTakenCommand = m_lDoneCommand = m_lPostedCommand;
    m_hWorkerThread = CreateThread(nullptr, 0, WorkerThread, this, 0, &m_dwWorkerThreadId);
    if (!m_hWorkerThread) {
        CloseWorkerHandles();
        return false;
    }
    if (WaitForSingleObject(m_hEvStarted, kStartWaitMs) != WAIT_OBJECT_0) {
        TerminateThread(m_hWorkerThread, 1);
        CloseWorkerHandles();
        return false;
    }
    QV_Sleep(100.0, 1);
    return true;
}

bool CQvAOMTAVO::StopWorker() {
    if (!m_hWorkerThread) return true;
    // A command that never ends keeps the slot: then the worker cannot be asked and is ended below.
    bool asked = false;
    for (ULONGLONG deadline = GetTickCount64() + kEndWaitMs; GetTickCount64() < deadline; Sleep(1)) {
        if (TryEnterCriticalSection(&m_csCommandSlot)) {
            m_pfnCommand = nullptr;
            m_aCommandArgs[0] = m_aCommandArgs[1] = m_aCommandArgs[2] = 0;
            InterlockedIncrement(&m_lPostedCommand);
            LeaveCriticalSection(&m_csCommandSlot);
            SetEvent(m_hEvRequest);
            asked = true;
            break;
        }
    }
    if (!asked || WaitForSingleObject(m_hEvEnded, kEndWaitMs) == WAIT_TIMEOUT) {
        TerminateThread(m_hWorkerThread, 1);
        WaitForSingleObject(m_hWorkerThread, kEndWaitMs);
        DiagOutputExW_hlp(QV_WFILE, __LINE__);
        DiagOutputExW(L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and was ended",
                      static_cast<unsigned>(kEndWaitMs));
        // The ended thread may have owned the slot: a fresh lock, or every later post would be refused.
        // Posters only ever try it, so nobody waits on the old one.
        DeleteCriticalSection(&m_csCommandSlot);
        InitializeCriticalSection(&m_csCommandSlot);
        // Every other lock it can hold is taken back and passed to its next user.
        m_DeviceLock.Reclaim(m_dwWorkerThreadId);
        m_UnitStateLock.Reclaim(m_dwWorkerThreadId);
        m_ChangeBatchLock.Reclaim(m_dwWorkerThreadId);
        m_pNIDAQPort->ReclaimLocks(m_dwWorkerThreadId);
        // A poster still waiting for the ended worker gets its time-out now, and with it gives back the call
        // lock, which the next connect needs.
        m_iCommandResult = kTimeout;
        m_lTakenCommand = m_lDoneCommand = m_lPostedCommand;
        SetEvent(m_hEvTaken);
        SetEvent(m_hEvDone);
        for (ULONGLONG deadline = GetTickCount64() + kEndWaitMs; GetTickCount64() < deadline; Sleep(1))
            if (TryEnterCriticalSection(&m_csCall)) {
                LeaveCriticalSection(&m_csCall);
                break;
            }
    } else {
        WaitForSingleObject(m_hWorkerThread, kEndWaitMs);
    }
    CloseWorkerHandles();
    return true;
}
