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

TEST_F(ComLinkTest, LinkLivesExactlyAsLongAsTheUnit) {
    for (int how : {SIGTERM, SIGINT, 0}) {
        SimProcess sim(args("auto"));
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(sim.com, 20);
        EXPECT_EQ(target(20), sim.pty);
        if (how) {
            sim.signal(how);
        } else {
            EXPECT_TRUE(ControlClient(sim.control_port).ok("quit"));
        }
        EXPECT_EQ(sim.wait_exit(milliseconds(2000)), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link(20)))) << how;
    }
}

TEST_F(ComLinkTest, ParallelUnitsGetTheirOwnPorts) {
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::set<int> numbers;
    for (int i = 0; i < 4; ++i) {
        sims.push_back(std::make_unique<SimProcess>(args("auto")));
        ASSERT_TRUE(sims.back()->ready());
        numbers.insert(sims.back()->com);
        EXPECT_EQ(target(sims.back()->com), sims.back()->pty);
    }
    EXPECT_EQ(numbers, (std::set<int>{20, 21, 22, 23}));
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

    auto reply = control.command("plug");
    ASSERT_EQ(reply.size(), 2u);
    EXPECT_EQ("pty=" + target(20), reply[0]);
    PtyPeer peer(link(20));
    peer.send("rTES\r");
    EXPECT_EQ(peer.collect(), "aTES0\r\n");
    EXPECT_EQ(control.command("plug")[0], "error already plugged");
}

TEST_F(ComLinkTest, MissingPrefixIsAnError) {
    SimProcess sim({"--link-com", "auto", "--wineprefix", prefix_ + "/nowhere"});
    EXPECT_FALSE(sim.ready());
    EXPECT_EQ(sim.wait_exit(milliseconds(2000)), 1);
}

} // namespace
} // namespace tavosim::test
