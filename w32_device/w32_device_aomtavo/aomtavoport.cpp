#include "aomtavoport.h"

#include "aomparse.h"

#include <qv/qvlog.h>

#include <stdio.h>
#include <string.h>

namespace {
const DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
const char kSimulatorVersion[] = "Simulator";

// Windows' text for an error code, on one line.
CQvStringW SystemErrorText(DWORD error) {
    wchar_t text[256] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                             text, sizeof text / sizeof text[0], nullptr);
    while (n > 0 &&
           (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.'))
        text[--n] = 0;
    CQvStringW result;
    if (n == 0)
        result.Format(L"error %lu", error);
    else
        result.Format(L"%s, error %lu", text, error);
    return result;
}

// Bytes of the line as the log shows them: printable ASCII as it is; \r, \n, \t, the backslash and both
// quotes escaped, and every other byte as \xHH. An exchange then stays on its one log line, and a unit's
// garbage reads the same here as in the host's scan of the ports.
CQvStringW Escaped(const char* bytes, size_t length) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    CQvStringW text;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        const wchar_t* escape = c == '\r'   ? L"\\r"
                                : c == '\n' ? L"\\n"
                                : c == '\t' ? L"\\t"
                                : c == '\\' ? L"\\\\"
                                : c == '\'' ? L"\\'"
                                : c == '"'  ? L"\\\""
                                            : nullptr;
        if (escape) {
            text.AddString(escape);
        } else if (c >= 0x20 && c < 0x7F) {
            text.AddChar(static_cast<wchar_t>(c));
        } else {
            text.AddString(L"\\x").AddChar(kHex[c >> 4]).AddChar(kHex[c & 15]);
        }
    }
    return text;
}

CQvStringW Escaped(const char* text) {
    return Escaped(text, strlen(text));
}

// A request or reply as a failure message shows it: without its line end, and at most a line's length.
CQvStringW Printable(const char* text) {
    const size_t kMaxShown = 64;
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        --length;
    return Escaped(text, length < kMaxShown ? length : kMaxShown);
}
} // namespace

CQvAOMTAVOPort::CQvAOMTAVOPort()
    : hComm(nullptr), bLogCommunication(false), bSimulate(false), iSimLineUsed(0), iSimLinesUsed(0), iPort(0),
      bAnswered(false) {
    memset(&timeouts, 0, sizeof timeouts);
    memset(&dcb, 0, sizeof dcb);
}

CQvAOMTAVOPort::~CQvAOMTAVOPort() {
    Close();
}

bool CQvAOMTAVOPort::Open(int port, bool simulate, bool logCommunication) {
    bSimulate = simulate;
    bLogCommunication = logCommunication;
    iPort = port;
    sLastFailure.Empty();
    if (!simulate && (port < 1 || port > LastPort)) {
        sLastFailure.Format(L"COM%d is not a port from COM1 to COM%d", port, static_cast<int>(LastPort));
        return false;
    }
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
        if (handle == INVALID_HANDLE_VALUE) {
            sLastFailure.Format(L"COM%d could not be opened (%s)", port,
                                SystemErrorText(GetLastError()).GetString());
            return false;
        }
        hComm = handle;

        // A one-byte read gives up after 502 ms, a write of n bytes after 2n + 500 ms.
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = 2;
        timeouts.ReadTotalTimeoutConstant = 500;
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
    if (!bAnswered)
        sLastFailure.Format(L"the unit did not answer the version request on COM%d at 9600 8N1", port);
    else
        sLastFailure.Format(L"the unit on COM%d at 9600 8N1 answered the version request with '%s'", port,
                            sLastReply.GetString());
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

int CQvAOMTAVOPort::Exchange(const char* request, char* reply, int lines) {
    bAnswered = false;
    reply[0] = 0;
    // A port closed for a lost line fails at once instead of waiting out the time-outs.
    if (!hComm) return -1;
    DWORD length = static_cast<DWORD>(strlen(request));
    // Whatever is pending in either direction (a late reply, a line the unit sent on its own) is not
    // this request's answer.
    PurgeComm(hComm, kPurgeAll);
    DWORD written = 0;
    WriteFile(hComm, request, length, &written, nullptr);
    if (lines < 1) return 0;
    int total = 0;
    for (int i = 0; i < lines; ++i) {
        if (total >= BufferSize - 1) return total;
        int n = ReadLine(reply + total, BufferSize - 1 - total);
        if (n < 1) return -1;
        total += n;
    }
    return total;
}

// One byte a read, so that nothing after the line feed is taken from the driver.
int CQvAOMTAVOPort::ReadLine(char* buffer, int room) {
    int length = 0;
    bool lineEnded = false;
    while (!lineEnded && length < room) {
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(hComm, &c, 1, &got, nullptr) || got != 1) {
            buffer[length] = 0;
            return -1;
        }
        bAnswered = true;
        lineEnded = AOMAddReplyByte(buffer, length, c);
    }
    buffer[length] = 0;
    return length;
}

