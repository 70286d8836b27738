// The host application's session driving the real device (or the simulator) for the logical-device suites.
#pragma once

#include "devicehost.h"
#include "hostsession.h"
#include "tavosim_fixture.h"

#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>

#include <memory>
#include <string>
#include <vector>

// Two fitted lines on Dev1/ao0 (0-5 V) and Dev1/ao1 (1-3 V); the third position has no channel.
extern const wchar_t kTwoLineConfiguration[];

class LogicalHost {
public:
    LogicalHost();
    ~LogicalHost();

    // The real device on a simulated unit of that personality, with the NI-DAQmx stand-in.
    bool StartReal(const char* personality, const wchar_t* configuration = kTwoLineConfiguration);
    bool StartSimulator(const wchar_t* configuration);

    CQvAOMTAVO& device() const { return *dynamic_cast<CQvAOMTAVO*>(m_Host.Device()); }
    IQvPhysicalDevice& physical() const { return *m_Host.Device(); }
    IQvDeviceMultiLaser& laser() const { return *m_Session.MultiLaser(); }
    IQvDeviceShutter& shutter() const { return *m_Session.Shutter(); }
    CHostSession& session() { return m_Session; }
    CSettingsStore& store() { return m_Store; }
    tavosim_fixture::TavoSimUnit& unit() { return *m_pUnit; }

    // Unit commands sent since the last call ("cTSO2\r" ...); the poll's reads are left out.
    std::vector<std::string> TakeCommands();
    // Change records the host received, waiting (bounded) until one from that logical device is there.
    std::vector<SHostChange> TakeChanges();
    bool WaitForChange(uint32_t key, DWORD timeoutMs = 3000);
    // Pauses the status poll so that a test sees only the commands it caused. Commands and polls share
    // the worker: a no-op command returns only after any poll under way.
    void PausePoll() {
        device().m_iPollCountdown = -1;
        device().CallBack([](uint64_t, uint64_t, uint64_t) -> int32_t { return 0; }, 0, 0, 0, 0);
    }

private:
    CModuleHost m_Host;
    CSettingsStore m_Store;
    CHostSession m_Session{m_Host, m_Store};
    std::unique_ptr<tavosim_fixture::TavoSimUnit> m_pUnit;
    std::vector<SHostChange> m_Pending;
};

// The last voltage the NI-DAQmx stand-in received on a channel (NaN when none).
double LastVoltage(const char* channel);
// How many calls of that function the stand-in recorded.
int CallCount(const char* function);
// A control function of the stand-in, once the device has loaded it (null before).
template <class F> F FakeDaqmx(const char* name) {
    HMODULE library = GetModuleHandleW(L"nicaiu.dll");
    return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
void SetDaqFault(const char* function, int status);
