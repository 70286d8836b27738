// A device as the host application holds it: made by the host's own module host, driven through the host's
// session, its changes taken by the host's device manager; for the real device, a simulated unit on a COM
// port and the NI-DAQmx stand-in. The module is linked into the suite itself.
#pragma once

#include "hostsession.h"
#include "moduleloader.h"
#include "standin.h"
#include "tavosim_unit.h"

#include <aomtavodevice.h>
#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>

#include <functional>
#include <memory>
#include <string.h>
#include <string>
#include <vector>

// Makes LoadLibraryW(L"nicaiu.dll") find the named stand-in variant (full, v80, v7, noversion, missing,
// none).
void UseDaqVariant(const char* variant);

// Two fitted lines on Dev1/ao0 (0-5 V) and Dev1/ao1 (1-3 V); the third position has no channel.
extern const wchar_t kTwoLineConfiguration[];

class DeviceHost {
public:
    explicit DeviceHost(const char* className = "CQvAOMTAVOSim");
    ~DeviceHost();

    CQvAOMTAVO* operator->() const { return &device(); }
    CQvAOMTAVO& device() const { return *dynamic_cast<CQvAOMTAVO*>(m_Host.Device()); }
    IQvPhysicalDevice& physical() const { return *m_Host.Device(); }
    IQvDeviceMultiLaser& laser() const { return *m_Session.MultiLaser(); }
    IQvDeviceShutter& shutter() const { return *m_Session.Shutter(); }
    CQvHostDeviceManager& manager() { return m_Host.Manager(); }
    CHostSession& session() { return m_Session; }
    tavosim_unit::TavoSimUnit& unit() { return *m_pUnit; }

    // A simulated unit of that personality, with the full NI-DAQmx stand-in.
    bool StartUnit(const char* personality);
    // The real device on a new unit, or the simulator, connected and configured through the session.
    bool StartReal(const char* personality, const wchar_t* configuration = kTwoLineConfiguration);
    bool StartSimulator(const wchar_t* configuration = L"");

    // "m_iCOMPort=<port>;" with the unit's port (0 without a unit).
    std::wstring Connection() const;
    // Connects through the session and reports whether the device ended connected.
    bool Connect() { return Connect(m_pUnit ? m_pUnit->com_port() : 0); }
    bool Connect(int comPort);
    // ConfigureDevice itself, with host id 1: the list receives the logical devices, the host knows none.
    EDeviceManagerReturnCode Configure(const wchar_t* text = L"");
    SQvLogicalDeviceList& list() { return m_List; }
    void Listen(); // sets the host's change callback, as the session's configure does

    // Change records the host received since the last take.
    std::vector<SHostChange> TakeChanges();
    // Waits (bounded) until a record of that logical device is there to take.
    bool WaitForChange(uint32_t key, DWORD timeoutMs = 3000);
    // The latest record received from a logical device (null when none).
    const SHostChange* Latest(uint32_t key) const;
    // The host's view of the unit from the latest records: "used 0 1 0 open 1" ("?" for a device not heard).
    std::string View() const;
    bool WaitForView(const std::string& view, DWORD timeoutMs = 5000);
    // Waits (bounded) until the condition holds, taking the host's change records as they arrive.
    bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);

    // Unit commands received since the last call ("cTSO2\r" ...); the poll's reads are left out.
    std::vector<std::string> TakeCommands();
    // Pauses the status poll so that a test sees only the commands it caused. Commands and polls share
    // the worker: a no-op command returns only after any poll under way.
    void PausePoll();

    // Message boxes the module showed; they are recorded, never shown, so that no test waits for a person.
    static std::vector<std::wstring>& messages();
    static std::vector<DWORD>& messageThreads(); // the thread that showed each
    static std::vector<std::wstring>& captions();

private:
    void Receive();

    CModuleHost m_Host;
    CSettingsStore m_Store;
    CHostSession m_Session{m_Host, m_Store};
    std::unique_ptr<tavosim_unit::TavoSimUnit> m_pUnit;
    SQvLogicalDeviceList m_List;
    std::vector<SHostChange> m_Received;
    size_t m_uTaken = 0;
};

// A value in a change record's data.
template <class T> T DataAt(const SHostChange& change, size_t offset) {
    T value;
    memcpy(&value, change.data.data() + offset, sizeof value);
    return value;
}

// Waits (bounded) for a condition that no event announces, such as a log line or the device's state.
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done);
// The device's connection dialog once its list of ports is filled, as a person waits for it (10 s at most);
// null when it did not come.
HWND WaitForFilledConnectionDialog();
// Runs the action on a thread of its own; a device that hangs ends the test process instead of the run.
void Within(DWORD timeoutMs, const char* what, const std::function<void()>& action);

