// Each variant is a nicaiu.dll with exactly the exports and version it stands for.
#include <set>

#include "fake_library.h"

namespace {

const char* const kAllExports[] = {
#define FAKEDAQMX_NAME(name) #name,
    FAKEDAQMX_DAQMX_FUNCTIONS(FAKEDAQMX_NAME) FAKEDAQMX_CONTROL_FUNCTIONS(FAKEDAQMX_NAME)
#undef FAKEDAQMX_NAME
};

struct VariantCase {
    const char* variant;
    uInt32 major, minor;
    std::set<std::string> absent;
};

TEST(FakeDaqmxVariants, ExportOnlyWhatTheyStandFor) {
    const VariantCase cases[] = {
        {"full", 8, 9, {}},
        {"v80", 8, 0, {}},
        {"v7", 7, 4, {}},
        {"noversion", 0, 0, {"DAQmxGetSysNIDAQMajorVersion", "DAQmxGetSysNIDAQMinorVersion"}},
        {"missing", 8, 9, {"DAQmxCfgSampClkTiming"}},
    };
    for (const VariantCase& c : cases) {
        SCOPED_TRACE(c.variant);
        FakeLibrary lib(c.variant);
        ASSERT_TRUE(lib.loaded());
        for (const char* name : kAllExports)
            EXPECT_EQ(lib.Find(name) != nullptr, c.absent.count(name) == 0) << name;
        if (!lib.DAQmxGetSysNIDAQMajorVersion) continue;
        SetEnvironmentVariableA("FAKEDAQMX_SCENARIO", nullptr);
        lib.fakedaqmx_Reset();
        uInt32 major = 0, minor = 0;
        EXPECT_EQ(lib.DAQmxGetSysNIDAQMajorVersion(&major), 0);
        EXPECT_EQ(lib.DAQmxGetSysNIDAQMinorVersion(&minor), 0);
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
    }
}

TEST(FakeDaqmxVariants, NoneIsAnEmptyFolder) {
    DWORD attributes = GetFileAttributesW(VariantPath("none", "").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    FakeLibrary lib("none");
    EXPECT_FALSE(lib.loaded());
}

TEST(FakeDaqmxVariants, ScenarioVersionOverridesTheBuiltOne) {
    FakeLibrary lib("v7");
    ASSERT_TRUE(lib.loaded());
    ASSERT_EQ(lib.fakedaqmx_LoadScenarioText("version 9 1\nboard Dev1"), 0);
    uInt32 major = 0;
    EXPECT_EQ(lib.DAQmxGetSysNIDAQMajorVersion(&major), 0);
    EXPECT_EQ(major, 9u);
    EXPECT_EQ(lib.DAQmxGetSysNIDAQMajorVersion(nullptr), DAQmxErrorNULLPtrForC_Api);
}

} // namespace
