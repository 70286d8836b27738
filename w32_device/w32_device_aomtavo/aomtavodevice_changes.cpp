// What the device tells the host: change records, straight or batched, and the pad's refreshes. Each is
// decided under the batch lock, so that the host receives them in the order they happened, and made outside
// every lock of the module, by one thread at a time: a host whose callback waits for one of its own
// threads that is inside a device call never waits for itself.
#include "aomtavodevice.h"

#include "aomlog.h"
#include "aomtavopad.h"

#include <qv/qvlog.h>

#include <string.h>
#include <utility>

namespace {
// A change of callback, and the destructor, wait this long at most for a host call in progress on another
// thread to return.
const DWORD kRundownWaitMs = 10000;
// The returns are announced by an event that several waiters share: each waits in slices and looks again.
const DWORD kRundownSliceMs = 10;
} // namespace

EDeviceManagerReturnCode CQvAOMTAVO::GetBatching(bool* batching) {
    if (batching) *batching = m_bBatching;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::BeginChangeBatch(bool batching) {
    if (m_iState != 2) return DMRC_WRONG_STATE;
    AOM_HOLD(m_ChangeBatchLock);
    m_bBatching = batching;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::FlushChangeBatch() {
    if (m_iState != 2) return DMRC_WRONG_STATE;
    {
        AOM_HOLD(m_ChangeBatchLock);
        m_bBatching = false;
        if (m_ChangeBatch.uCount > 0) QueueBatchLocked(ChangeCallLocked());
    }
    try {
        DeliverHostCalls();
    } catch (...) { // the host's own callback threw: it goes no further than here
        QV_DIAG(L"CQvAOMTAVO::FlushChangeBatch - the change callback threw an exception");
    }
    return DMRC_OK;
}

void CQvAOMTAVO::AddToChangeBatch(const SQvDMChangeRecord& record) {
    {
        AOM_HOLD(m_ChangeBatchLock);
        AddToChangeBatchLocked(record, ChangeCallLocked());
    }
    try {
        DeliverHostCalls(); // a batch that filled up
    } catch (...) {
        QV_DIAG(L"CQvAOMTAVO::AddToChangeBatch - the change callback threw an exception");
    }
}

void CQvAOMTAVO::AddToChangeBatchLocked(const SQvDMChangeRecord& record, const SHostCall& call) {
    uint32_t count =
        record.uCount <= SQvDMChangeRecord::MaxEntries ? record.uCount : SQvDMChangeRecord::MaxEntries;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t key = record.auKey[i];
        if (key == 0) continue;
        uint32_t found = 0;
        while (found < m_ChangeBatch.uCount && m_ChangeBatch.auKey[found] != key)
            ++found;
        if (found < m_ChangeBatch.uCount) {
            // Latest data wins; the entry keeps its kind and sub-kind.
            memcpy(m_ChangeBatch.aData[found], record.aData[i], SQvDMChangeRecord::DataSize);
            continue;
        }
        uint32_t slot = m_ChangeBatch.uCount;
        m_ChangeBatch.auKind[slot] = record.auKind[i];
        m_ChangeBatch.auSubKind[slot] = record.auSubKind[i];
        memcpy(m_ChangeBatch.aData[slot], record.aData[i], SQvDMChangeRecord::DataSize);
        m_ChangeBatch.auKey[slot] = key;
        m_ChangeBatch.uCount = slot + 1;
        if (m_ChangeBatch.uCount == SQvDMChangeRecord::MaxEntries) QueueBatchLocked(call);
    }
}

// The batch goes to the host as it is now, and the device starts a new one.
void CQvAOMTAVO::QueueBatchLocked(const SHostCall& call) {
    if (call.pfnChange) {
        SHostCall batch = call;
        batch.pRecord = std::make_shared<SQvDMChangeRecord>(m_ChangeBatch);
        m_HostCalls.push_back(std::move(batch));
    }
    m_ChangeBatch.uCount = 0;
}

CQvAOMTAVO::SHostCall CQvAOMTAVO::ChangeCallLocked() const {
    SHostCall call;
    call.pfnChange = m_pfnChange;
    call.uContext = m_pChangeContext;
    call.lGeneration = m_lCallbackGeneration;
    return call;
}

bool CQvAOMTAVO::DeliverChange(const SQvDMChangeRecord& record, EPadUpdate pad) {
    AOM_HOLD(m_ChangeBatchLock);
    SHostCall call = ChangeCallLocked();
    const bool listening = call.pfnChange != nullptr; // else only the pad hears of it
    if (listening && m_bBatching) {
        AddToChangeBatchLocked(record, call);
    } else if (listening) {
        call.pRecord = std::make_shared<SQvDMChangeRecord>(record);
        m_HostCalls.push_back(std::move(call));
    }
    if (m_pPad) {
        SHostCall refresh;
        refresh.ePadUpdate = pad;
        m_HostCalls.push_back(std::move(refresh));
    }
    return listening;
}

void CQvAOMTAVO::DeliverHostCalls() {
    std::deque<SHostCall> calls;
    {
        AOM_HOLD(m_ChangeBatchLock);
        // Another thread is delivering (perhaps this one, from inside the host's callback): it delivers what
        // was queued here too, in order, once its current calls have come back.
        if (m_dwDeliveringThread != 0) return;
        m_dwDeliveringThread = GetCurrentThreadId();
        calls.swap(m_HostCalls);
    }
    for (;;) {
        try {
            for (const SHostCall& call : calls) {
                if (!call.pRecord) {
                    if (call.ePadUpdate == PadShutter)
                        m_pPad->Update_Shutter();
                    else
                        m_pPad->Update_MultiLaser();
                    continue;
                }
                // Marked before the callback's generation is looked at: a change of callback that looks at
                // the mark after counting up the generation either waits for this call or is seen here.
                InterlockedExchange(&m_lCallingGeneration, call.lGeneration);
                bool current = call.lGeneration == InterlockedCompareExchange(&m_lCallbackGeneration, 0, 0);
                try {
                    if (current) call.pfnChange(1, call.pRecord.get(), call.uContext);
                } catch (...) {
                    InterlockedExchange(&m_lCallingGeneration, 0);
                    throw;
                }
                InterlockedExchange(&m_lCallingGeneration, 0);
                if (m_lRundownWaiters) SetEvent(m_hEvCallReturned);
            }
        } catch (...) {
            // The caller reports it. What was still to be said goes with it, as the rest of a poll or a
            // command that threw would: a callback that throws would only throw again.
            {
                AOM_HOLD(m_ChangeBatchLock);
                m_HostCalls.clear();
                m_dwDeliveringThread = 0;
            }
            if (m_lRundownWaiters) SetEvent(m_hEvCallReturned);
            throw;
        }
        calls.clear();
        AOM_HOLD(m_ChangeBatchLock);
        if (m_HostCalls.empty()) {
            m_dwDeliveringThread = 0;
            break;
        }
        calls.swap(m_HostCalls);
    }
    if (m_lRundownWaiters) SetEvent(m_hEvCallReturned);
}

void CQvAOMTAVO::WaitForCallsOf(LONG generation) {
    if (m_dwDeliveringThread == GetCurrentThreadId()) return; // from inside the callback itself
    InterlockedIncrement(&m_lRundownWaiters);
    for (ULONGLONG deadline = GetTickCount64() + kRundownWaitMs; m_lCallingGeneration == generation;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            AOM_ALWAYS(L"ERROR: CQvAOMTAVO::SetChangeCallback - the change callback did not return within %u "
                       L"ms; the device calls it no more",
                       static_cast<unsigned>(kRundownWaitMs));
            break;
        }
        DWORD left = static_cast<DWORD>(deadline - now);
        WaitForSingleObject(m_hEvCallReturned, left < kRundownSliceMs ? left : kRundownSliceMs);
    }
    InterlockedDecrement(&m_lRundownWaiters);
}

void CQvAOMTAVO::WaitForDeliveries() {
    InterlockedIncrement(&m_lRundownWaiters);
    for (ULONGLONG deadline = GetTickCount64() + kRundownWaitMs;;) {
        {
            AOM_HOLD(m_ChangeBatchLock);
            if (m_dwDeliveringThread == 0 || m_dwDeliveringThread == GetCurrentThreadId()) break;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            AOM_ALWAYS(L"ERROR: CQvAOMTAVO::~CQvAOMTAVO - a host call did not return within %u ms",
                       static_cast<unsigned>(kRundownWaitMs));
            break;
        }
        DWORD left = static_cast<DWORD>(deadline - now);
        WaitForSingleObject(m_hEvCallReturned, left < kRundownSliceMs ? left : kRundownSliceMs);
    }
    InterlockedDecrement(&m_lRundownWaiters);
}

void CQvAOMTAVO::ForgetHostCallsOf(DWORD thread) {
    AOM_HOLD(m_ChangeBatchLock);
    if (m_dwDeliveringThread != thread) return;
    m_dwDeliveringThread = 0;
    InterlockedExchange(&m_lCallingGeneration, 0);
}
