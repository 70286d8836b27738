// The command worker: one thread per connected device runs every hardware command and the status poll.
#include "aomtavodevice.h"

#include "aomlog.h"
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
// reaches the host within 150 ms (see docs). Paced by elapsed time, not by counting wait time-outs, so that
// the period is the same on any system timer.
const ULONGLONG kPollPeriodMs = 120;
// A poll waits this long after a command, so that a host sending commands one after another never waits
// behind a poll.
const ULONGLONG kQuietAfterCommandMs = 10;
const int64_t kBusy = -2;
const int64_t kTimeout = 1460;
} // namespace

int64_t CQvAOMTAVO::CallBack(PFN_AOMCommand command, uint64_t arg1, uint64_t arg2, uint64_t arg3,
                             uint32_t waitMs, CQvStringW* failure) {
    // The worker itself (a host whose change callback calls the device again) cannot wait for itself.
    if (GetCurrentThreadId() == m_dwWorkerThreadId || !m_CommandSlotLock.TryEnter(QV_WFILE, __LINE__)) {
        QV_DIAG(L"CQvTAVO::CallBack - TryEnterCriticalSection failed");
        if (failure) *failure = L"another command was running";
        return kBusy;
    }
    // A poster still waiting for its answer counts as a running command: refused, never queued, so that no
    // poster can hold the slot while it waits and keep the worker from the command it waits for.
    if (!TryEnterCriticalSection(&m_csCall)) {
        m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
        QV_DIAG(L"CQvTAVO::CallBack - TryEnterCriticalSection failed");
        if (failure) *failure = L"another command was running";
        return kBusy;
    }
    m_aCommandArgs[2] = arg3;
    m_pfnCommand = command;
    m_aCommandArgs[0] = arg1;
    m_aCommandArgs[1] = arg2;
    LONG post = InterlockedIncrement(&m_lPostedCommand);
    m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
    if (m_hEvRequest) SetEvent(m_hEvRequest);

    int64_t result;
    if (!WaitForAnswer(m_hEvTaken, m_lTakenCommand, post, kTakenWaitMs)) {
        AOM_ALWAYS(L"CQvAOMTAVO::CallBack - TIMEOUT 1");
        result = kTimeout;
        if (failure)
            *failure = m_hWorkerThread ? L"the device's worker did not take the command in time"
                                       : L"the device is not connected";
    } else if (!WaitForAnswer(m_hEvDone, m_lDoneCommand, post, waitMs ? waitMs : kDefaultDoneWaitMs)) {
        AOM_ALWAYS(L"CQvAOMTAVO::CallBack - TIMEOUT 2");
        result = kTimeout;
        if (failure) *failure = L"the command did not finish in time";
    } else {
        result = m_iCommandResult;
        // Read before the call lock lets the next poster in, whose command would write it.
        if (result != 0 && failure)
            *failure = m_sCommandFailure.IsEmpty() ? CQvStringW(L"the command failed") : m_sCommandFailure;
    }
    LeaveCriticalSection(&m_csCall);
    return result;
}

// Waits until the worker has answered this post; a missing event (no worker) fails at once. A late signal
// of an abandoned command wakes the wait, but only the answer to this post ends it.
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
            ULONGLONG now = GetTickCount64();
            if (!armed) {
                armed = true;
                due = now + static_cast<ULONGLONG>(countdown);
            }
            timeout = due > now ? static_cast<DWORD>(due - now) : 0;
        }
        DWORD wait = WaitForSingleObject(m_hEvRequest, timeout);
        if (wait == WAIT_OBJECT_0) {
            if (!RunPostedCommand()) break;
            ULONGLONG quiet = GetTickCount64() + kQuietAfterCommandMs;
            if (due < quiet) due = quiet;
        } else if (wait == WAIT_TIMEOUT) {
            if (!armed || m_iPollCountdown < 0) continue;
            ULONGLONG start = GetTickCount64();
            if (start < due) continue; // the timer woke us a little early
            try {
                if (m_bLineLost)
                    TryReopenLine();
                else
                    WatchLine(StatusPoll());
                DeliverHostCalls();
            } catch (...) {
                QV_DIAG(L"CQvTAVO::Main - Unknown exception - 2");
            }
            // A period after this poll began, but not before it ended: a poll that waited out a silent
            // unit is followed by the next one, never by a burst of them.
            ULONGLONG end = GetTickCount64();
            due = start + kPollPeriodMs > end ? start + kPollPeriodMs : end;
        }
    }
}