void CQvAOMTAVOPort::NoteFailure(const char* request, const char* reply) {
    CQvStringW sent = Printable(request);
    sLastReply = Printable(reply);
    if (!bAnswered)
        sLastFailure.Format(L"the unit did not answer %s on COM%d", sent.GetString(), iPort);
    else
        sLastFailure.Format(L"the unit answered %s with '%s'", sent.GetString(), sLastReply.GetString());
}

void CQvAOMTAVOPort::Command(const wchar_t* name, const char* request, const char* reply, int length) {
    DiagOutputExW_hlp(QV_WFILE, __LINE__);
    if (!CQvLogFile::Detail()) return;
    if (length > 0)
        DiagOutputExW(L"CQvTAVOPort::Command '%s', req:'%s', rsp:'%s' (%d)", name,
                      Escaped(request).GetString(), Escaped(reply).GetString(), length);
    else
        DiagOutputExW(L"CQvTAVOPort::Command '%s', req:'%s', rsp:none (%d)", name,
                      Escaped(request).GetString(), length);
}

bool CQvAOMTAVOPort::RdVersion(char* version, size_t capacity) {
    if (bSimulate) {
        if (version && capacity > 0) snprintf(version, capacity, "%s", kSimulatorVersion);
        return true;
    }
    char request[BufferSize];
    char reply[BufferSize];
    snprintf(request, sizeof request, "rVER\r");
    int n = Exchange(request, reply, 1);
    if (bLogCommunication) Command(L"RdVersion", request, reply, n);
    if (n >= 1 && AOMParseVersionReply(reply, version, capacity)) return true;
    NoteFailure(request, reply);
    return false;
}

bool CQvAOMTAVOPort::ReadNumber(const wchar_t* name, const char* request, const char* replyFormat,
                                uint32_t* value) {
    char reply[BufferSize];
    int n = Exchange(request, reply, 1);
    if (bLogCommunication) Command(name, request, reply, n);
    if (n >= 1 && AOMParseNumberReply(reply, replyFormat, value)) return true;
    NoteFailure(request, reply);
    return false;
}

bool CQvAOMTAVOPort::RdBinoShutter(bool* engaged) {
    if (bSimulate) {
        if (engaged) *engaged = false;
        return true;
    }
    uint32_t flag = 0;
    if (!ReadNumber(L"RdBinoShutter", "rTES\r", "aTES%d", &flag)) return false;
    if (engaged) *engaged = flag != 0;
    return true;
}

bool CQvAOMTAVOPort::RdLineUsed(uint32_t* line) {
    if (bSimulate) {
        if (line) *line = iSimLineUsed;
        return true;
    }
    return ReadNumber(L"RdLineUsed", "rTSR\r", "aTSR%d", line);
}

bool CQvAOMTAVOPort::RdLinesUsed(uint32_t* mask) {
    if (bSimulate) {
        if (mask) *mask = iSimLinesUsed;
        return true;
    }
    return ReadNumber(L"RdLinesUsed", "rTSD\r", "aTSD%d", mask);
}

bool CQvAOMTAVOPort::Write(const wchar_t* name, const char* request, const char* acknowledgement) {
    char reply[BufferSize];
    int n = Exchange(request, reply, 1);
    if (bLogCommunication) Command(name, request, reply, n);
    if (n >= 1 && AOMIsAcknowledgement(reply, acknowledgement)) return true;
    NoteFailure(request, reply);
    return false;
}

bool CQvAOMTAVOPort::WrLineUsed(uint32_t line) {
    if (bSimulate) {
        iSimLineUsed = line;
        return true;
    }
    if (line > 3) {
        sLastFailure.Format(L"%u is not a line of the unit", line);
        return false;
    }
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
    if (mask > 7) {
        sLastFailure.Format(L"%u is not a mask of the unit's lines", mask);
        return false;
    }
    char request[BufferSize];
    snprintf(request, sizeof request, "cTSD%u\r", mask);
    return Write(L"WrLinesUsed", request, "oTSD");
}
