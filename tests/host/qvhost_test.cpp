// The host application run as a user runs it: commands in, lines out.
#include "moduleloader.h"
#include "process.h"

#include <gtest/gtest.h>

namespace {

ProcessResult Qvhost(const std::wstring& arguments, const std::string& script) {
    return RunProcess(L"\"" + BesideExecutable(L"qvhost.exe") + L"\" " + arguments, script, 30000);
}

TEST(Qvhost, ListsTheModulesClassesAndQuits) {
    ProcessResult r = Qvhost(L"-", "# comment\n\nclasses\nquit\nclasses\n");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode);
    std::string expected = "class CQvAOMTAVO\nclass CQvAOMTAVOSim\nok\nok\n";
    ASSERT_GE(r.output.size(), expected.size());
    EXPECT_EQ(expected, r.output.substr(r.output.size() - expected.size())) << r.output;
}

TEST(Qvhost, DemoShowsVersionRecordsIdentityAndState) {
    ProcessResult r = Qvhost(L"", "");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    for (const char* line :
         {"record <variant version=\"1.0\"><QV_GLOB_FILEVERSION_WCS value=\"8, 203, 1273, 0\"/></variant>\n",
          "created CQvAOMTAVOSim\n", "info 1 Orvia TAVO and AOM\n", "info 3 Orvia\n",
          "display name Orvia TAVO and AOM group Acquisition Controls icon 1002\n", "state 0\n"})
        EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
}

TEST(Qvhost, BadInputIsRefusedClearly) {
    ProcessResult r = Qvhost(L"-", "frobnicate\ncreate CQvNoSuchClass\ninfo\nquit\n");
    ASSERT_TRUE(r.finished);
    EXPECT_NE(std::string::npos, r.output.find("error 12: unknown command 'frobnicate'\n")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("error 21: no class CQvNoSuchClass in the module\n"))
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("error 21: no device: use create first\n")) << r.output;
    EXPECT_EQ(0u, r.exitCode);

    ProcessResult strict = Qvhost(L"--strict -", "frobnicate\nclasses\n");
    EXPECT_EQ(1u, strict.exitCode);
    EXPECT_EQ(std::string::npos, strict.output.find("class CQvAOMTAVO")) << "--strict stops at the failure";

    ProcessResult notModule =
        Qvhost(L"--module \"" + BesideExecutable(L"qvframework.dll") + L"\" -", "classes\n");
    EXPECT_NE(std::string::npos, notModule.output.find("is not a device module")) << notModule.output;
    EXPECT_NE(0u, notModule.exitCode);
}

} // namespace
