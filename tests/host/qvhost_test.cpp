// What qvhost.exe tells about the module before any device is connected: version records and the
// device's identity (the class list is in the session suite's script-file case).
#include "qvhost_run.h"

#include <gtest/gtest.h>

namespace {

TEST(Qvhost, ReportsVersionRecordsAndTheDevicesIdentity) {
    TempStore store("identity");
    ProcessResult r =
        Qvhost(store.Option() + L"-", "versions\ncreate\ninfo\nstate\ncreate CQvAOMTAVO\ninfo\n");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    for (const char* line :
         {"record <variant version=\"1.0\"><QV_GLOB_FILEVERSION_WCS value=\"8, 203, 1273, 0\"/></variant>\n",
          "created CQvAOMTAVOSim\nok\n", "info 1 Orvia TAVO and AOM\n", "info 3 Orvia\n", "info 4 TAVO\n",
          "display name Orvia TAVO and AOM group Acquisition Controls icon 1002\n", "state 0 shutter -\nok\n",
          "created CQvAOMTAVO\nok\n"})
        EXPECT_NE(std::string::npos, r.output.find(line)) << line << "\nin:\n" << r.output;
    EXPECT_EQ(2u, LinesStartingWith(r.output, "info 1 ").size()) << "both classes answer";
}

TEST(Qvhost, HelpShowsTheUsage) {
    ProcessResult r = Qvhost(L"--help", "");
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ(0u, r.output.find("usage: qvhost.exe [--module PATH] [--class NAME] [--store PATH]"))
        << r.output;
}

} // namespace
