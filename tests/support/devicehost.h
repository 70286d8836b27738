// A device as the host application holds it: made through the module's factory, with the host's device
// manager installed and listening to its changes.
#pragma once

#include "devicemanager.h"
#include "moduleloader.h"

#include <aomtavodevice.h>

#include <functional>
#include <string>
#include <vector>

// Makes LoadLibraryW(L"nicaiu.dll") find the named stand-in variant (full, v80, v7, noversion, missing,
// none).
void UseDaqVariant(const char* variant);

class DeviceHost {
public:
    explicit DeviceHost(const char* factory = "QV_ConstructorForCQvAOMTAVOSim");
    ~DeviceHost();

    CQvAOMTAVO* operator->() const { return m_pDevice; }
    CQvAOMTAVO& device() const { return *m_pDevice; }
    CQvHostDeviceManager& manager() { return m_Manager; }

    void Listen(); // sets the host's change callback
    // Waits (bounded) until the changes received so far satisfy the predicate.
    bool WaitForChanges(const std::function<bool(const std::vector<SHostChange>&)>& done, DWORD timeoutMs);
    std::vector<SHostChange>& changes() { return m_Changes; }

    // Connects with "m_iCOMPort=<port>;" and reports whether the device ended connected.
    bool Connect(int comPort = 0);
    // ConfigureDevice with the given text and host id 1; the list receives the logical devices.
    EDeviceManagerReturnCode Configure(const wchar_t* text = L"");
    SQvLogicalDeviceList& list() { return m_List; }
    // Message boxes the module showed; they are recorded, never shown, so that no test waits for a person.
    static std::vector<std::wstring>& messages();
    static std::vector<std::wstring>& captions();

private:
    LoadedModule m_Module;
    CQvHostDeviceManager m_Manager;
    IQvInterface* m_pObject;
    CQvAOMTAVO* m_pDevice;
    std::vector<SHostChange> m_Changes;
    SQvLogicalDeviceList m_List;
};
