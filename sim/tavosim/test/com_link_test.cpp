#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "sim_process.h"

namespace tavosim::test {
namespace {

namespace fs = std::filesystem;

class ComLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = make_temp_dir();
        ASSERT_FALSE(prefix_.empty());
        fs::create_directory(prefix_ + "/dosdevices");
    }
    void TearDown() override { fs::remove_all(prefix_); }

    std::string link(int number) const { return prefix_ + "/dosdevices/com" + std::to_string(number); }
    std::string target(int number) const {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(link(number).c_str(), buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    }
    std::vector<std::string> args(const std::string& com) const {
        return {"--link-com", com, "--wineprefix", prefix_};
    }

    std::string prefix_;
};

// Every way out ends the process with status 0, and the link goes with it; the ready line is in the file.
TEST_F(ComLinkTest, EveryWayOutEndsTheProcessAndTakesTheLink) {
    const std::string ready = prefix_ + "/ready";
    for (const std::string way : {"quit", "stdin", "SIGTERM", "SIGINT", "max-seconds"}) {
        SCOPED_TRACE(way);
        std::vector<std::string> options = args("auto");
        options.insert(options.end(), {"--exit-on-stdin-eof", "--ready-file", ready});
        if (way == "max-seconds") options.insert(options.end(), {"--max-seconds", "1"});
        SimProcess sim(options);
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(sim.com, 20);
        EXPECT_EQ(target(20), sim.pty);
        EXPECT_EQ(file_lines(ready),
                  std::vector<std::string>{sim.ready_line.substr(0, sim.ready_line.size() - 1)});
        if (way == "quit") {
            EXPECT_TRUE(ControlClient(sim.control_port).ok("quit"));
        }
        if (way == "stdin") sim.close_stdin();
        if (way == "SIGTERM") sim.signal(SIGTERM);
        if (way == "SIGINT") sim.signal(SIGINT);
        EXPECT_EQ(sim.wait_exit(milliseconds(way == "max-seconds" ? 3000 : 1500)), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link(20))));
    }
}

TEST_F(ComLinkTest, LeftoversAreReplacedButLivePortsAreNot) {
    SimProcess live({});
    ASSERT_TRUE(live.ready());
    fs::create_symlink("/dev/pts/999999", link(20)); // left by a unit that died
    fs::create_symlink(live.pty, link(21));          // somebody else's live pty
    SimProcess sim(args("auto"));
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(sim.com, 20);
    EXPECT_EQ(target(20), sim.pty);

    SimProcess taken(args("21"));
    EXPECT_FALSE(taken.ready());
    EXPECT_EQ(taken.wait_exit(milliseconds(2000)), 1);
    EXPECT_EQ(target(21), live.pty);

    SimProcess chosen(args("57"));
    ASSERT_TRUE(chosen.ready());
    EXPECT_EQ(chosen.com, 57);
}

TEST_F(ComLinkTest, PortStaysReservedWhileUnpluggedAndReplugKeepsTheNumber) {
    SimProcess sim(args("auto"));
    ASSERT_TRUE(sim.ready());
    ControlClient control(sim.control_port);
    ASSERT_TRUE(control.ok("fault hangup"));
    EXPECT_EQ(control.command("settings")[0], "error unplugged");
    SimProcess other(args("auto"));
    ASSERT_TRUE(other.ready());
    EXPECT_EQ(other.com, 21);
    EXPECT_EQ(target(21), other.pty);

    auto reply = control.command("plug");
    ASSERT_EQ(reply.size(), 2u);
    EXPECT_EQ("pty=" + target(20), reply[0]);
    PtyPeer peer(link(20));
    peer.send("rTES\r");
    EXPECT_EQ(peer.collect(), "aTES0\r\n");
    EXPECT_EQ(control.command("plug")[0], "error already plugged");
}

} // namespace
} // namespace tavosim::test
