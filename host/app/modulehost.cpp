#include "modulehost.h"

#include "output.h"
#include "pefile.h"

#include <qv/qvclass.h>

CModuleHost::CModuleHost() : m_hModule(nullptr), m_pObject(nullptr), m_pDevice(nullptr) {
    m_Manager.Install();
}

CModuleHost::~CModuleHost() {
    ReleaseDevice();
    if (m_hModule) FreeLibrary(m_hModule);
}

bool CModuleHost::Load(const std::wstring& path, std::wstring& error) {
    if (m_hModule) {
        error = L"a module is loaded already";
        return false;
    }
    // No system error box for a missing or broken library: the host reports it itself.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(path.c_str());
    DWORD lastError = GetLastError();
    SetErrorMode(oldMode);
    if (!module) {
        error = L"cannot load " + path + L": " + WindowsErrorText(lastError);
        return false;
    }
    // The module's classes are those whose factory lies in it (it may have been loaded before).
    std::vector<std::string> classes;
    for (int i = 0; i < CQvClassInfo::GetCount(); ++i) {
        const CQvClassInfo* info = CQvClassInfo::GetAt(i);
        HMODULE owner = nullptr;
        if (GetModuleHandleExW(
                GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(info->GetConstructor())), &owner) &&
            owner == module)
            classes.push_back(info->GetClassName());
    }
    if (classes.empty()) {
        FreeLibrary(module);
        error = path + L" is not a device module: it registers no class";
        return false;
    }
    m_hModule = module;
    m_sPath = path;
    m_Classes = classes;
    return true;
}

bool CModuleHost::ReadVersionRecords(std::vector<std::wstring>& lines, std::wstring& error) const {
    std::vector<uint8_t> ids, idx;
    if (!ReadPESection(m_sPath, "ver6ID", ids) || !ReadPESection(m_sPath, "ver6IDX", idx)) {
        error = L"the module has no version records";
        return false;
    }
    for (size_t slot = 0; slot * 0x200 < ids.size(); ++slot) {
        std::wstring text = TextAt(ids, slot * 0x200);
        if (!text.empty()) lines.push_back(text);
    }
    lines.push_back(TextAt(idx, 0));
    lines.push_back(TextAt(idx, 0x790));
    return true;
}

bool CModuleHost::Create(const std::string& className, std::wstring& error) {
    const CQvClassInfo* info = CQvClassInfo::Find(className.c_str());
    bool ours = false;
    for (const std::string& c : m_Classes)
        ours = ours || c == className;
    if (!info || !ours || !info->GetConstructor()) {
        error = L"no class " + std::wstring(className.begin(), className.end()) + L" in the module";
        return false;
    }
    ReleaseDevice();
    IQvInterface* object = info->GetConstructor()(__FILE__, __LINE__);
    CQvClass* counted = object ? object->GetClassObject() : nullptr;
    IQvInterface* asDevice = counted ? counted->QueryInterface("IQvPhysicalDevice") : nullptr;
    IQvPhysicalDevice* device = dynamic_cast<IQvPhysicalDevice*>(asDevice);
    if (asDevice) counted->Release(); // QueryInterface added one
    if (!device) {
        if (counted) counted->Release();
        error = L"the object made by the factory is not a physical device";
        return false;
    }
    m_pObject = object;
    m_pDevice = device;
    return true;
}

void CModuleHost::ReleaseDevice() {
    if (m_pObject) {
        m_pObject->GetClassObject()->Release();
        m_pObject = nullptr;
        m_pDevice = nullptr;
    }
}
