#include "tx_queue.h"

#include <cerrno>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace tavosim {

void TxQueue::push(std::vector<Piece> pieces, std::string wire, Clock::time_point now) {
    if (pieces.empty()) return;
    if (lines_.empty()) anchor_ = std::max(anchor_, now);
    lines_.push_back(Line{std::deque<Piece>(pieces.begin(), pieces.end()), std::move(wire), now});
}

std::optional<Clock::time_point> TxQueue::next_due() const {
    if (lines_.empty() || blocked_) return std::nullopt;
    const Line& head = lines_.front();
    // A line never starts before it was queued, so an idle gap is not made up by sending early.
    Clock::time_point base = head_started_ ? anchor_ : std::max(anchor_, head.queued);
    return base + head.pieces.front().delay;
}

bool TxQueue::pump(int fd, Clock::time_point now, const std::function<void(const std::string&)>& on_sent) {
    blocked_ = false;
    while (!lines_.empty()) {
        Clock::time_point due = *next_due();
        if (due > now) return true;
        Line& head = lines_.front();
        Piece& piece = head.pieces.front();
        ssize_t n = ::write(fd, piece.bytes.data() + written_, piece.bytes.size() - written_);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked_ = true;
                return true;
            }
            return false;
        }
        written_ += static_cast<std::size_t>(n);
        if (written_ < piece.bytes.size()) continue;
        written_ = 0;
        // After a stall the schedule restarts from now rather than bursting to catch up.
        anchor_ = (now - due > std::chrono::milliseconds(5)) ? now : due;
        head_started_ = true;
        head.pieces.pop_front();
        if (head.pieces.empty()) {
            on_sent(head.wire);
            lines_.pop_front();
            head_started_ = false;
        }
    }
    return true;
}

void TxQueue::clear() {
    lines_.clear();
    written_ = 0;
    head_started_ = false;
    blocked_ = false;
}

} // namespace tavosim
