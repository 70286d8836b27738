// How the host drives one physical device: the order of calls, the ids and keys it gives the logical
// devices, and the settings texts it keeps for the device and for each logical device.
#pragma once

#include "modulehost.h"
#include "settingsstore.h"

#include <string>

class CHostSession {
public:
    static constexpr uint32_t kPhysDevId = 1;
    static constexpr uint32_t kMultiLaserId = 101;
    static constexpr uint32_t kShutterId = 102;
    static const wchar_t* const kMultiLaserKey;
    static const wchar_t* const kShutterKey;
    static const wchar_t* const kConnectionKey;
    static const wchar_t* const kConfigurationKey;

    CHostSession(CModuleHost& host, CSettingsStore& store) : m_Host(host), m_Store(store) {}

    // ConnectDevice with the text, or the stored connection text when text is null. Whether the unit
    // answered shows only at the next configure. False when there is no device.
    bool Connect(const std::wstring* text);
    // ConfigureDevice with the text (or the stored one). On success the logical devices get their ids,
    // keys and stored settings, the host starts listening to changes, and the connection and
    // configuration texts are stored.
    EDeviceManagerReturnCode Configure(const std::wstring* text);
    // Collects the settings texts of the logical devices into the store (not yet written to its file).
    void CollectSettings();
    EDeviceManagerReturnCode Reset();
    // A connect was made and not undone (state not 0); the real host knows no more than that.
    bool IsConnected() const;
    bool IsConfigured() const { return m_pMultiLaser || m_pShutter; }
    void Disconnect();

    // The text of the last connect.
    const std::wstring& ConnectionText() const { return m_sConnection; }
    IQvDeviceMultiLaser* MultiLaser() const { return m_pMultiLaser; }
    IQvDeviceShutter* Shutter() const { return m_pShutter; }

private:
    CModuleHost& m_Host;
    CSettingsStore& m_Store;
    SQvLogicalDeviceList m_List;
    std::wstring m_sConnection; // of the last connect
    IQvDeviceMultiLaser* m_pMultiLaser = nullptr;
    IQvDeviceShutter* m_pShutter = nullptr;
};
