#include "hostsession.h"

const wchar_t* const CHostSession::kMultiLaserKey = L"AOMTAVO_MultiLaser";
const wchar_t* const CHostSession::kShutterKey = L"TAVO";
const wchar_t* const CHostSession::kConnectionKey = L"connection";
const wchar_t* const CHostSession::kConfigurationKey = L"configuration";

bool CHostSession::IsConnected() const {
    return m_Host.Device() && m_Host.Device()->GetDeviceState() != 0;
}

bool CHostSession::Connect(const std::wstring* text) {
    IQvPhysicalDevice* device = m_Host.Device();
    if (!device) return false;
    // The interface cannot tell whether the unit answered (the result and the state are the same either
    // way); the configure that follows does. The text is kept once a configure has proved it.
    m_sConnection = text ? *text : m_Store.Get(kConnectionKey);
    device->ConnectDevice(m_sConnection.c_str());
    return IsConnected();
}

EDeviceManagerReturnCode CHostSession::Configure(const std::wstring* text) {
    IQvPhysicalDevice* device = m_Host.Device();
    if (!device) return DMRC_NO_DEVICE;
    std::wstring configuration = text ? *text : m_Store.Get(kConfigurationKey);
    EDeviceManagerReturnCode result = device->ConfigureDevice(configuration.c_str(), kPhysDevId, m_List);
    if (result != DMRC_OK) return result;
    m_Store.Set(kConfigurationKey, configuration);
    m_Store.Set(kConnectionKey, m_sConnection);
    CQvHostDeviceManager& manager = m_Host.Manager();
    manager.RemoveLogicalDevices(kPhysDevId);
    m_pMultiLaser = nullptr;
    m_pShutter = nullptr;
    for (int i = 0; i < m_List.GetCount(); ++i) {
        IQvLogicalDevice* logical = m_List.GetAt(i);
        CQvStringW kind;
        logical->GetInterfaceName(kind);
        SHostLogicalDevice entry;
        entry.physDevId = kPhysDevId;
        entry.device = logical;
        if (kind == L"IDeviceMultiLaser" && !m_pMultiLaser) {
            m_pMultiLaser = static_cast<IQvDeviceMultiLaser*>(logical);
            entry.id = kMultiLaserId;
            entry.key = kMultiLaserKey;
        } else if (kind == L"IDeviceShutter" && !m_pShutter) {
            m_pShutter = static_cast<IQvDeviceShutter*>(logical);
            entry.shutter = m_pShutter;
            entry.id = kShutterId;
            entry.key = kShutterKey;
        } else {
            continue; // a kind this host does not drive
        }
        manager.AddLogicalDevice(entry);
        logical->LoadSettings(m_Store.Get(entry.key).c_str(), entry.id);
    }
    device->SetChangeCallback(&CQvHostDeviceManager::ChangeCallback, reinterpret_cast<uintptr_t>(&manager));
    return DMRC_OK;
}

void CHostSession::CollectSettings() {
    if (m_pMultiLaser) {
        CQvStringW text;
        m_pMultiLaser->SaveSettings(text);
        m_Store.Set(kMultiLaserKey, text.GetString());
    }
    if (m_pShutter) {
        CQvStringW text;
        m_pShutter->SaveSettings(text);
        m_Store.Set(kShutterKey, text.GetString());
    }
}

EDeviceManagerReturnCode CHostSession::Reset() {
    IQvPhysicalDevice* device = m_Host.Device();
    if (!device) return DMRC_NO_DEVICE;
    EDeviceManagerReturnCode result = device->ResetDevice(m_List);
    if (result == DMRC_RESET_OK) {
        m_Host.Manager().RemoveLogicalDevices(kPhysDevId);
        m_pMultiLaser = nullptr;
        m_pShutter = nullptr;
    }
    return result;
}

void CHostSession::Disconnect() {
    if (IQvPhysicalDevice* device = m_Host.Device()) device->DisconnectDevice();
    m_Host.Manager().RemoveLogicalDevices(kPhysDevId);
    m_pMultiLaser = nullptr;
    m_pShutter = nullptr;
}
