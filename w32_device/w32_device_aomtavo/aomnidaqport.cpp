#include "aomnidaqport.h"

#include <qv/qvlog.h>

CQvAOMNIDAQPort::CQvAOMNIDAQPort()
    : bSimulate(false), uSDKMajorVersion(0), uSDKMinorVersion(0), bOpened(false), bBusy(false) {
    QV_DIAG(L"CQvAOMNIDAQPort constructor");
    InitializeCriticalSection(&m_csLock);
}

CQvAOMNIDAQPort::~CQvAOMNIDAQPort() {
    DeleteCriticalSection(&m_csLock);
}

void CQvAOMNIDAQPort::Lock() {
    EnterCriticalSection(&m_csLock);
    if (bBusy) DiagAssertW(0, L"true", 0, QV_WFILE, __LINE__);
    bBusy = true;
}

void CQvAOMNIDAQPort::Unlock() {
    EnterCriticalSection(&m_csLock);
    if (!bBusy) DiagAssertW(0, L"true", 0, QV_WFILE, __LINE__);
    bBusy = false;
    LeaveCriticalSection(&m_csLock);
    LeaveCriticalSection(&m_csLock);
}
