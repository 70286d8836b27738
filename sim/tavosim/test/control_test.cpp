#include <gtest/gtest.h>

#include <termios.h>

#include <filesystem>
#include <regex>

#include "sim_process.h"

namespace tavosim::test {
namespace {

TEST(Control, FrontPanelCommands) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ready());
    ControlClient control(sim.control_port);
    PtyPeer peer(sim.pty);
    struct Case {
        const char* command;
        const char* state; // empty: the command must fail
    };
    const Case cases[] = {{"line 3", "line 3 mask 4 bino 0"},
                          {"mask 6", "line 2 mask 6 bino 0"},
                          {"bino 1", "line 2 mask 6 bino 1"},
                          {"line 0", "line 0 mask 0 bino 1"},
                          {"line 4", ""},
                          {"mask 8", ""},
                          {"bino 2", ""},
                          {"line", ""},
                          {"frobnicate", ""}};
    for (const Case& c : cases) {
        auto reply = control.command(c.command);
        ASSERT_FALSE(reply.empty()) << c.command;
        if (*c.state == '\0') {
            EXPECT_EQ(reply.back().rfind("error ", 0), 0u) << c.command;
            continue;
        }
        EXPECT_EQ(reply.back(), "ok") << c.command;
        EXPECT_EQ(control.command("state"), (std::vector<std::string>{c.state, "ok"})) << c.command;
    }
    // An overlong request gets "?" and the next one is answered; a silent unit takes no command.
    peer.send(std::string(300, 'x') + "\rrTES\r");
    EXPECT_EQ(peer.collect(), "?\r\naTES1\r\n");
    ASSERT_TRUE(control.ok("fault silent"));
    peer.send("cTSO2\r");
    EXPECT_EQ(peer.collect(), "");
    EXPECT_EQ(control.command("state")[0], "line 0 mask 0 bino 1");
}

// Faults that decide whether the unit answers or acts at all, request by request.
TEST(Control, FaultsThatRefuseCutOrSkipRequests) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ready());
    ControlClient control(sim.control_port);
    PtyPeer peer(sim.pty);
    const struct {
        const char* fault; // null: the fault stays
        const char* request;
        const char* reply;
        const char* state;
    } steps[] = {
        {"refuse", "cTSO2\r", "?\r\n", "line 0 mask 0 bino 0"}, // refused and not acted on
        {"bare", "rTSR\r", "aTSR\n", "line 0 mask 0 bino 0"},
        {"every-other rTES", "rTES\r", "", "line 0 mask 0 bino 0"},
        {nullptr, "cTSO2\r", "", "line 0 mask 0 bino 0"}, // silent up to the next rTES
        {nullptr, "rTES\r", "aTES0\r\n", "line 0 mask 0 bino 0"},
        {nullptr, "cTSO2\r", "oTSO2\r\n", "line 2 mask 2 bino 0"},
        {nullptr, "rTES\r", "", "line 2 mask 2 bino 0"},
    };
    for (const auto& step : steps) {
        if (step.fault) {
            ASSERT_TRUE(control.ok(std::string("fault ") + step.fault)) << step.fault;
        }
        peer.send(step.request);
        EXPECT_EQ(peer.collect(), step.reply) << step.request;
        EXPECT_EQ(control.command("state")[0], step.state) << step.request;
    }
}

TEST(Control, SettingsShowWhatTheDriverApplied) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ready());
    ControlClient control(sim.control_port);
    PtyPeer peer(sim.pty);
    termios t{};
    ASSERT_EQ(::tcgetattr(peer.fd(), &t), 0);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u) << "slave must be raw from the start";
    ::cfsetspeed(&t, B19200);
    t.c_cflag |= CSTOPB | CRTSCTS;
    t.c_iflag |= IXON;
    ASSERT_EQ(::tcsetattr(peer.fd(), TCSANOW, &t), 0);
    // Linux ptys force CS8 and no parity, so those two never show a driver's choice; the way back to
    // 9600 8N1 is SerialLink.EachCommandPutsItsExactBytesOnTheWire's.
    EXPECT_EQ(control.command("settings")[0], "baud 19200 bits 8 parity none stop 2 crtscts 1 ixon 1");
}

TEST(Control, TranscriptRecordsTheWire) {
    std::string dir = make_temp_dir();
    std::string file = dir + "/transcript.txt";
    {
        SimProcess sim({"--transcript", file, "--personality", "standard"});
        ASSERT_TRUE(sim.ready());
        ControlClient control(sim.control_port);
        PtyPeer peer(sim.pty);
        peer.send("rVER\r\n");
        peer.collect();
        peer.send("rTSD\r");
        peer.collect();
        ASSERT_TRUE(control.ok("fault stale \"q\"\t"));
        peer.collect();

        auto lines = control.command("transcript");
        const std::vector<std::string> expected = {R"(RX "rVER\r")", R"(TX "aVERTAVO 2.01\r\n")",
                                                   R"(RX "\nrTSD\r")", R"(TX "?\r\n")",
                                                   R"(TX "\"q\"\t\r\n")"};
        EXPECT_EQ(without_times(lines), expected);
        static const std::regex format(R"(\d+\.\d{6} (RX|TX) ".*")");
        for (std::size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_TRUE(std::regex_match(lines[i], format)) << lines[i];
        EXPECT_EQ(file_lines(file), std::vector<std::string>(lines.begin(), lines.end() - 1));

        ASSERT_TRUE(control.ok("transcript clear"));
        EXPECT_EQ(control.command("transcript"), std::vector<std::string>{"ok"});
    }
    std::filesystem::remove_all(dir);
}

TEST(Control, BadCommandLineIsRefused) {
    const struct {
        std::vector<std::string> args;
        int status; // 2: usage; 1: cannot run as asked
    } cases[] = {{{"--personality", "odd"}, 2},
                 {{"--link-com", "0"}, 2},
                 {{"--control-port", "70000"}, 2},
                 {{"--bogus"}, 2},
                 {{"--firmware"}, 2},
                 {{"--link-com", "auto", "--wineprefix", "/nonexistent/tavosim-prefix"}, 1}};
    for (const auto& c : cases) {
        SimProcess sim(c.args);
        EXPECT_FALSE(sim.ready()) << c.args.back();
        EXPECT_EQ(sim.wait_exit(milliseconds(2000)), c.status) << c.args.back();
    }
}

} // namespace
} // namespace tavosim::test
