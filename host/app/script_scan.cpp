// The commissioning commands: what is connected (scan) and what the host hears as it happens (monitor).
#include "script.h"

#include "changetext.h"
#include "hostclock.h"
#include "numbers.h"
#include "output.h"
#include "portscan.h"
#include "scanreport.h"
#include "scriptline.h"

#include <windows.h>

#include <algorithm>
#include <wctype.h>

namespace {
// The port of a connection text "m_iCOMPort=N;", 0 when it names none.
int ConnectionPort(const std::wstring& text) {
    const std::wstring key = L"m_iCOMPort=";
    size_t at = text.find(key);
    if (at == std::wstring::npos) return 0;
    std::string digits;
    for (size_t i = at + key.size(); i < text.size() && iswdigit(text[i]) && digits.size() < 4; ++i)
        digits += static_cast<char>(text[i]);
    long long port = 0;
    return ParseInteger(digits, kFirstComPort, kLastComPort, port) ? static_cast<int>(port) : 0;
}

// Ctrl+C on the console ends a monitor early instead of the host.
HANDLE g_hStopMonitor = nullptr;

BOOL WINAPI StopMonitor(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    SetEvent(g_hStopMonitor);
    return TRUE;
}

// "+1234 ms " (or "-20 ms " for what arrived before the start).
std::wstring Since(uint64_t at, uint64_t start) {
    long long ms = static_cast<long long>(at) - static_cast<long long>(start);
    return (ms < 0 ? L"" : L"+") + std::to_wstring(ms) + L" ms ";
}
} // namespace

bool CScriptRunner::Scan(const std::string& argument) {
    std::vector<int> ports;
    for (const std::string& word : ScriptWords(argument)) {
        long long port = 0;
        if (!ParseInteger(word, kFirstComPort, kLastComPort, port))
            return Fail(DMRC_BAD_ARGUMENT,
                        L"scan takes COM port numbers from " + std::to_wstring(kFirstComPort) + L" to " +
                            std::to_wstring(kLastComPort) + L", not '" + Widen(word) + L"'");
        ports.push_back(static_cast<int>(port));
    }
    // After a failed connect the device has closed the port again: it is probed like any other.
    PrintScan(ports, m_App.HoldsItsPorts() ? ConnectionPort(m_App.Session().ConnectionText()) : 0);
    return Ok();
}

bool CScriptRunner::Monitor(const std::string& argument) {
    long long seconds = 0;
    if (!ParseInteger(argument, 1, kMaxMonitorSeconds, seconds))
        return Fail(DMRC_BAD_ARGUMENT, L"monitor takes seconds from 1 to " +
                                           std::to_wstring(kMaxMonitorSeconds) + L", not '" +
                                           Widen(argument) + L"'");
    CQvHostDeviceManager& manager = m_App.Host().Manager();
    CModuleLog& log = m_App.Log();
    uint64_t start = HostClockMs(), deadline = start + static_cast<uint64_t>(seconds) * 1000;
    PrintLine(L"monitor: " + std::to_wstring(seconds) +
              L" s of change records and module log lines, each after the ms since this command started "
              L"(Ctrl+C ends it early)");
    g_hStopMonitor = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&StopMonitor, TRUE);
    HANDLE events[] = {manager.ChangeEvent(), log.Event(), g_hStopMonitor};
    DWORD eventCount = g_hStopMonitor ? 3 : 2;
    bool stopped = false;
    for (;;) {
        // What arrived, in the order it arrived.
        std::vector<std::pair<uint64_t, std::wstring>> lines;
        for (const SHostChange& change : manager.TakeChanges())
            lines.emplace_back(change.atMs,
                               DescribeChange(change, CHostSession::kMultiLaserId, CHostSession::kShutterId));
        size_t dropped = 0;
        for (const SModuleLogLine& line : log.Take(dropped))
            lines.emplace_back(line.atMs, L"log " + line.text);
        if (dropped)
            lines.emplace_back(HostClockMs(),
                               L"log (" + std::to_wstring(dropped) + L" more lines not shown)");
        std::stable_sort(lines.begin(), lines.end(),
                         [](const std::pair<uint64_t, std::wstring>& a,
                            const std::pair<uint64_t, std::wstring>& b) { return a.first < b.first; });
        for (const auto& line : lines)
            PrintLine(Since(line.first, start) + line.second);
        uint64_t now = HostClockMs();
        if (stopped || now >= deadline) break;
        DWORD woken = WaitForMultipleObjects(eventCount, events, FALSE, static_cast<DWORD>(deadline - now));
        stopped = woken == WAIT_OBJECT_0 + 2;
    }
    SetConsoleCtrlHandler(&StopMonitor, FALSE);
    if (g_hStopMonitor) CloseHandle(g_hStopMonitor);
    g_hStopMonitor = nullptr;
    if (stopped)
        PrintLine(L"monitor: ended by Ctrl+C after " + std::to_wstring(HostClockMs() - start) + L" ms");
    return Ok();
}
