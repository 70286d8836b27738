#include "hostapp.h"

#include "linenumbers.h"
#include "output.h"

CHostApp::CHostApp(const SHostOptions& options) : m_Options(options), m_Session(m_Host, m_Store) {}

CHostApp::~CHostApp() {
    std::wstring ignored; // nobody is left to tell
    Shutdown(ignored);
}

bool CHostApp::Start(bool persist, int& code, std::wstring& error) {
    m_bPersist = persist;
    if (persist && !m_Store.Load(m_Options.storePath, error)) {
        error += L"; nothing was changed: repair or remove it, or give another --store";
        code = DMRC_BAD_ARGUMENT;
        return false;
    }
    if (persist) AnnounceStore();
    m_Host.Manager().SetLogCommunication(m_Options.logComm);
    if (!m_Host.Load(m_Options.modulePath, error)) {
        code = DMRC_NO_DEVICE;
        return false;
    }
    return true;
}

void CHostApp::AnnounceStore() const {
    if (m_Store.Values().empty()) {
        PrintNote(L"the store is " + m_Options.storePath + L" (nothing stored yet)");
        return;
    }
    std::wstring keys;
    for (const auto& entry : m_Store.Values()) {
        keys += keys.empty() ? L"" : L", ";
        keys += entry.first;
        if (entry.first == CHostSession::kConnectionKey)
            keys += L" " + (entry.second.empty() ? std::wstring(L"(empty)") : entry.second);
    }
    PrintNote(L"the store is " + m_Options.storePath + L"; it holds settings of an earlier session (" + keys +
              L"): connect and configure without a text use them, --store names another");
}

bool CHostApp::Create(const std::string& className, std::wstring& error) {
    if (IsConnected()) {
        error = L"the device is connected: disconnect it first";
        return false;
    }
    return m_Host.Create(className, error);
}

std::wstring CHostApp::DefaultConnectionText() const {
    if (m_Options.comPort > 0) return L"m_iCOMPort=" + std::to_wstring(m_Options.comPort) + L";";
    return m_Store.Get(CHostSession::kConnectionKey);
}

bool CHostApp::Connect(const std::wstring* text) {
    std::wstring connection = text ? *text : DefaultConnectionText();
    long failures = m_Log.ConnectFailures();
    bool connected = m_Session.Connect(&connection);
    m_bConnectFailed = m_Log.ConnectFailures() != failures;
    return connected;
}

EDeviceManagerReturnCode CHostApp::Configure(const std::wstring* text, std::wstring& error) {
    EDeviceManagerReturnCode result = m_Session.Configure(text);
    if (result != DMRC_OK) return result;
    m_bWasConfigured = true;
    Save(error);
    return result;
}

EDeviceManagerReturnCode CHostApp::Reset() {
    // The logical devices go with a reset: their settings are taken before.
    m_Session.CollectSettings();
    return m_Session.Reset();
}

void CHostApp::Disconnect() {
    m_Session.CollectSettings();
    m_Session.Disconnect();
    m_bConnectFailed = false;
}

bool CHostApp::Save(std::wstring& error) {
    m_Session.CollectSettings();
    return !m_bPersist || m_Store.Save(error);
}

bool CHostApp::Shutdown(std::wstring& error) {
    bool saved = true;
    if (m_bWasConfigured) {
        saved = Save(error);
        m_bWasConfigured = false;
    }
    if (DeviceState() != 0) m_Session.Disconnect();
    m_Host.ReleaseDevice();
    return saved;
}

int CHostApp::DeviceState() const {
    return Device() ? Device()->GetDeviceState() : 0;
}

std::vector<int> CHostApp::UnitLines() const {
    // The empty positions are those of the configuration text the host keeps for the device.
    IQvDeviceMultiLaser* laser = m_Session.MultiLaser();
    uint32_t count = 0;
    if (!laser || laser->GetLineCount(&count) != DMRC_OK) return std::vector<int>();
    return UnitLinesOfVisibleLines(m_Store.Get(CHostSession::kConfigurationKey), count);
}

std::wstring CHostApp::ShutterText() const {
    bool open = false;
    if (!m_Session.Shutter() || m_Session.Shutter()->GetState(&open) != DMRC_OK) return L"-";
    return open ? L"open" : L"closed";
}
