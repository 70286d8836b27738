#include "portscan.h"

#include "hostclock.h"
#include "output.h"

#include <windows.h>

const char kVersionRequest[] = "rVER\r";

namespace {
const size_t kMaxReply = 255;

// An answer as the device's log shows the unit's bytes: printable ASCII as it is; \r, \n, \t, the backslash
// and both quotes escaped, and every other byte as \xHH.
std::wstring Printable(const std::string& bytes) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r':
            text += L"\\r";
            break;
        case '\n':
            text += L"\\n";
            break;
        case '\t':
            text += L"\\t";
            break;
        case '\\':
        case '\'':
        case '"':
            text += L'\\';
            text += static_cast<wchar_t>(c);
            break;
        default:
            if (c >= 0x20 && c < 0x7F)
                text += static_cast<wchar_t>(c);
            else
                text += std::wstring(L"\\x") + kHex[c >> 4] + kHex[c & 15];
        }
    }
    return text;
}

// The unit's line settings: 9600 baud, 8 data bits, no parity, one stop bit, no flow control, and DTR
// and RTS left low, as the device sets them.
bool SetUnitLine(HANDLE port) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return false;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 0;
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = 2;
    timeouts.WriteTotalTimeoutConstant = 200;
    return SetCommState(port, &dcb) && SetCommTimeouts(port, &timeouts);
}

// One line of answer, CRs dropped, until its LF, kMaxReply characters or the deadline.
std::string ReadAnswer(HANDLE port) {
    std::string answer;
    uint64_t deadline = HostClockMs() + kProbeReplyMs;
    while (answer.size() < kMaxReply) {
        uint64_t now = HostClockMs();
        if (now >= deadline) break;
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(deadline - now);
        timeouts.WriteTotalTimeoutConstant = 200;
        char c = 0;
        DWORD got = 0;
        if (!SetCommTimeouts(port, &timeouts) || !ReadFile(port, &c, 1, &got, nullptr) || got != 1) break;
        if (c == '\n') break;
        if (c != '\r') answer += c;
    }
    return answer;
}

void Probe(HANDLE port, SPortReport& report) {
    if (!SetUnitLine(port)) {
        report.state = EPortState::Unusable;
        report.detail = L"its line cannot be set to 9600 8N1: " + WindowsErrorText(GetLastError());
        return;
    }
    PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    DWORD written = 0;
    DWORD length = static_cast<DWORD>(sizeof kVersionRequest - 1);
    if (!WriteFile(port, kVersionRequest, length, &written, nullptr) || written != length) {
        report.state = EPortState::Unusable;
        report.detail = L"the version request could not be sent: " + WindowsErrorText(GetLastError());
        return;
    }
    std::string answer = ReadAnswer(port);
    if (answer.empty()) {
        report.state = EPortState::Silent;
    } else if (answer.compare(0, 4, "aVER") == 0) {
        report.state = EPortState::Unit;
        report.detail = Printable(answer.substr(4));
    } else {
        report.state = EPortState::Other;
        report.detail = Printable(answer);
    }
}

void Check(SPortReport& report) {
    std::wstring name = L"\\\\.\\COM" + std::to_wstring(report.port);
    HANDLE port =
        CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            report.state = EPortState::Absent;
        } else if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
            report.state = EPortState::Busy;
        } else {
            report.state = EPortState::Unusable;
            report.detail = WindowsErrorText(error);
        }
        return;
    }
    Probe(port, report);
    CloseHandle(port);
}

// One port's check on a thread of its own, so that a driver that does not return from opening holds up
// only that port. Whoever is last of the thread and the scan frees it.
struct SPortCheck {
    SPortReport report;
    HANDLE done = nullptr;
    LONG owners = 2;

    void Release() {
        if (InterlockedDecrement(&owners) == 0) {
            CloseHandle(done);
            delete this;
        }
    }
    static DWORD WINAPI Run(void* context) {
        SPortCheck* self = static_cast<SPortCheck*>(context);
        Check(self->report);
        SetEvent(self->done);
        self->Release();
        return 0;
    }
};

SPortReport CheckBounded(int number) {
    SPortReport report;
    report.port = number;
    SPortCheck* check = new SPortCheck;
    check->report.port = number;
    check->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = check->done ? CreateThread(nullptr, 0, &SPortCheck::Run, check, 0, nullptr) : nullptr;
    if (!thread) {
        report.state = EPortState::Unusable;
        report.detail = L"the check could not start: " + WindowsErrorText(GetLastError());
        if (check->done) CloseHandle(check->done);
        delete check;
        return report;
    }
    CloseHandle(thread);
    if (WaitForSingleObject(check->done, kPortBoundMs) == WAIT_OBJECT_0) {
        report = check->report;
    } else {
        report.state = EPortState::Stuck;
    }
    check->Release();
    return report;
}
} // namespace

std::vector<SPortReport> ScanComPorts(const std::vector<int>& ports, int ownPort) {
    std::vector<int> all;
    // Every name is tried: opening is the one test that tells free from busy anyway, and it also finds
    // ports whose driver does not register them under HARDWARE\DEVICEMAP\SERIALCOMM.
    for (int port = kFirstComPort; port <= kLastComPort && ports.empty(); ++port)
        all.push_back(port);
    std::vector<SPortReport> reports;
    for (int port : ports.empty() ? all : ports) {
        SPortReport report;
        report.port = port;
        report.state = EPortState::Busy;
        if (port != ownPort) report = CheckBounded(port);
        if (!ports.empty() || report.state != EPortState::Absent) reports.push_back(report);
    }
    return reports;
}
