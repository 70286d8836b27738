#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fault.h"

namespace tavosim {

using Clock = std::chrono::steady_clock;

// Lines waiting to go out on the serial side, each written piece by piece on its schedule.
class TxQueue {
public:
    // `wire` is what the line looks like on the wire as a whole, reported once the last byte is out.
    void push(std::vector<Piece> pieces, std::string wire, Clock::time_point now);

    // When the next piece is due, or nothing when idle or when the fd must become writable first.
    std::optional<Clock::time_point> next_due() const;
    bool waiting_for_writable() const { return blocked_; }

    // Writes every due piece to the non-blocking fd. Returns false on a write error.
    bool pump(int fd, Clock::time_point now, const std::function<void(const std::string&)>& on_sent);

    void clear();
    bool empty() const { return lines_.empty(); }

private:
    struct Line {
        std::deque<Piece> pieces;
        std::string wire;
        Clock::time_point queued;
    };

    std::deque<Line> lines_;
    std::size_t written_ = 0;    // bytes of the head piece already out
    Clock::time_point anchor_{}; // when the previous piece was due (or finished, after a stall)
    bool head_started_ = false;
    bool blocked_ = false;
};

} // namespace tavosim
