// The real program, driven through its pty as a driver would and steered through its control port.
#include <gtest/gtest.h>

#include <chrono>

#include "sim_process.h"

namespace tavosim::test {
namespace {

using Clock = std::chrono::steady_clock;

class SerialTest : public ::testing::Test {
protected:
    void start(std::vector<std::string> args = {}) {
        sim_ = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim_->ready());
        peer_ = std::make_unique<PtyPeer>(sim_->pty);
        ASSERT_TRUE(peer_->is_open());
        control_ = std::make_unique<ControlClient>(sim_->control_port);
    }
    std::string ask(const std::string& request) {
        peer_->send(request);
        return peer_->collect();
    }
    long elapsed_ms(Clock::time_point since) {
        return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
    }

    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<PtyPeer> peer_;
    std::unique_ptr<ControlClient> control_;
};

TEST_F(SerialTest, PersonalitiesAnswerTheirOwnRequestsOnly) {
    struct Case {
        const char* personality;
        const char* replies; // to rVER rTES rTSR rTSD cTSO2 cTSD5 cTSC, sent in one write
    };
    const Case cases[] = {
        {"standard", "aVERTAVO 9\r\naTES0\r\naTSR0\r\n?\r\noTSO2\r\n?\r\noTSC\r\n"},
        {"extended", "aVERTAVO 9\r\naTES0\r\n?\r\naTSD0\r\n?\r\noTSD5\r\n?\r\n"},
        {"both", "aVERTAVO 9\r\naTES0\r\naTSR0\r\naTSD0\r\noTSO2\r\noTSD5\r\noTSC\r\n"},
        {"neither", "aVERTAVO 9\r\naTES0\r\n?\r\n?\r\n?\r\n?\r\n?\r\n"},
    };
    for (const Case& c : cases) {
        start({"--personality", c.personality, "--firmware", "TAVO 9"});
        EXPECT_EQ(ask("rVER\rrTES\rrTSR\rrTSD\rcTSO2\rcTSD5\rcTSC\r"), c.replies) << c.personality;
    }
}

TEST_F(SerialTest, RequestIsAnsweredOnlyAtItsTerminator) {
    start();
    EXPECT_EQ(ask("cTS"), "");
    EXPECT_EQ(ask("O3"), "");
    EXPECT_EQ(ask("\n"), "oTSO3\r\n");
    EXPECT_EQ(ask("\r\n\r\nrTSD\r\n"), "aTSD4\r\n");
    EXPECT_EQ(ask(std::string(300, 'x') + "\rrTES\r"), "?\r\naTES0\r\n");
}

TEST_F(SerialTest, RepliesAreShapedByTheFault) {
    start();
    struct Case {
        const char* fault;
        const char* reply;
    };
    const Case cases[] = {
        {"fault no-cr", "aVERTAVO 2.01\n"},
        {"fault long 20", "aVER4567890123456789\r\n"},
        {"fault silent", ""},
        {"fault split 4 10", "aVERTAVO 2.01\r\n"},
        {"fault none", "aVERTAVO 2.01\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(control_->ok(c.fault));
        EXPECT_EQ(ask("rVER\r"), c.reply) << c.fault;
    }
    ASSERT_TRUE(control_->ok("fault garble"));
    std::string garbled = ask("rVER\r");
    EXPECT_EQ(garbled.size(), 15u);
    EXPECT_NE(garbled.substr(0, 4), "aVER");
}

TEST_F(SerialTest, SilentUnitIgnoresCommands) {
    start();
    ASSERT_TRUE(control_->ok("fault silent"));
    EXPECT_EQ(ask("cTSO2\r"), "");
    EXPECT_EQ(control_->command("state")[0], "line 0 mask 0 bino 0");
}

TEST_F(SerialTest, SlowRepliesTakeTheirTime) {
    struct Case {
        std::vector<std::string> args;
        const char* fault;
        long min_ms;
        long max_ms;
    };
    const Case cases[] = {
        {{}, "fault none", 0, 100},
        {{}, "fault split 3 100", 200, 600},
        {{}, "fault byte-delay 20", 15 * 20, 15 * 20 + 400},
        {{"--wire-time"}, "fault none", 15, 300}, // 15 characters at 1.042 ms
    };
    for (const Case& c : cases) {
        start(c.args);
        ASSERT_TRUE(control_->ok(c.fault));
        auto t0 = Clock::now();
        peer_->send("rVER\r");
        std::string line = peer_->read_line(milliseconds(3000));
        long took = elapsed_ms(t0);
        EXPECT_EQ(line, "aVERTAVO 2.01\r\n") << c.fault;
        EXPECT_GE(took, c.min_ms) << c.fault;
        EXPECT_LE(took, c.max_ms) << c.fault;
    }
}

TEST_F(SerialTest, StaleLineArrivesUnrequested) {
    start();
    ASSERT_TRUE(control_->ok("fault stale aTSR3"));
    EXPECT_EQ(peer_->read_line(), "aTSR3\r\n");
    EXPECT_EQ(ask("rTSR\r"), "aTSR0\r\n");
    EXPECT_EQ(control_->command("fault stale")[0], "error fault stale needs a text");
}

TEST_F(SerialTest, HangupDropsTheLineAndPlugBringsANewOne) {
    start();
    ASSERT_TRUE(control_->ok("line 2"));
    ASSERT_TRUE(control_->ok("fault hangup"));
    char byte;
    EXPECT_LE(::read(peer_->fd(), &byte, 1), 0); // EIO or EOF, as after a pulled cable
    EXPECT_EQ(control_->command("settings")[0], "error unplugged");
    EXPECT_EQ(control_->command("fault stale x")[0], "error unplugged");

    auto reply = control_->command("plug");
    ASSERT_EQ(reply.size(), 2u);
    ASSERT_EQ(reply[0].rfind("pty=/dev/pts/", 0), 0u);
    PtyPeer replugged(reply[0].substr(4));
    replugged.send("rTSR\r");
    EXPECT_EQ(replugged.collect(), "aTSR2\r\n");
    EXPECT_EQ(control_->command("plug")[0], "error already plugged");
}

} // namespace
} // namespace tavosim::test
