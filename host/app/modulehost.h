// Loading a device module, its class records, its version records and its physical device.
#pragma once

#include "devicemanager.h"

#include <qv/qvdevice.h>

#include <string>
#include <vector>

class CModuleHost {
public:
    CModuleHost();
    ~CModuleHost(); // releases the device, then unloads the module

    // Loads the module and takes the classes it registered. False with a reason on failure.
    bool Load(const std::wstring& path, std::wstring& error);
    const std::vector<std::string>& Classes() const { return m_Classes; }
    // The version records of the module file: key = value lines, then the simulator's class description.
    bool ReadVersionRecords(std::vector<std::wstring>& lines, std::wstring& error) const;

    bool Create(const std::string& className, std::wstring& error);
    IQvPhysicalDevice* Device() const { return m_pDevice; }
    void ReleaseDevice();

    CQvHostDeviceManager& Manager() { return m_Manager; }

private:
    std::wstring m_sPath;
    HMODULE m_hModule;
    std::vector<std::string> m_Classes;
    IQvInterface* m_pObject;
    IQvPhysicalDevice* m_pDevice;
    CQvHostDeviceManager m_Manager;
};
