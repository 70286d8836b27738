#include "aomtavoport.h"

#include <string.h>

CQvAOMTAVOPort::CQvAOMTAVOPort()
    : hComm(nullptr), bLogCommunication(false), bSimulate(false), iSimLineUsed(0), iSimLinesUsed(0) {
    memset(&timeouts, 0, sizeof timeouts);
    memset(&dcb, 0, sizeof dcb);
}

CQvAOMTAVOPort::~CQvAOMTAVOPort() {
    Close();
}

bool CQvAOMTAVOPort::Close() {
    if (bSimulate) return true;
    bool closed = false;
    if (hComm) closed = CloseHandle(hComm) != 0;
    hComm = nullptr;
    return closed;
}
