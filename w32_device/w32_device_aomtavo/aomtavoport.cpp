#include "aomtavoport.h"

#include "aomparse.h"

#include <qv/qvlog.h>

#include <stdio.h>
#include <string.h>

namespace {
const DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
const char kSimulatorVersion[] = "Simulator";
// 9600 baud, 8N1: a start bit, eight data bits and a stop bit for every byte.
const DWORD kBitsPerSecond = 9600;
const DWORD kBitsPerByte = 10;

// Milliseconds the given bytes take on the wire, rounded up.
DWORD WireTimeMs(size_t bytes) {
    return static_cast<DWORD>((bytes * kBitsPerByte * 1000 + kBitsPerSecond - 1) / kBitsPerSecond);
}
} // namespace

CQvAOMTAVOPort::CQvAOMTAVOPort()
    : hComm(nullptr), bLogCommunication(false), bSimulate(false), iSimLineUsed(0), iSimLinesUsed(0) {
    memset(&timeouts, 0, sizeof timeouts);
    memset(&dcb, 0, sizeof dcb);
}

CQvAOMTAVOPort::~CQvAOMTAVOPort() {
    Close();
}

bool CQvAOMTAVOPort::Open(int port, bool simulate, bool logCommunication) {
    bSimulate = simulate;
    bLogCommunication = logCommunication;
    if (!simulate && (port < 1 || port > LastPort)) return false;
    // A second Open must not leak the handle of the first, nor keep it while simulating (where Close
    // does not close).
    if (hComm) {
        CloseHandle(hComm);
        hComm = nullptr;
    }
    if (!simulate) {
        char name[16];
        snprintf(name, sizeof name, port < FirstExtendedPort ? "COM%d" : "\\\\.\\COM%d", port);
        HANDLE handle =
            CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        hComm = handle;

        // A read gives up after 502 ms a byte (a reply's shortest form is read in one call, and each of its
        // bytes may take as long as a byte read alone), a write of n bytes after 2n + 500 ms.
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = 502;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = 2;
        timeouts.WriteTotalTimeoutConstant = 500;
        SetCommTimeouts(hComm, &timeouts);

        GetCommState(hComm, &dcb);
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = CBR_9600;
        dcb.fBinary = 1;
        dcb.fParity = 0;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = 0;
        dcb.fTXContinueOnXoff = 1;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fErrorChar = 0;
        dcb.fNull = 0;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fAbortOnError = 0;
        dcb.XonLim = 1024;
        dcb.XoffLim = 1024;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.XonChar = 0;
        dcb.XoffChar = 0;
        dcb.ErrorChar = 0;
        dcb.EofChar = 0;
        dcb.EvtChar = 0;
        SetCommState(hComm, &dcb);
        SetCommMask(hComm, EV_RXCHAR);
        PurgeComm(hComm, kPurgeAll);
    }
    if (RdVersion(nullptr, 0)) return true;
    Close();
    return false;
}

bool CQvAOMTAVOPort::Close() {
    if (bSimulate) return true;
    bool closed = false;
    if (hComm) closed = CloseHandle(hComm) != 0;
    hComm = nullptr;
    return closed;
}

int CQvAOMTAVOPort::Exchange(const char* request, char* reply, int lines, const char* shape,
                             bool waitOutShape) {
    // A port closed for a lost line fails at once instead of waiting out the time-outs.
    if (!hComm) {
        reply[0] = 0;
        return -1;
    }
    DWORD length = static_cast<DWORD>(strlen(request));
    // Whatever is pending in either direction (a late reply, a line the unit sent on its own) is not
    // this request's answer.
    PurgeComm(hComm, kPurgeAll);
    DWORD written = 0;
    WriteFile(hComm, request, length, &written, nullptr);
    if (lines < 1) return 0;
    // A read waiting for bytes that come one by one costs a round trip to the wine server for each of
    // them; after this sleep, which touches neither, the reply is read at once. It lasts the wire time of
    // the shortest reply with the unit's carriage return and line feed. Only the poll sleeps: a command's
    // reply is read as it arrives, since on a Windows timer of 15.6 ms the sleep could outlast the reply.
    if (waitOutShape && shape) Sleep(WireTimeMs(strlen(shape) + 2));
    int total = 0;
    reply[0] = 0;
    for (int i = 0; i < lines; ++i) {
        if (total >= BufferSize - 1) return total;
        int n = ReadLine(reply + total, BufferSize - 1 - total, shape);
        if (n < 1) return -1;
        total += n;
    }
    return total;
}

int CQvAOMTAVOPort::ReadLine(char* buffer, int room, const char* shape) {
    int length = 0;
    bool lineEnded = false;
    bool shaped = false;
    // Byte by byte, so that nothing after the line feed is taken from the driver; but once the line has
    // begun as the expected reply does, the rest of that reply's shortest form and the first byte of its
    // line end (a carriage return or the line feed) are surely still to come and are read in one call:
    // each read is a round trip to the driver, and the poll reads two replies.
    while (!lineEnded && length < room) {
        int count = 1;
        if (!shaped && length == 1 && shape && buffer[0] == shape[0]) {
            shaped = true;
            count = static_cast<int>(strlen(shape));
            if (count > room - length) count = room - length;
        }
        if (!ReadBytes(buffer, count, length, lineEnded)) {
            buffer[length] = 0;
            return -1;
        }
    }
    buffer[length] = 0;
    return length;
}