bool CQvAOMTAVO::RunPostedCommand() {
    m_CommandSlotLock.Enter(QV_WFILE, __LINE__);
    LONG post = m_lPostedCommand;
    if (post == m_lTakenCommand) { // nothing new was posted
        m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
        return true;
    }
    m_lTakenCommand = post;
    SetEvent(m_hEvTaken);
    PFN_AOMCommand command = m_pfnCommand;
    if (!command) {
        m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
        return false;
    }
    int32_t result;
    m_sCommandFailure.Empty();
    try {
        result = command(m_aCommandArgs[0], m_aCommandArgs[1], m_aCommandArgs[2]);
    } catch (...) {
        result = -1;
        QV_DIAG(L"CQvTAVO::Main - Unknown exception - 1");
    }
    m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
    // What the command has for the host reaches it before the answer, and outside every lock.
    try {
        DeliverHostCalls();
    } catch (...) {
        result = -1;
        QV_DIAG(L"CQvTAVO::Main - Unknown exception - 1");
    }
    m_iCommandResult = result;
    InterlockedExchange(&m_lDoneCommand, post);
    SetEvent(m_hEvDone);
    return true;
}

bool CQvAOMTAVO::RefusedOnWorker(const wchar_t* operation) const {
    if (GetCurrentThreadId() != m_dwWorkerThreadId) return false;
    AOM_ALWAYS(
        L"ERROR: CQvAOMTAVO::%s - refused: called from the change callback, on the device's own worker",
        operation);
    return true;
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
    bool asked = m_CommandSlotLock.TryEnter(QV_WFILE, __LINE__, kEndWaitMs);
    if (asked) {
        m_pfnCommand = nullptr;
        m_aCommandArgs[0] = m_aCommandArgs[1] = m_aCommandArgs[2] = 0;
        InterlockedIncrement(&m_lPostedCommand);
        m_CommandSlotLock.Leave(QV_WFILE, __LINE__);
        SetEvent(m_hEvRequest);
    }
    if (!asked || WaitForSingleObject(m_hEvEnded, kEndWaitMs) == WAIT_TIMEOUT)
        EndWorkerByForce();
    else
        WaitForSingleObject(m_hWorkerThread, kEndWaitMs);
    CloseWorkerHandles();
    return true;
}

void CQvAOMTAVO::EndWorkerByForce() {
    const unsigned waited = static_cast<unsigned>(kEndWaitMs);
    if (!TerminateThread(m_hWorkerThread, 1)) {
        AOM_ALWAYS(
            L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and could not be ended "
            L"(error %lu)",
            waited, GetLastError());
    } else if (WaitForSingleObject(m_hWorkerThread, kEndWaitMs) != WAIT_OBJECT_0) {
        AOM_ALWAYS(
            L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and was ended, but had "
            L"not stopped %u ms later",
            waited, waited);
    } else {
        AOM_ALWAYS(L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and was ended",
                   waited);
    }
    // The locks it held pass, abandoned, to the next thread that enters each. A delivery to the host it
    // was making is over; the next thread with host calls to make makes them.
    ForgetHostCallsOf(m_dwWorkerThreadId);
    // A poster still waiting for the ended worker gets its time-out now, and with it gives back the call
    // lock, which the next connect needs; the events it waits on are closed only after that.
    m_iCommandResult = kTimeout;
    m_lTakenCommand = m_lDoneCommand = m_lPostedCommand;
    SetEvent(m_hEvTaken);
    SetEvent(m_hEvDone);
    for (ULONGLONG deadline = GetTickCount64() + kEndWaitMs; GetTickCount64() < deadline; Sleep(1))
        if (TryEnterCriticalSection(&m_csCall)) {
            LeaveCriticalSection(&m_csCall);
            break;
        }
}
