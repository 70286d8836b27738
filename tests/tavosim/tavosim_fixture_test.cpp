// What only the fixture itself shows, with plain Win32 and no driver code: a Windows test reaches the
// native unit through dosdevices link -> COMn -> Wine serial -> pty, and ending the unit ends its process.
// The driver's own port set-up and the unit's answers are the serial and native suites' business.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tavosim_fixture.h"

namespace {

TEST(TavoSimFixture, DriverPathReachesTheUnit) {
    tavosim_fixture::TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_GE(unit.com_port(), 20);
    HANDLE port = CreateFileA(unit.com_path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, port) << unit.com_path() << " error " << GetLastError();
    COMMTIMEOUTS timeouts{0, 2, 500, 2, 500};
    EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(port, "rVER\r", 5, &n, nullptr));
    std::string reply;
    char c = 0;
    while (reply.size() < 64 && ReadFile(port, &c, 1, &n, nullptr) && n == 1 && (reply += c, c != '\n')) {
    }
    CloseHandle(port);
    EXPECT_EQ("aVERTAVO 2.01\r\n", reply);
    EXPECT_EQ(unit.transcript(), (std::vector<std::string>{R"(RX "rVER\r")", R"(TX "aVERTAVO 2.01\r\n")"}));
}

TEST(TavoSimFixture, StopEndsTheUnit) {
    int control_port = 0;
    {
        tavosim_fixture::TavoSimUnit unit;
        ASSERT_TRUE(unit.ok()) << unit.error();
        control_port = unit.control_port();
    }
    tavosim_fixture::WinsockSession winsock;
    std::string error;
    EXPECT_FALSE(tavosim_fixture::connect_loopback(control_port, error).valid());
}

} // namespace