// Reads count bytes after the first length of the buffer. A read that gave fewer still succeeds when they
// end the line; bytes after a line feed (only a malformed reply sends them) are dropped, as the next
// exchange's purge would drop them.
bool CQvAOMTAVOPort::ReadBytes(char* buffer, int count, int& length, bool& lineEnded) {
    char chunk[BufferSize];
    DWORD got = 0;
    if (!ReadFile(hComm, chunk, static_cast<DWORD>(count), &got, nullptr) || got > static_cast<DWORD>(count))
        return false;
    for (DWORD i = 0; i < got && !lineEnded; ++i)
        lineEnded = AOMAddReplyByte(buffer, length, chunk[i]);
    return lineEnded || got == static_cast<DWORD>(count);
}

void CQvAOMTAVOPort::Command(const wchar_t* name, const char* request, const char* reply, int length) {
    DiagOutputExW_hlp(QV_WFILE, __LINE__);
    if (!CQvLogFile::Detail()) return;
    if (length > 0)
        DiagOutputExW(L"CQvTAVOPort::Command '%s', req:'%S', rsp:'%S' (%d)", name, request, reply, length);
    else
        DiagOutputExW(L"CQvTAVOPort::Command '%s', req:'%S', rsp:none (%d)", name, request, length);
}

bool CQvAOMTAVOPort::RdVersion(char* version, size_t capacity) {
    if (bSimulate) {
        if (version && capacity > 0) snprintf(version, capacity, "%s", kSimulatorVersion);
        return true;
    }
    char request[BufferSize];
    char reply[BufferSize];
    snprintf(request, sizeof request, "rVER\r");
    int n = Exchange(request, reply, 1, "aVER");
    if (bLogCommunication) Command(L"RdVersion", request, reply, n);
    return n >= 1 && AOMParseVersionReply(reply, version, capacity);
}

bool CQvAOMTAVOPort::ReadNumber(const wchar_t* name, const char* request, const char* replyFormat,
                                uint32_t* value, bool polling) {
    // The shortest well-formed reply: the format's text and one digit.
    char shape[16];
    snprintf(shape, sizeof shape, "%.*s0", static_cast<int>(strcspn(replyFormat, "%")), replyFormat);
    char reply[BufferSize];
    int n = Exchange(request, reply, 1, shape, polling);
    if (bLogCommunication) Command(name, request, reply, n);
    return n >= 1 && AOMParseNumberReply(reply, replyFormat, value);
}

bool CQvAOMTAVOPort::RdBinoShutter(bool* engaged, bool polling) {
    if (bSimulate) {
        if (engaged) *engaged = false;
        return true;
    }
    uint32_t flag = 0;
    if (!ReadNumber(L"RdBinoShutter", "rTES\r", "aTES%d", &flag, polling)) return false;
    if (engaged) *engaged = flag != 0;
    return true;
}

bool CQvAOMTAVOPort::RdLineUsed(uint32_t* line, bool polling) {
    if (bSimulate) {
        if (line) *line = iSimLineUsed;
        return true;
    }
    return ReadNumber(L"RdLineUsed", "rTSR\r", "aTSR%d", line, polling);
}

bool CQvAOMTAVOPort::RdLinesUsed(uint32_t* mask, bool polling) {
    if (bSimulate) {
        if (mask) *mask = iSimLinesUsed;
        return true;
    }
    return ReadNumber(L"RdLinesUsed", "rTSD\r", "aTSD%d", mask, polling);
}

bool CQvAOMTAVOPort::Write(const wchar_t* name, const char* request, const char* acknowledgement) {
    char reply[BufferSize];
    int n = Exchange(request, reply, 1, acknowledgement);
    if (bLogCommunication) Command(name, request, reply, n);
    return n >= 1 && AOMIsAcknowledgement(reply, acknowledgement);
}

bool CQvAOMTAVOPort::WrLineUsed(uint32_t line) {
    if (bSimulate) {
        iSimLineUsed = line;
        return true;
    }
    if (line > 3) return false;
    char request[BufferSize];
    if (line == 0)
        snprintf(request, sizeof request, "cTSC\r");
    else
        snprintf(request, sizeof request, "cTSO%u\r", line);
    return Write(L"WrLineUsed", request, "oTS");
}

bool CQvAOMTAVOPort::WrLinesUsed(uint32_t mask) {
    if (bSimulate) {
        iSimLinesUsed = mask;
        return true;
    }
    if (mask > 7) return false;
    char request[BufferSize];
    snprintf(request, sizeof request, "cTSD%u\r", mask);
    return Write(L"WrLinesUsed", request, "oTSD");
}
