// What only the fixture itself shows: ending the unit ends its process. That a Windows test reaches the
// unit through dosdevices link -> COMn -> Wine serial -> pty is shown by every exchange of the serial suite.
#include <gtest/gtest.h>

#include "tavosim_unit.h"

namespace {

TEST(TavoSimFixture, StopEndsTheUnit) {
    int control_port = 0;
    {
        tavosim_unit::TavoSimUnit unit;
        ASSERT_TRUE(unit.ok()) << unit.error();
        control_port = unit.control_port();
        SOCKET control = tavosim_unit::connect_loopback(control_port);
        ASSERT_NE(INVALID_SOCKET, control) << "the control port takes a second session while the unit runs";
        closesocket(control);
    }
    EXPECT_EQ(INVALID_SOCKET, tavosim_unit::connect_loopback(control_port));
}

} // namespace
