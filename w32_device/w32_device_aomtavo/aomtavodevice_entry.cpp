// Module registration: the module handle, the two class records, the factories and the version records.
#include "aomtavodevice.h"

#include "aomtavoversion.h"

#include <qv/qvrtti.h>

#include <new>

HINSTANCE g_hAOMTAVOModule = nullptr;

// Exported from here, as from every module of the host.
QV_DEFINE_EXPORTED_FRAMEWORK_CLASSES

namespace {
template <class T> IQvInterface* Construct(const char* file, unsigned int line) {
    void* memory = CQvClass::operator new(sizeof(T), file, line);
    if (!memory) return nullptr;
    T* object = ::new (memory) T();
    return static_cast<IQvInterface*>(static_cast<CQvClass*>(object));
}
} // namespace

extern "C" IQvInterface* QV_ConstructorForCQvAOMTAVO(const char* file, unsigned int line) {
    return Construct<CQvAOMTAVO>(file, line);
}

extern "C" IQvInterface* QV_ConstructorForCQvAOMTAVOSim(const char* file, unsigned int line) {
    return Construct<CQvAOMTAVOSim>(file, line);
}

// The only static constructors of the module; the order of definition is the order of registration.
CQvClassInfo g_ClassInfoCQvAOMTAVO("CQvAOMTAVO", "IQvPhysicalDevice", nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, static_cast<int>(sizeof(CQvAOMTAVO)),
                                   QV_ConstructorForCQvAOMTAVO);
CQvClassInfo g_ClassInfoCQvAOMTAVOSim("CQvAOMTAVOSim", "IQvPhysicalDevice", nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr,
                                      static_cast<int>(sizeof(CQvAOMTAVOSim)),
                                      QV_ConstructorForCQvAOMTAVOSim);

// Records the host reads from the module file without running it. Each section is one object, so that
// the linker cannot reorder its parts.
#if defined(_MSC_VER)
// Microsoft's compiler places data into a named section only once the section is declared.
#pragma section("ver6IDX", read)
#pragma section("ver6ID", read)
#endif
#define QV_EMPTY_PARENT(n) L"<m_parent" #n L" runtype=\"CQvStringW\" value=\"\"/>"

struct SVer6IDX {
    wchar_t szClassDescription[0x790 / sizeof(wchar_t)];
    wchar_t szVersionRecord[0x790 / sizeof(wchar_t)];
};

extern const SVer6IDX g_Ver6IDX;
QV_SECTION("ver6IDX")
const SVer6IDX g_Ver6IDX = {
    L"<variant version=\"1.0\"><CQvAOMTAVOSim runtype=\"RQvRttiClass\">"
    L"<m_parent1 runtype=\"CQvStringW\" value=\"IQvPhysicalDevice\"/>" QV_EMPTY_PARENT(2) QV_EMPTY_PARENT(3)
        QV_EMPTY_PARENT(4) QV_EMPTY_PARENT(5) QV_EMPTY_PARENT(6) QV_EMPTY_PARENT(7) QV_EMPTY_PARENT(8)
            QV_EMPTY_PARENT(9) L"</CQvAOMTAVOSim></variant>",
    L"<variant version=\"1.0\"><CQvAOMTAVOSim runtype=\"CQvListVariant\">"
    L"<m_version value=\"32\" runtype=\"qv_int32\"/><m_shortName value=\"Orvia TAVO and AOM simulator\"/>"
    L"<m_fullName value=\"Orvia TAVO and AOM simulator\"/><m_versionApp "
    L"value=\"" AOMTAVO_FILEVERSION_TEXT L"\"/><m_flagsV2 value=\"1_16\"/></CQvAOMTAVOSim></variant>",
};

#define QV_VERSION_KEY(key, value) L"<variant version=\"1.0\"><" key L" value=\"" value L"\"/></variant>"

struct SVer6ID {
    wchar_t aszSlots[13][0x200 / sizeof(wchar_t)];
};

extern const SVer6ID g_Ver6ID;
QV_SECTION("ver6ID")
const SVer6ID g_Ver6ID = {{
    QV_VERSION_KEY(L"QV_GLOB_FILEVERSION_WCS", AOMTAVO_FILEVERSION_TEXT),
    QV_VERSION_KEY(L"QV_GLOB_PRODUCTVERSION_WCS", AOMTAVO_PRODUCTVERSION_TEXT),
    QV_VERSION_KEY(L"QV_GLOB_COMPANYNAME", AOMTAVO_COMPANY),
    QV_VERSION_KEY(L"QV_GLOB_COPYRIGHT", AOMTAVO_COPYRIGHT),
    QV_VERSION_KEY(L"QV_GLOB_TRADEMARKS", L""),
    QV_VERSION_KEY(L"QV_LOCAL_COMMENTS", L""),
    QV_VERSION_KEY(L"QV_LOCAL_FILEDESCRIPTION", AOMTAVO_DESCRIPTION),
    QV_VERSION_KEY(L"QV_LOCAL_INTERNALNAME", AOMTAVO_INTERNALNAME),
    QV_VERSION_KEY(L"QV_LOCAL_ORIGINALFILENAME", AOMTAVO_FILENAME),
    QV_VERSION_KEY(L"QV_LOCAL_PRODUCTNAME", AOMTAVO_INTERNALNAME),
    QV_VERSION_KEY(L"QV_LOCAL_PRIVATEBUILD", L"1"),
    QV_VERSION_KEY(L"QV_LOCAL_SPECIALBUILD", L"1"),
    L"<variant version=\"1.0\"><NDEBUG/></variant>",
}};
