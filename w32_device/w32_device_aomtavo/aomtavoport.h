// Serial link to the unit's TAVO controller.
#pragma once

#include "aomtavoapi.h"

#include <stdint.h>

class AOMTAVO_API CQvAOMTAVOPort {
public:
    CQvAOMTAVOPort();
    virtual ~CQvAOMTAVOPort();

    // True in simulation; otherwise whether an open handle was closed.
    bool Close();

    HANDLE hComm;
    COMMTIMEOUTS timeouts;
    DCB dcb;
    bool bLogCommunication;
    bool bSimulate;
    uint32_t iSimLineUsed;
    uint32_t iSimLinesUsed;
};
