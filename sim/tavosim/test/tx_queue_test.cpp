#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "tx_queue.h"
#include "unique_fd.h"

namespace tavosim {
namespace {

using std::chrono::milliseconds;

class TxQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
        read_end_.reset(fds[0]);
        write_end_.reset(fds[1]);
    }
    std::string drain() {
        char buffer[256];
        ssize_t n = ::read(read_end_.get(), buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    }
    void pump(Clock::time_point at) {
        ASSERT_TRUE(
            queue_.pump(write_end_.get(), at, [this](const std::string& wire) { sent_.push_back(wire); }));
    }

    UniqueFd read_end_, write_end_;
    TxQueue queue_;
    std::vector<std::string> sent_;
};

TEST_F(TxQueueTest, WritesPiecesOnScheduleAndReportsWholeLines) {
    auto t0 = Clock::now();
    queue_.push({{milliseconds(0), "ab"}, {milliseconds(10), "c"}}, "abc", t0);
    queue_.push({{milliseconds(5), "d"}}, "d", t0);
    pump(t0);
    EXPECT_EQ(drain(), "ab");
    EXPECT_EQ(queue_.next_due(), t0 + milliseconds(10));
    pump(t0 + milliseconds(9));
    EXPECT_EQ(drain(), "");
    pump(t0 + milliseconds(10));
    EXPECT_EQ(drain(), "c");
    // The second line starts after the first has finished, not from when it was queued.
    EXPECT_EQ(queue_.next_due(), t0 + milliseconds(15));
    pump(t0 + milliseconds(15));
    EXPECT_EQ(drain(), "d");
    EXPECT_EQ(sent_, (std::vector<std::string>{"abc", "d"}));
    EXPECT_FALSE(queue_.next_due());
}

TEST_F(TxQueueTest, ClearDropsPendingOutput) {
    auto t0 = Clock::now();
    queue_.push({{milliseconds(0), "a"}, {milliseconds(50), "b"}}, "ab", t0);
    pump(t0);
    queue_.clear();
    pump(t0 + milliseconds(60));
    EXPECT_EQ(drain(), "a");
    EXPECT_TRUE(sent_.empty());
    EXPECT_TRUE(queue_.empty());
}

} // namespace
} // namespace tavosim
