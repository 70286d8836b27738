#include "moduleloader.h"

#include <fstream>

std::wstring BesideExecutable(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n < MAX_PATH ? n : 0);
    size_t slash = p.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1)) + name;
}

std::wstring ModuleUnderTest() {
    if (GetProcAddress(GetModuleHandleW(nullptr), "QV_ConstructorForCQvAOMTAVO")) {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        return std::wstring(path, n < MAX_PATH ? n : 0);
    }
    return BesideExecutable(L"w32_device_aomtavo.dll");
}

LoadedModule::LoadedModule() : m_hModule(LoadLibraryW(ModuleUnderTest().c_str())) {}

LoadedModule::~LoadedModule() {
    if (m_hModule) FreeLibrary(m_hModule);
}

IQvInterface* LoadedModule::Make(const char* factory) const {
    PFN_QvConstructor make =
        m_hModule
            ? reinterpret_cast<PFN_QvConstructor>(reinterpret_cast<void*>(GetProcAddress(m_hModule, factory)))
            : nullptr;
    return make ? make(__FILE__, __LINE__) : nullptr;
}

std::wstring FakeDaqmxDir(const char* variant) {
    // The test executables live in <build>/bin, the variants in <build>/fakedaqmx/<variant>.
    std::wstring dir = BesideExecutable(L"..\\fakedaqmx\\");
    for (const char* p = variant; *p; ++p)
        dir += static_cast<wchar_t>(*p);
    return dir;
}

DaqScenario::DaqScenario(const char* text) {
    if (!text) return;
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    m_sPath = std::wstring(folder, n < MAX_PATH ? n : 0) + L"daq-scenario-" +
              std::to_wstring(GetCurrentProcessId()) + L".txt";
    std::ofstream file(m_sPath.c_str(), std::ios::binary);
    file << text;
    file.close();
    m_bWritten = !file.fail();
    SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", m_sPath.c_str());
}

DaqScenario::~DaqScenario() {
    if (m_sPath.empty()) return;
    SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", nullptr);
    DeleteFileW(m_sPath.c_str());
}
