// NI-DAQmx binding: board discovery and the AOM control voltages.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvstring.h>

// The output task of one laser line.
struct SNIDAQLineTask {
    CQvStringW sChannel;
    void* hTask = nullptr;
    bool bTaskCreated = false;
};

class AOMTAVO_API CQvAOMNIDAQPort {
public:
    enum { LineCount = 3 };
    CQvAOMNIDAQPort();
    virtual ~CQvAOMNIDAQPort();

    void Lock();
    void Unlock();

    SNIDAQLineTask m_LineTasks[LineCount];
    bool bSimulate;
    uint32_t uSDKMajorVersion;
    uint32_t uSDKMinorVersion;
    bool bOpened; // a real Open has completed

private:
    CRITICAL_SECTION m_csLock;
    volatile bool bBusy;
};
