#include "devicehost.h"

#include "fakedaqmx_control.h"

#include <qv/qvserial.h>
#include <qv/qvsystem.h>

#include <math.h>
#include <stdio.h>
#include "testthread.h"

const wchar_t kTwoLineConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
    L"5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    L"sLineName[0]=Blue;"
    L"bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  1.0;fValMax[1]=  "
    L"3.0;fValLambda[1]=561.0;sChannel_Name[1]=Dev1/ao1;"
    L"sLineName[1]=Green;"
    L"bEmpty[2]=0;iIndex[2]=0;fValMin[2]=  0.0;fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;"
    L"sLineName[2]=Red;";

void UseDaqVariant(const char* variant) {
    SetDllDirectoryW(FakeDaqmxDir(variant).c_str());
}

namespace {
int RecordMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) {
    DeviceHost::messageThreads().push_back(GetCurrentThreadId());
    DeviceHost::messages().push_back(text ? text : L"");
    DeviceHost::captions().push_back(caption ? caption : L"");
    return IDOK;
}
} // namespace

std::vector<DWORD>& DeviceHost::messageThreads() {
    static std::vector<DWORD> threads;
    return threads;
}

std::vector<std::wstring>& DeviceHost::messages() {
    static std::vector<std::wstring> shown;
    return shown;
}

std::vector<std::wstring>& DeviceHost::captions() {
    static std::vector<std::wstring> shown;
    return shown;
}

DeviceHost::DeviceHost(const char* className) {
    QV_SetMessageBoxHandler(RecordMessageBox);
    std::wstring error;
    m_Host.Load(ModuleUnderTest(), error);
    m_Host.Create(className, error);
}

DeviceHost::~DeviceHost() {
    m_Session.Disconnect();
    m_Host.ReleaseDevice();
}

bool DeviceHost::StartUnit(const char* personality) {
    UseDaqVariant("full");
    tavosim_unit::TavoSimOptions options;
    options.personality = personality;
    m_pUnit.reset(new tavosim_unit::TavoSimUnit(options));
    return m_pUnit->ok();
}

bool DeviceHost::StartReal(const char* personality, const wchar_t* configuration) {
    std::wstring error, text = configuration;
    return StartUnit(personality) && m_Host.Create("CQvAOMTAVO", error) && Connect() &&
           m_Session.Configure(&text) == DMRC_OK;
}

bool DeviceHost::StartSimulator(const wchar_t* configuration) {
    std::wstring text = configuration;
    return Connect() && m_Session.Configure(&text) == DMRC_OK;
}

std::wstring DeviceHost::Connection() const {
    return L"m_iCOMPort=" + std::to_wstring(m_pUnit ? m_pUnit->com_port() : 0) + L";";
}

bool DeviceHost::Connect(int comPort) {
    std::wstring text = L"m_iCOMPort=" + std::to_wstring(comPort) + L";";
    m_Session.Connect(&text);
    return device().m_bConnected;
}

EDeviceManagerReturnCode DeviceHost::Configure(const wchar_t* text) {
    return physical().ConfigureDevice(text, CHostSession::kPhysDevId, m_List);
}

void DeviceHost::Listen() {
    physical().SetChangeCallback(&CQvHostDeviceManager::ChangeCallback,
                                 reinterpret_cast<uintptr_t>(&manager()));
}

void DeviceHost::Receive() {
    std::vector<SHostChange> more = manager().TakeChanges();
    m_Received.insert(m_Received.end(), more.begin(), more.end());
}

std::vector<SHostChange> DeviceHost::TakeChanges() {
    Receive();
    std::vector<SHostChange> taken(m_Received.begin() + static_cast<long>(m_uTaken), m_Received.end());
    m_uTaken = m_Received.size();
    return taken;
}

bool DeviceHost::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    for (ULONGLONG deadline = GetTickCount64() + timeoutMs;;) {
        Receive();
        if (done()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        WaitForSingleObject(manager().ChangeEvent(), static_cast<DWORD>(deadline - now));
    }
}

bool DeviceHost::WaitForChange(uint32_t key, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            for (size_t i = m_uTaken; i < m_Received.size(); ++i)
                if (m_Received[i].key == key) return true;
            return false;
        },
        timeoutMs);
}

const SHostChange* DeviceHost::Latest(uint32_t key) const {
    for (auto it = m_Received.rbegin(); it != m_Received.rend(); ++it)
        if (it->key == key) return &*it;
    return nullptr;
}

std::string DeviceHost::View() const {
    std::string laser = "?", shutter = "?";
    if (const SHostChange* c = Latest(CHostSession::kMultiLaserId))
        laser =
            std::to_string(c->data[4]) + " " + std::to_string(c->data[5]) + " " + std::to_string(c->data[6]);
    if (const SHostChange* c = Latest(CHostSession::kShutterId)) shutter = std::to_string(c->data[0]);
    return "used " + laser + " open " + shutter;
}

bool DeviceHost::WaitForView(const std::string& view, DWORD timeoutMs) {
    return WaitFor([&] { return View() == view; }, timeoutMs);
}

std::vector<std::string> DeviceHost::TakeCommands() {
    std::vector<std::string> commands;
    for (const std::string& line : m_pUnit->transcript())
        if (line.compare(0, 5, "RX \"c") == 0) commands.push_back(line.substr(4, line.size() - 5));
    m_pUnit->clear_transcript();
    return commands;
}

void DeviceHost::PausePoll() {
    device().m_iPollCountdown = -1;
    device().CallBack([](uint64_t, uint64_t, uint64_t) -> int32_t { return 0; }, 0, 0, 0, 0);
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done) {
    for (ULONGLONG deadline = GetTickCount64() + timeoutMs; !done(); Sleep(10))
        if (GetTickCount64() >= deadline) return false;
    return true;
}

void Within(DWORD timeoutMs, const char* what, const std::function<void()>& action) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TestThread runner([&] {
        action();
        SetEvent(done);
    });
    if (WaitForSingleObject(done, timeoutMs) != WAIT_OBJECT_0) {
        fprintf(stderr, "%s did not finish within %lu ms: the device hangs\n", what, timeoutMs);
        fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    runner.join();
    CloseHandle(done);
}

HWND WaitForFilledConnectionDialog() {
    HWND dialog = nullptr;
    bool filled = WaitUntil(10000, [&] {
        dialog = FindWindowW(L"#32770", QV_SERIAL_DIALOG_CAPTION);
        return dialog && SendDlgItemMessageW(dialog, QV_SERIAL_DIALOG_PORTS, CB_GETCOUNT, 0, 0) > 0;
    });
    return filled ? dialog : nullptr;
}
