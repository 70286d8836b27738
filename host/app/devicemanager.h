// The host application's device manager: the logical devices it knows, the change records it received
// and the macro texts handed to its command protocol.
#pragma once

#include <qv/qvdevice.h>
#include <qv/qvdmapi.h>

#include <functional>
#include "hostlock.h"

#include <mutex>
#include <string>
#include <vector>

struct SHostLogicalDevice {
    unsigned int id = 0;
    std::wstring key;
    unsigned int physDevId = 0;
    bool visible = true;
    bool active = true;
    IQvLogicalDevice* device = nullptr;
    IQvDeviceShutter* shutter = nullptr; // set when the device is a shutter
};

// One entry of a change record as the host received it.
struct SHostChange {
    uint32_t key = 0;
    uint32_t kind = 0;
    uint32_t subKind = 0;
    std::vector<uint8_t> data;
    uint64_t atMs = 0; // HostClockMs when the host received it
};

class CQvHostDeviceManager : public IQvDeviceManagerHost {
public:
    CQvHostDeviceManager();
    ~CQvHostDeviceManager() override;

    // Installs this manager behind DMApi (and removes it again in the destructor).
    void Install();

    unsigned int AddLogicalDevice(const SHostLogicalDevice& device); // returns the id given
    void RemoveLogicalDevices(unsigned int physDevId);
    const SHostLogicalDevice* FindLogicalDevice(unsigned int id) const;
    void SetLogCommunication(bool on) { m_bLogCommunication = on; }
    void SetPhysDevConfigure(std::function<bool(unsigned int, HWND)> configure) { m_Configure = configure; }

    // What the host received since the last call.
    std::vector<std::wstring> TakeMacros();
    std::vector<SHostChange> TakeChanges();
    size_t PendingChanges();
    int PhysicalDeviceChangedCount() const { return m_iPhysicalDeviceChanged; }
    int RefreshCount() const { return m_iRefresh; }
    // Signalled whenever a change record arrives, so that waiting for one needs no polling.
    HANDLE ChangeEvent() const { return m_hChangeEvent; }

    // The change callback the host gives its physical devices; the context is the manager.
    static int64_t ChangeCallback(uint32_t kind, SQvDMChangeRecord* record, uint64_t context);

    // IQvDeviceManagerHost
    unsigned int LogDevCount() override;
    unsigned int LogDevId(unsigned int index) override;
    const wchar_t* LogDevKey(unsigned int id) override;
    unsigned int LogDevPhysDevId(unsigned int id) override;
    bool LogDevVisible(unsigned int id) override;
    bool LogDevActive(unsigned int id, bool checkPhysical) override;
    bool PhysDevConfigure(unsigned int physDevId, HWND parent) override;
    void Refresh() override;
    bool ShutterState(unsigned int id, bool fromDevice) override;
    const wchar_t* ShutterToolbarName(unsigned int id, bool shortName) override;
    int LogCommunication() override;
    int ProtocolCommand(const wchar_t* text) override;
    void PhysicalDeviceChanged() override;
    void RecreateDevicePopupMenu() override;
    int ShowShutterDialog(unsigned int id, HWND parent) override;

private:
    mutable CHostLock m_Mutex;
    std::vector<SHostLogicalDevice> m_Devices;
    unsigned int m_uNextId;
    bool m_bLogCommunication;
    bool m_bInstalled;
    std::function<bool(unsigned int, HWND)> m_Configure;
    std::vector<std::wstring> m_Macros;
    std::vector<SHostChange> m_Changes;
    int m_iPhysicalDeviceChanged;
    int m_iRefresh = 0;
    HANDLE m_hChangeEvent;
};
