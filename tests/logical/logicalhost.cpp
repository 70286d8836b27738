#include "logicalhost.h"

#include "fakedaqmx_control.h"

#include <qv/qvsystem.h>

#include <math.h>
#include <string.h>

const wchar_t kTwoLineConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
    L"5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    L"sLineName[0]=Blue;"
    L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  1.0;fValMax[1]=  "
    L"3.0;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;"
    L"sLineName[1]=Green;"
    L"bEmpty[2]=0;iIndex[2]=0;fValMin[2]=  0.0;fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;"
    L"sLineName[2]=Red;";

namespace {
int RecordMessageBox(HWND, const wchar_t*, const wchar_t*, UINT) {
    return IDOK;
}

template <class F> F Fake(const char* name) {
    HMODULE library = GetModuleHandleW(L"nicaiu.dll");
    return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
} // namespace

LogicalHost::LogicalHost() {
    QV_SetMessageBoxHandler(RecordMessageBox);
}

LogicalHost::~LogicalHost() {
    m_Session.Disconnect();
    m_Host.ReleaseDevice();
}

bool LogicalHost::StartReal(const char* personality, const wchar_t* configuration) {
    UseDaqVariant("full");
    tavosim_fixture::TavoSimOptions options;
    options.personality = personality;
    m_pUnit.reset(new tavosim_fixture::TavoSimUnit(options));
    std::wstring error;
    if (!m_pUnit->ok() || !m_Host.Load(ModuleUnderTest(), error) ||
        !m_Host.Create("CQvAOMTAVO", error))
        return false;
    std::wstring connection = L"m_iCOMPort=" + std::to_wstring(m_pUnit->com_port()) + L";";
    std::wstring text = configuration;
    return m_Session.Connect(&connection) && m_Session.Configure(&text) == DMRC_OK;
}

bool LogicalHost::StartSimulator(const wchar_t* configuration) {
    std::wstring error;
    if (!m_Host.Load(ModuleUnderTest(), error) ||
        !m_Host.Create("CQvAOMTAVOSim", error))
        return false;
    std::wstring connection, text = configuration;
    return m_Session.Connect(&connection) && m_Session.Configure(&text) == DMRC_OK;
}

std::vector<std::string> LogicalHost::TakeCommands() {
    std::vector<std::string> commands;
    for (const std::string& line : m_pUnit->transcript())
        if (line.compare(0, 5, "RX \"c") == 0) commands.push_back(line.substr(4, line.size() - 5));
    m_pUnit->clear_transcript();
    return commands;
}

std::vector<SHostChange> LogicalHost::TakeChanges() {
    std::vector<SHostChange> changes = m_Host.Manager().TakeChanges();
    changes.insert(changes.begin(), m_Pending.begin(), m_Pending.end());
    m_Pending.clear();
    return changes;
}

bool LogicalHost::WaitForChange(uint32_t key, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::vector<SHostChange> more = m_Host.Manager().TakeChanges();
        m_Pending.insert(m_Pending.end(), more.begin(), more.end());
        for (const SHostChange& c : m_Pending)
            if (c.key == key) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        WaitForSingleObject(m_Host.Manager().ChangeEvent(), static_cast<DWORD>(deadline - now));
    }
}

double LastVoltage(const char* channel) {
    double volts = NAN;
    auto get = Fake<int32(DAQMX_CFUNC*)(const char*, double*)>("fakedaqmx_GetLastVoltage");
    if (!get || get(channel, &volts) != 1) return NAN;
    return volts;
}

int CallCount(const char* function) {
    auto log = Fake<int32(DAQMX_CFUNC*)(char*, uInt32)>("fakedaqmx_GetCallLog");
    if (!log) return -1;
    int32 size = log(nullptr, 0);
    std::string text(static_cast<size_t>(size > 0 ? size : 1), '\0');
    log(&text[0], static_cast<uInt32>(text.size()));
    int count = 0;
    std::string needle = std::string(function) + "(";
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        if (at == 0 || text[at - 1] == '\n') ++count;
    return count;
}

void SetDaqFault(const char* function, int status) {
    if (auto fault = Fake<int32(DAQMX_CFUNC*)(const char*, const char*, int32)>("fakedaqmx_SetFault"))
        fault(function, nullptr, status);
}
