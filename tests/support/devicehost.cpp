#include "devicehost.h"

#include <qv/qvsystem.h>

void UseDaqVariant(const char* variant) {
    SetDllDirectoryW(FakeDaqmxDir(variant).c_str());
}

namespace {
int RecordMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) {
    DeviceHost::messages().push_back(text ? text : L"");
    DeviceHost::captions().push_back(caption ? caption : L"");
    return IDOK;
}
} // namespace

std::vector<std::wstring>& DeviceHost::messages() {
    static std::vector<std::wstring> shown;
    return shown;
}

std::vector<std::wstring>& DeviceHost::captions() {
    static std::vector<std::wstring> shown;
    return shown;
}

DeviceHost::DeviceHost(const char* factory) : m_pObject(m_Module.Make(factory)), m_pDevice(nullptr) {
    m_Manager.Install();
    QV_SetMessageBoxHandler(RecordMessageBox);
    if (m_pObject) m_pDevice = dynamic_cast<CQvAOMTAVO*>(m_pObject);
}

DeviceHost::~DeviceHost() {
    if (m_pDevice) m_pDevice->DisconnectDevice();
    if (m_pObject) m_pObject->GetClassObject()->Release();
}

void DeviceHost::Listen() {
    m_pDevice->SetChangeCallback(&CQvHostDeviceManager::ChangeCallback,
                                 reinterpret_cast<uintptr_t>(&m_Manager));
}

bool DeviceHost::WaitForChanges(const std::function<bool(const std::vector<SHostChange>&)>& done,
                                DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::vector<SHostChange> more = m_Manager.TakeChanges();
        m_Changes.insert(m_Changes.end(), more.begin(), more.end());
        if (done(m_Changes)) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        WaitForSingleObject(m_Manager.ChangeEvent(), static_cast<DWORD>(deadline - now));
    }
}

bool DeviceHost::Connect(int comPort) {
    std::wstring text = L"m_iCOMPort=" + std::to_wstring(comPort) + L";";
    m_pDevice->ConnectDevice(text.c_str());
    return m_pDevice->m_bConnected;
}

EDeviceManagerReturnCode DeviceHost::Configure(const wchar_t* text) {
    return m_pDevice->ConfigureDevice(text, 1, m_List);
}
