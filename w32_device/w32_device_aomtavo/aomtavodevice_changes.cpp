// What the device tells the host: change records, straight or batched, and the pad's refreshes. Each is
// decided under the batch lock, so that the host receives them in the order they happened, and made outside
// every lock of the module, by one thread at a time: a host whose callback waits for one of its own
// threads that is inside a device call never waits for itself.
#include "aomtavodevice.h"

#include "aomtavopad.h"

#include <qv/qvlog.h>

#include <string.h>
#include <utility>

EDeviceManagerReturnCode CQvAOMTAVO::GetBatching(bool* batching) {
    if (batching) *batching = m_bBatching;
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::BeginChangeBatch(bool batching) {
    if (m_iState != 2) return DMRC_WRONG_STATE;
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    m_bBatching = batching;
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
    return DMRC_OK;
}

EDeviceManagerReturnCode CQvAOMTAVO::FlushChangeBatch() {
    if (m_iState != 2) return DMRC_WRONG_STATE;
    SHostCall call = ChangeCall();
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    m_bBatching = false;
    if (m_ChangeBatch.uCount > 0) QueueBatchLocked(call);
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
    try {
        DeliverHostCalls();
    } catch (...) { // the host's own callback threw: it goes no further than here
        QV_DIAG(L"CQvAOMTAVO::FlushChangeBatch - the change callback threw an exception");
    }
    return DMRC_OK;
}

void CQvAOMTAVO::AddToChangeBatch(const SQvDMChangeRecord& record) {
    SHostCall call = ChangeCall();
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    AddToChangeBatchLocked(record, call);
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
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

CQvAOMTAVO::SHostCall CQvAOMTAVO::ChangeCall() {
    SHostCall call;
    EnterDeviceLock(QV_WFILE, __LINE__);
    call.pfnChange = m_pfnChange;
    call.uContext = m_pChangeContext;
    LeaveDeviceLock(QV_WFILE, __LINE__);
    return call;
}

bool CQvAOMTAVO::DeliverChange(const SQvDMChangeRecord& record, EPadUpdate pad) {
    SHostCall call = ChangeCall();
    const bool listening = call.pfnChange != nullptr; // else only the pad hears of it
    SHostCall refresh;
    refresh.ePadUpdate = pad;
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    if (listening && m_bBatching) {
        AddToChangeBatchLocked(record, call);
    } else if (listening) {
        call.pRecord = std::make_shared<SQvDMChangeRecord>(record);
        m_HostCalls.push_back(std::move(call));
    }
    if (m_pPad) m_HostCalls.push_back(std::move(refresh));
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
    return listening;
}

void CQvAOMTAVO::DeliverHostCalls() {
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    // Another thread is delivering (perhaps this one, from inside the host's callback): it delivers what
    // was queued here too, in order, once its current calls have come back.
    if (m_dwDeliveringThread != 0) {
        m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
        return;
    }
    m_dwDeliveringThread = GetCurrentThreadId();
    while (!m_HostCalls.empty()) {
        std::deque<SHostCall> calls;
        calls.swap(m_HostCalls);
        m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
        try {
            for (const SHostCall& call : calls) {
                if (call.pRecord)
                    call.pfnChange(1, call.pRecord.get(), call.uContext);
                else if (call.ePadUpdate == PadShutter)
                    m_pPad->Update_Shutter();
                else
                    m_pPad->Update_MultiLaser();
            }
        } catch (...) {
            // The caller reports it. What was still to be said goes with it, as the rest of a poll or a
            // command that threw would: a callback that throws would only throw again.
            m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
            m_HostCalls.clear();
            m_dwDeliveringThread = 0;
            m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
            throw;
        }
        m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    }
    m_dwDeliveringThread = 0;
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
}

void CQvAOMTAVO::ForgetHostCallsOf(DWORD thread) {
    m_ChangeBatchLock.Enter(QV_WFILE, __LINE__);
    if (m_dwDeliveringThread == thread) m_dwDeliveringThread = 0;
    m_ChangeBatchLock.Leave(QV_WFILE, __LINE__);
}
