// The host application's state for one run: the module, the device, the store and the order of calls
// the real host follows (create, connect, configure, use, disconnect, release; settings texts saved
// after configuration and at exit).
#pragma once

#include "hostsession.h"
#include "modulehost.h"
#include "modulelog.h"
#include "options.h"
#include "settingsstore.h"

#include <string>
#include <vector>

class CHostApp {
public:
    explicit CHostApp(const SHostOptions& options);
    ~CHostApp(); // shuts down as well

    // Loads the store (when persist; otherwise the store lives in memory only; standard error tells which
    // store it is and whether it holds settings of an earlier session) and the module. False with a
    // result code and a reason.
    bool Start(bool persist, int& code, std::wstring& error);

    // Refused while a device is connected: the real host releases a device only after disconnecting it.
    bool Create(const std::string& className, std::wstring& error);
    // text null: --com's text, else the stored one.
    bool Connect(const std::wstring* text);
    bool IsConnected() const { return m_Session.IsConnected(); }
    // Connected, and the device did not report the connect as failed: it holds its COM port and NI-DAQ
    // channels (after a failed connect it has closed them, in the same state).
    bool HoldsItsPorts() const { return IsConnected() && !m_bConnectFailed; }
    // On success the settings texts are collected and the store is written (error says when it was not).
    EDeviceManagerReturnCode Configure(const std::wstring* text, std::wstring& error);
    EDeviceManagerReturnCode Reset();
    void Disconnect();
    // Collects the settings texts and writes the store.
    bool Save(std::wstring& error);
    // Saves when a device was configured in this run, disconnects and releases the device. False when the
    // store could not be written.
    bool Shutdown(std::wstring& error);

    int DeviceState() const;
    // "open", "closed", or "-" while no shutter is configured.
    std::wstring ShutterText() const;
    std::wstring DefaultConnectionText() const;
    // The unit's line (1 to 3) of each visible line of the configured multi-laser; empty when unknown.
    std::vector<int> UnitLines() const;

    IQvPhysicalDevice* Device() const { return m_Host.Device(); }
    CModuleHost& Host() { return m_Host; }
    CHostSession& Session() { return m_Session; }
    CSettingsStore& Store() { return m_Store; }
    const SHostOptions& Options() const { return m_Options; }
    CModuleLog& Log() { return m_Log; }

private:
    void AnnounceStore() const;

    const SHostOptions& m_Options;
    CModuleLog m_Log; // before the module: it hears the module until the module is gone
    CModuleHost m_Host;
    CSettingsStore m_Store;
    CHostSession m_Session;
    bool m_bPersist = false;
    bool m_bWasConfigured = false;
    bool m_bConnectFailed = false;
};
