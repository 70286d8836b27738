// The lines of the framework's log that the host shows its user: as the host it owns the log, so it can
// say why a command failed without a log file.
//
// With --log-detail off the module writes only what matters whatever the detail (errors, warnings,
// time-outs, the line to the unit coming back), and all of it is shown; with detail on only the lines that
// begin with "ERROR", "WARNING" or "ASSERT" are, the rest goes to the log file.
#pragma once

#include <windows.h>

#include "hostlock.h"

#include <mutex>
#include <stdint.h>
#include <string>
#include <vector>

struct SModuleLogLine {
    uint64_t atMs = 0; // HostClockMs when it was written
    std::wstring text;
};

class CModuleLog {
public:
    // At most this many lines are held between two takes; more are counted, not kept.
    static const size_t kMaxHeld = 1000;

    CModuleLog();  // starts listening to the log
    ~CModuleLog(); // stops
    CModuleLog(const CModuleLog&) = delete;
    CModuleLog& operator=(const CModuleLog&) = delete;

    // The lines held since the last take; dropped counts those that did not fit.
    std::vector<SModuleLogLine> Take(size_t& dropped);
    // Signalled when a line arrives.
    HANDLE Event() const { return m_hEvent; }
    // Prints the held lines as "log <text>".
    void Print();

    static bool Shown(const wchar_t* message, bool detail);
    // How many failed connects the device has reported ("ERROR: ...ConnectDevice - cannot connect: ..."):
    // the interface answers a failed connect as a good one, and only this line tells them apart.
    long ConnectFailures() const { return m_lConnectFailures; }

private:
    static void Listen(const wchar_t* message, void* context);

    CHostLock m_Mutex;
    std::vector<SModuleLogLine> m_Lines;
    size_t m_uDropped = 0;
    volatile long m_lConnectFailures = 0;
    HANDLE m_hEvent;
};
