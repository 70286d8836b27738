// The command worker: one thread per connected device runs every hardware command, the status poll and the
// board check.
#include "aomtavodevice.h"

#include "aomlog.h"
#include "aomnidaqport.h"
#include "aomtavomultilaser.h"

#include <qv/qvlog.h>
#include <qv/qvsystem.h>

namespace {
const DWORD kTakenWaitMs = 10000;
const DWORD kDefaultDoneWaitMs = 15000;
const DWORD kStartWaitMs = 10000;
const DWORD kEndWaitMs = 10000;
// A worker's thread ends this soon after its loop; the loader, busy with a library, may keep it longer.
const DWORD kThreadExitWaitMs = 1000;
// A worker blocked in a serial read or write ends within this once its I/O is cancelled.
const DWORD kCancelWaitMs = 2000;
// Posters answered by the stop leave within this; each only has to wake.
const DWORD kPostersLeaveMs = 10000;
// Time between status polls, measured at 9600 baud: one poll puts 24 characters (25 ms) on the line, so
// 120 ms leaves polling under a quarter of the line's time while a change on the unit's front panel still
// reaches the host within 150 ms (see docs). Paced by elapsed time, not by counting wait time-outs, so that
// the period is the same on any system timer.
const ULONGLONG kPollPeriodMs = 120;
// A poll waits this long after a command, so that a host sending commands one after another never waits
// behind a poll.
const ULONGLONG kQuietAfterCommandMs = 10;
// The board check writes each line's voltage again: a reset or replugged board, which puts its outputs at
// 0 V and aborts the tasks, is noticed and repaired within this.
const ULONGLONG kBoardCheckPeriodMs = 1000;
const int64_t kBusy = -2;
const int64_t kTimeout = 1460;
} // namespace

