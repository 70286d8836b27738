// The module file as the host sees it: exports, version records and class registration.
#include "moduleloader.h"
#include "pefile.h"

#include <aomtavodevice.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The names in a loaded module's export table.
std::vector<std::string> ExportedNames(HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (!entry.VirtualAddress) return names;
    auto table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    auto offsets = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
    for (DWORD i = 0; i < table->NumberOfNames; ++i)
        names.push_back(reinterpret_cast<const char*>(base + offsets[i]));
    return names;
}

std::wstring Key(const wchar_t* key, const wchar_t* value) {
    return std::wstring(L"<variant version=\"1.0\"><") + key + L" value=\"" + value + L"\"/></variant>";
}

// Every byte after the text's terminator up to the end of its slot must be zero.
void ExpectZeroAfterText(const std::vector<uint8_t>& bytes, size_t offset, size_t slotEnd) {
    size_t end = offset + 2 * (TextAt(bytes, offset).size() + 1);
    for (size_t i = end; i < slotEnd && i < bytes.size(); ++i)
        ASSERT_EQ(0, bytes[i]) << "non-zero padding at " << i;
}

// The host finds the factories (undecorated), the pad class's members and four framework classes by name;
// the devices themselves stay behind their interfaces.
TEST(ModuleFile, ExportsOnlyTheFactoriesThePadAndTheFrameworkClasses) {
    LoadedModule module;
    ASSERT_NE(nullptr, module.Handle());
    const char* const framework[] = {"16IQvGrabberCore01", "18IQvGrabberDriver01", "12SQvRTTIClass",
                                     "17SQvRTTICacheEntry"};
    std::vector<std::string> names = ExportedNames(module.Handle());
    for (const std::string& name : names) {
        bool allowed = name == "QV_ConstructorForCQvAOMTAVO" || name == "QV_ConstructorForCQvAOMTAVOSim" ||
                       name.find("13CQvAOMTAVOPad") != std::string::npos;
        for (const char* c : framework)
            allowed = allowed || name.find(c) != std::string::npos;
        EXPECT_TRUE(allowed) << name;
    }
    auto has = [&names](const std::string& name) {
        for (const std::string& n : names)
            if (n == name) return true;
        return false;
    };
    for (const char* c : framework) {
        std::string n = c;
        // Constructor, copy constructor, assignment, destructor and virtual-operation table.
        EXPECT_TRUE(has("_ZN" + n + "C2Ev")) << n;
        EXPECT_TRUE(has("_ZN" + n + "C2ERKS_")) << n;
        EXPECT_TRUE(has("_ZN" + n + "aSERKS_")) << n;
        EXPECT_TRUE(has("_ZN" + n + "D2Ev")) << n;
        EXPECT_TRUE(has("_ZTV" + n)) << n;
    }
    EXPECT_TRUE(has("QV_ConstructorForCQvAOMTAVO"));
    EXPECT_TRUE(has("QV_ConstructorForCQvAOMTAVOSim"));
    EXPECT_TRUE(has("_ZN13CQvAOMTAVOPad10RefreshGUIEv"));
}

TEST(ModuleFile, Ver6IDHoldsThirteenKeysInTheirSlots) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadPESection(ModuleUnderTest(), "ver6ID", bytes));
    ASSERT_GE(bytes.size(), 13u * 512u);
    const std::wstring expected[13] = {
        Key(L"QV_GLOB_FILEVERSION_WCS", L"8, 203, 1273, 0"),
        Key(L"QV_GLOB_PRODUCTVERSION_WCS", L"0, 0, 0, 0"),
        Key(L"QV_GLOB_COMPANYNAME", L"TAVO and AOM module team"),
        Key(L"QV_GLOB_COPYRIGHT", L"Copyright (C) 2026 TAVO and AOM module team"),
        Key(L"QV_GLOB_TRADEMARKS", L""),
        Key(L"QV_LOCAL_COMMENTS", L""),
        Key(L"QV_LOCAL_FILEDESCRIPTION", L"Orvia TAVO"),
        Key(L"QV_LOCAL_INTERNALNAME", L"w32_device_aomtavo"),
        Key(L"QV_LOCAL_ORIGINALFILENAME", L"w32_device_aomtavo.dll"),
        Key(L"QV_LOCAL_PRODUCTNAME", L"w32_device_aomtavo"),
        Key(L"QV_LOCAL_PRIVATEBUILD", L"1"),
        Key(L"QV_LOCAL_SPECIALBUILD", L"1"),
        L"<variant version=\"1.0\"><NDEBUG/></variant>",
    };
    for (size_t slot = 0; slot < 13; ++slot) {
        EXPECT_EQ(expected[slot], TextAt(bytes, slot * 512)) << "slot " << slot;
        ExpectZeroAfterText(bytes, slot * 512, (slot + 1) * 512);
    }
}

TEST(ModuleFile, Ver6IDXHoldsTheSimulatorsDescriptionAndVersionRecord) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadPESection(ModuleUnderTest(), "ver6IDX", bytes));
    std::wstring parents = L"<m_parent1 runtype=\"CQvStringW\" value=\"IQvPhysicalDevice\"/>";
    for (int i = 2; i <= 9; ++i)
        parents += L"<m_parent" + std::to_wstring(i) + L" runtype=\"CQvStringW\" value=\"\"/>";
    EXPECT_EQ(L"<variant version=\"1.0\"><CQvAOMTAVOSim runtype=\"RQvRttiClass\">" + parents +
                  L"</CQvAOMTAVOSim></variant>",
              TextAt(bytes, 0));
    EXPECT_EQ(L"<variant version=\"1.0\"><CQvAOMTAVOSim runtype=\"CQvListVariant\"><m_version value=\"32\" "
              L"runtype=\"qv_int32\"/><m_shortName value=\"Orvia TAVO and AOM simulator\"/><m_fullName "
              L"value=\"Orvia TAVO and AOM simulator\"/><m_versionApp value=\"8, 203, 1273, 0\"/><m_flagsV2 "
              L"value=\"1_16\"/></CQvAOMTAVOSim></variant>",
              TextAt(bytes, 0x790));
    ExpectZeroAfterText(bytes, 0, 0x790);
    ExpectZeroAfterText(bytes, 0x790, bytes.size());
}

// Two classes in order, with one parent and the device's size; each factory, the exported one, answers its
// own class record.
TEST(Registration, TwoClassesWhoseFactoriesAnswerTheirOwnRecords) {
    LoadedModule module;
    ASSERT_EQ(2, CQvClassInfo::GetCount());
    const char* const names[] = {"CQvAOMTAVO", "CQvAOMTAVOSim"};
    for (int i = 0; i < 2; ++i) {
        const CQvClassInfo* info = CQvClassInfo::GetAt(i);
        EXPECT_STREQ(names[i], info->GetClassName());
        EXPECT_STREQ("IQvPhysicalDevice", info->GetParent(0));
        for (int p = 1; p < CQvClassInfo::MaxParents; ++p)
            EXPECT_EQ(nullptr, info->GetParent(p));
        EXPECT_EQ(static_cast<int>(sizeof(CQvAOMTAVO)), info->GetObjectSize());
        std::string factory = std::string("QV_ConstructorFor") + names[i];
        EXPECT_EQ(reinterpret_cast<void*>(info->GetConstructor()),
                  reinterpret_cast<void*>(GetProcAddress(module.Handle(), factory.c_str())));
        DeviceRef device(module.Make(factory.c_str()));
        ASSERT_NE(nullptr, device.get());
        EXPECT_EQ(info, device.counted()->GetClassInfo());
    }
}

} // namespace
