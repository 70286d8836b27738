// The module as the host loads it: by file name at run time, devices made through its factories. A suite
// that links the module's objects in (to reach its internals) loads itself instead of the DLL, so that one
// copy of the module's code and globals is in play.
#pragma once

#include <qv/qvclass.h>
#include <qv/qvdevice.h>

#include <windows.h>

#include <string>

// Path of a file beside the running test executable.
std::wstring BesideExecutable(const wchar_t* name);
// The test executable itself when it contains the module, else w32_device_aomtavo.dll beside it.
std::wstring ModuleUnderTest();

class LoadedModule {
public:
    LoadedModule();
    ~LoadedModule();
    HMODULE Handle() const { return m_hModule; }
    // A new device made by the named factory; the caller owns one reference.
    IQvInterface* Make(const char* factory) const;

private:
    HMODULE m_hModule;
};

// Owns one reference to a device made by a factory and releases it at the end of the scope.
class DeviceRef {
public:
    explicit DeviceRef(IQvInterface* object) : m_pObject(object) {}
    ~DeviceRef() {
        if (m_pObject) m_pObject->GetClassObject()->Release();
    }
    DeviceRef(const DeviceRef&) = delete;
    DeviceRef& operator=(const DeviceRef&) = delete;
    IQvInterface* get() const { return m_pObject; }
    CQvClass* counted() const { return m_pObject->GetClassObject(); }
    IQvPhysicalDevice* device() const { return dynamic_cast<IQvPhysicalDevice*>(m_pObject); }

private:
    IQvInterface* m_pObject;
};

// Folder of a stand-in NI-DAQmx variant (full, v80, v7, noversion, missing, none) in the build tree.
std::wstring FakeDaqmxDir(const char* variant);

// The NI-DAQmx stand-in's boards and faults for each load of it from now on, in this process and the programs
// the test starts (FAKEDAQMX_SCENARIO), from a file of its own; a null text leaves it its default board.
class DaqScenario {
public:
    explicit DaqScenario(const char* text);
    ~DaqScenario();
    DaqScenario(const DaqScenario&) = delete;
    DaqScenario& operator=(const DaqScenario&) = delete;
    bool Written() const { return m_bWritten; }

private:
    std::wstring m_sPath;
    bool m_bWritten = false;
};