int64_t CQvAOMTAVO::CallBack(PFN_AOMCommand command, uint64_t arg1, uint64_t arg2, uint64_t arg3,
                             uint32_t waitMs, CQvStringW* failure) {
    // The worker itself (a host whose change callback calls the device again) cannot wait for itself.
    // A poster still waiting for its answer counts as a running command: refused, never queued, so that no
    // poster can hold the slot while it waits and keep the worker from the command it waits for.
    CAOMSectionHold call(m_CallLock, true);
    LONG post = 0;
    bool noWorker = false;
    if (call.held() && GetCurrentThreadId() != m_dwWorkerThreadId) {
        CAOMLockTry slot(m_CommandSlotLock, QV_WFILE, __LINE__);
        if (slot.held() && (!m_hWorkerThread || m_lStopRequested)) {
            noWorker = true;
        } else if (slot.held()) {
            m_aCommandArgs[2] = arg3;
            m_pfnCommand = command;
            m_aCommandArgs[0] = arg1;
            m_aCommandArgs[1] = arg2;
            post = InterlockedIncrement(&m_lPostedCommand);
        }
    }
    if (noWorker) {
        // Never connected, a failed connect, or a disconnect under way.
        AOM_ALWAYS(L"CQvAOMTAVO::CallBack - TIMEOUT 1");
        if (failure) *failure = L"the device is not connected";
        return kTimeout;
    }
    if (!post) {
        QV_DIAG(L"CQvTAVO::CallBack - TryEnterCriticalSection failed");
        if (failure) *failure = L"another command was running";
        return kBusy;
    }
    SetEvent(m_hEvRequest);

    int64_t result;
    if (!WaitForAnswer(m_hEvTaken, m_lTakenCommand, post, kTakenWaitMs)) {
        AOM_ALWAYS(L"CQvAOMTAVO::CallBack - TIMEOUT 1");
        result = kTimeout;
        if (failure) *failure = L"the device's worker did not take the command in time";
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
    return result;
}

// Waits until the worker has answered this post. A late signal of an abandoned command wakes the wait, but
// only the answer to this post ends it.
bool CQvAOMTAVO::WaitForAnswer(HANDLE event, volatile LONG& answered, LONG post, DWORD waitMs) {
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
    // The rest of the thread's end is the system's: while a library loads it waits for the loader, and the
    // device need not wait with it.
    SetEvent(self->m_hEvEnded);
    return 0;
}

void CQvAOMTAVO::Main() {
    m_iPollCountdown = -1;
    // The poll is paced by elapsed time and the idle worker sleeps until it is due; a posted command wakes
    // it at once. m_iPollCountdown switches polling and the board check: negative is off, and arming it
    // (the connect command) makes the first poll due that many milliseconds later.
    bool armed = false;
    ULONGLONG due = 0, boardsDue = 0;
    while (!m_lStopRequested) {
        DWORD timeout = static_cast<DWORD>(kPollPeriodMs); // polling off: only a command has work to do
        int countdown = m_iPollCountdown;
        ULONGLONG now = GetTickCount64();
        if (countdown < 0) {
            armed = false;
        } else {
            if (!armed) {
                armed = true;
                due = now + static_cast<ULONGLONG>(countdown);
                boardsDue = now + kBoardCheckPeriodMs;
            }
            ULONGLONG next = due < boardsDue ? due : boardsDue;
            timeout = next > now ? static_cast<DWORD>(next - now) : 0;
        }
        DWORD wait = WaitForSingleObject(m_hEvRequest, timeout);
        if (m_lStopRequested) break;
        if (wait == WAIT_OBJECT_0) {
            RunPostedCommand();
            ULONGLONG quiet = GetTickCount64() + kQuietAfterCommandMs;
            if (due < quiet) due = quiet;
        } else if (wait != WAIT_TIMEOUT) {
            continue;
        }
        if (!armed || m_iPollCountdown < 0) continue;
        ULONGLONG start = GetTickCount64();
        try {
            // The poll gives way to a host that sends commands one after another; the board check, a
            // write per line, does not, so that a reset board is repaired while a slider moves.
            if (wait == WAIT_TIMEOUT && start >= due) {
                if (m_bLineLost)
                    TryReopenLine();
                else
                    WatchLine(StatusPoll());
                // A period after this poll began, but not before it ended: a poll that waited out a
                // silent unit is followed by the next one, never by a burst of them.
                ULONGLONG end = GetTickCount64();
                due = start + kPollPeriodMs > end ? start + kPollPeriodMs : end;
            }
            if (start >= boardsDue) {
                if (m_iState == 2) m_pMultiLaser->CheckBoards();
                boardsDue = GetTickCount64() + kBoardCheckPeriodMs;
            }
            DeliverHostCalls();
        } catch (...) {
            QV_DIAG(L"CQvTAVO::Main - Unknown exception - 2");
        }
    }
}

void CQvAOMTAVO::RunPostedCommand() {
    LONG post = 0;
    int32_t result = 0;
    {
        AOM_HOLD(m_CommandSlotLock);
        post = m_lPostedCommand;
        if (post == m_lTakenCommand) return; // nothing new was posted
        m_lTakenCommand = post;
        SetEvent(m_hEvTaken);
        m_sCommandFailure.Empty();
        try {
            result = m_pfnCommand(m_aCommandArgs[0], m_aCommandArgs[1], m_aCommandArgs[2]);
        } catch (...) {
            result = -1;
            QV_DIAG(L"CQvTAVO::Main - Unknown exception - 1");
        }
    }
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
}

bool CQvAOMTAVO::RefusedOnWorker(const wchar_t* operation) const {
    if (GetCurrentThreadId() != m_dwWorkerThreadId) return false;
    AOM_ALWAYS(
        L"ERROR: CQvAOMTAVO::%s - refused: called from the change callback, on the device's own worker",
        operation);
    return true;
}

void CQvAOMTAVO::CloseWorkerHandles() {
    if (m_hWorkerThread) CloseHandle(m_hWorkerThread);
    m_hWorkerThread = nullptr;
    m_dwWorkerThreadId = 0;
}

bool CQvAOMTAVO::StartWorker() {
    StopWorker();
    if (m_hWorkerThread || !m_hEvStarted || !m_hEvEnded || !m_hEvTaken || !m_hEvDone || !m_hEvRequest)
        return false;
    // Nothing posted before this worker is pending for it.
    m_lTakenCommand = m_lDoneCommand = m_lPostedCommand;
    m_lStopRequested = 0;
    ResetEvent(m_hEvStarted);
    ResetEvent(m_hEvEnded);
    m_hWorkerThread = CreateThread(nullptr, 0, WorkerThread, this, 0, &m_dwWorkerThreadId);
    if (!m_hWorkerThread) {
        m_dwWorkerThreadId = 0;
        return false;
    }
    if (WaitForSingleObject(m_hEvStarted, kStartWaitMs) != WAIT_OBJECT_0) {
        m_lStopRequested = 1;
        if (!EndStuckWorker()) return false;
        CloseWorkerHandles();
        return false;
    }
    QV_Sleep(100.0, 1);
    return true;
}

void CQvAOMTAVO::StopWorker() {
    if (!m_hWorkerThread) return;
    // The stop travels apart from the command slot: it never replaces a command, and no command replaces
    // it. The worker sees it when it next wakes, between commands.
    InterlockedExchange(&m_lStopRequested, 1);
    SetEvent(m_hEvRequest);
    bool ended = WaitForSingleObject(m_hEvEnded, kEndWaitMs) == WAIT_OBJECT_0 || EndStuckWorker();
    // Its thread's own end follows at once, unless a library being loaded holds the system's loader.
    if (ended) WaitForSingleObject(m_hWorkerThread, kThreadExitWaitMs);
    ReleasePosters();
    // A worker that could not be ended keeps its handle: nothing else may run in its place.
    if (ended) CloseWorkerHandles();
}

bool CQvAOMTAVO::EndStuckWorker() {
    const unsigned waited = static_cast<unsigned>(kEndWaitMs);
    // Blocked in a serial read or write (a pulled USB adapter): cancelling the I/O ends it cleanly.
    if (!CancelSynchronousIo(m_hWorkerThread)) {
        QV_DIAG(L"CQvAOMTAVO::StopWorker - the worker's serial I/O was not cancelled (error %lu)",
                GetLastError());
    } else if (WaitForSingleObject(m_hEvEnded, kCancelWaitMs) == WAIT_OBJECT_0) {
        AOM_ALWAYS(L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms; its serial I/O was "
                   L"cancelled and it ended",
                   waited);
        return true;
    }
    if (!TerminateThread(m_hWorkerThread, 1)) {
        AOM_ALWAYS(
            L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and could not be ended "
            L"(error %lu)",
            waited, GetLastError());
        return false;
    }
    if (WaitForSingleObject(m_hWorkerThread, kEndWaitMs) != WAIT_OBJECT_0) {
        AOM_ALWAYS(
            L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and was ended, but had "
            L"not stopped %u ms later",
            waited, waited);
        return false;
    }
    AOM_ALWAYS(L"ERROR: CQvAOMTAVO::StopWorker - the worker did not end within %u ms and was ended", waited);
    // The locks it held pass, abandoned, to the next thread that enters each. A delivery to the host it
    // was making is over; the next thread with host calls to make makes them.
    ForgetHostCallsOf(m_dwWorkerThreadId);
    return true;
}

void CQvAOMTAVO::ReleasePosters() {
    {
        // The slot of a worker ended inside a command is taken over here.
        AOM_HOLD(m_CommandSlotLock);
        if (m_lDoneCommand != m_lPostedCommand) {
            m_sCommandFailure = L"the device was disconnected before the command ended";
            m_iCommandResult = kTimeout;
            InterlockedExchange(&m_lTakenCommand, m_lPostedCommand);
            InterlockedExchange(&m_lDoneCommand, m_lPostedCommand);
            SetEvent(m_hEvTaken);
            SetEvent(m_hEvDone);
        }
    }
    // They give back the call lock, which the next connect needs, as soon as they have woken.
    for (ULONGLONG deadline = GetTickCount64() + kPostersLeaveMs; GetTickCount64() < deadline; Sleep(1)) {
        CAOMSectionHold call(m_CallLock, true);
        if (call.held()) return;
    }
}
