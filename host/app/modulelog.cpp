#include "modulelog.h"

#include "hostclock.h"
#include "output.h"

#include <qv/qvlog.h>

#include <wchar.h>

CModuleLog::CModuleLog() : m_hEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    QV_LogSetListener(&CModuleLog::Listen, this);
}

CModuleLog::~CModuleLog() {
    QV_LogSetListener(nullptr, this);
    if (m_hEvent) CloseHandle(m_hEvent);
}

bool CModuleLog::Shown(const wchar_t* message, bool detail) {
    return !detail || wcsncmp(message, L"ERROR", 5) == 0 || wcsncmp(message, L"WARNING", 7) == 0 ||
           wcsncmp(message, L"ASSERT", 6) == 0;
}

void CModuleLog::Listen(const wchar_t* message, void* context) {
    CModuleLog* self = static_cast<CModuleLog*>(context);
    if (message && wcsncmp(message, L"ERROR: ", 7) == 0 &&
        wcsstr(message, L"::ConnectDevice - cannot connect"))
        InterlockedIncrement(&self->m_lConnectFailures);
    if (!message || !Shown(message, CQvLogFile::Detail())) return;
    SModuleLogLine line;
    line.atMs = HostClockMs();
    line.text = message;
    {
        std::lock_guard<CHostLock> lock(self->m_Mutex);
        if (self->m_Lines.size() < kMaxHeld)
            self->m_Lines.push_back(line);
        else
            ++self->m_uDropped;
    }
    if (self->m_hEvent) SetEvent(self->m_hEvent);
}

std::vector<SModuleLogLine> CModuleLog::Take(size_t& dropped) {
    std::lock_guard<CHostLock> lock(m_Mutex);
    std::vector<SModuleLogLine> lines;
    lines.swap(m_Lines);
    dropped = m_uDropped;
    m_uDropped = 0;
    return lines;
}

void CModuleLog::Print() {
    size_t dropped = 0;
    for (const SModuleLogLine& line : Take(dropped))
        PrintLine(L"log " + line.text);
    if (dropped) PrintLine(L"log (" + std::to_wstring(dropped) + L" more lines not shown)");
}
