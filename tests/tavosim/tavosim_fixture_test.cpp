// The path later driver suites rely on, with plain Win32 and no driver code:
// Windows test -> CreateProcess(native tavosim) -> dosdevices link -> COMn -> Wine serial -> pty.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tavosim_fixture.h"

using tavosim_fixture::TavoSimOptions;
using tavosim_fixture::TavoSimUnit;

namespace {

// A COM port opened and set up the way the driver is meant to.
class ComPort {
public:
    explicit ComPort(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
    ~ComPort() {
        if (is_open()) CloseHandle(handle_);
    }
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

    bool configure() {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = 2;
        timeouts.ReadTotalTimeoutConstant = 500;
        timeouts.WriteTotalTimeoutMultiplier = 2;
        timeouts.WriteTotalTimeoutConstant = 500;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!SetCommTimeouts(handle_, &timeouts) || !GetCommState(handle_, &dcb)) return false;
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        return SetCommState(handle_, &dcb) && PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    }

    bool write(const std::string& bytes) {
        DWORD written = 0;
        return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    // One byte per ReadFile, as a line-oriented driver reads; stops at '\n', a timeout or 64 bytes.
    std::string read_line() {
        std::string line;
        while (line.size() < 64) {
            char c = 0;
            DWORD got = 0;
            if (!ReadFile(handle_, &c, 1, &got, nullptr) || got == 0) break;
            line.push_back(c);
            if (c == '\n') break;
        }
        return line;
    }

    std::string ask(const std::string& request) { return write(request) ? read_line() : "(write failed)"; }

    HANDLE handle() const { return handle_; }

private:
    HANDLE handle_;
};

double elapsed_ms(LARGE_INTEGER since) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - since.QuadPart) * 1000.0 / frequency.QuadPart;
}

TEST(TavoSimFixture, DriverPathReachesTheUnit) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ASSERT_GE(unit.com_port(), 20);
    ComPort port(unit.com_path());
    ASSERT_TRUE(port.is_open()) << unit.com_path() << " error " << GetLastError();
    ASSERT_TRUE(port.configure()) << GetLastError();

    EXPECT_EQ(port.ask("rVER\r"), "aVERTAVO 2.01\r\n");
    EXPECT_EQ(unit.transcript(), (std::vector<std::string>{R"(RX "rVER\r")", R"(TX "aVERTAVO 2.01\r\n")"}));
    EXPECT_EQ(unit.settings(), "baud 9600 bits 8 parity none stop 1 crtscts 0 ixon 0");
}

TEST(TavoSimFixture, FrontPanelAndPersonalityShowThroughThePort) {
    TavoSimOptions options;
    options.personality = "extended";
    options.firmware = "TAVO 3.00";
    TavoSimUnit unit(options);
    ASSERT_TRUE(unit.ok()) << unit.error();
    ComPort port(unit.com_path());
    ASSERT_TRUE(port.is_open() && port.configure());

    ASSERT_TRUE(unit.select_line(3));
    ASSERT_TRUE(unit.set_binocular(true));
    EXPECT_EQ(port.ask("rVER\r"), "aVERTAVO 3.00\r\n");
    EXPECT_EQ(port.ask("rTSD\r"), "aTSD4\r\n");
    EXPECT_EQ(port.ask("rTSR\r"), "?\r\n");
    EXPECT_EQ(port.ask("rTES\r"), "aTES1\r\n");
    EXPECT_EQ(port.ask("cTSD3\r"), "oTSD3\r\n");
    EXPECT_EQ(unit.state(), "line 1 mask 3 bino 1");
    EXPECT_FALSE(unit.select_line(9));
}

TEST(TavoSimFixture, TwoUnitsGetTheirOwnPorts) {
    TavoSimOptions first_options, second_options;
    first_options.firmware = "TAVO first";
    second_options.firmware = "TAVO second";
    TavoSimUnit first(first_options), second(second_options);
    ASSERT_TRUE(first.ok()) << first.error();
    ASSERT_TRUE(second.ok()) << second.error();
    EXPECT_NE(first.com_port(), second.com_port());

    ComPort first_port(first.com_path()), second_port(second.com_path());
    ASSERT_TRUE(first_port.is_open() && first_port.configure());
    ASSERT_TRUE(second_port.is_open() && second_port.configure());
    EXPECT_EQ(second_port.ask("rVER\r"), "aVERTAVO second\r\n");
    EXPECT_EQ(first_port.ask("rVER\r"), "aVERTAVO first\r\n");
}

TEST(TavoSimFixture, SilentUnitTimesOutAfterTheTotalTimeout) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    ComPort port(unit.com_path());
    ASSERT_TRUE(port.is_open() && port.configure());
    ASSERT_TRUE(unit.set_fault("silent"));
    ASSERT_TRUE(port.write("rVER\r"));

    char c = 0;
    DWORD got = 1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    BOOL ok = ReadFile(port.handle(), &c, 1, &got, nullptr);
    double took = elapsed_ms(start);
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, 0u);
    EXPECT_GT(took, 350.0); // 500 + 2 * 1 ms, with room for timer granularity
    EXPECT_LT(took, 2000.0);
    EXPECT_EQ(unit.transcript(), std::vector<std::string>{R"(RX "rVER\r")"});
}

TEST(TavoSimFixture, PortCanBeReopenedAfterHangupAndPlug) {
    TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    {
        ComPort port(unit.com_path());
        ASSERT_TRUE(port.is_open() && port.configure());
        ASSERT_TRUE(unit.hangup());
        // What Wine shows a driver whose cable is pulled: writes fail, reads just time out.
        EXPECT_FALSE(port.write("rVER\r"));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
        EXPECT_EQ(port.read_line(), "");
        ComPort while_unplugged(unit.com_path());
        EXPECT_FALSE(while_unplugged.is_open());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
    ASSERT_TRUE(unit.plug());
    ComPort port(unit.com_path());
    ASSERT_TRUE(port.is_open() && port.configure());
    EXPECT_EQ(port.ask("rTES\r"), "aTES0\r\n");
}

TEST(TavoSimFixture, StopEndsTheUnit) {
    int control_port = 0;
    {
        TavoSimUnit unit;
        ASSERT_TRUE(unit.ok()) << unit.error();
        control_port = unit.control_port();
    }
    tavosim_fixture::WinsockSession winsock;
    std::string error;
    EXPECT_FALSE(tavosim_fixture::connect_loopback(control_port, error).valid());
}

} // namespace
