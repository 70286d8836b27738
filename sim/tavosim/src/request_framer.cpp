#include "request_framer.h"

#include <utility>

namespace tavosim {

std::vector<Frame> RequestFramer::feed(const char* data, std::size_t size) {
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < size; ++i) {
        char c = data[i];
        bool terminator = c == '\r' || c == '\n';
        if (terminator && pending_.body.empty() && !pending_.overflow) {
            // Empty line: keep the byte so the transcript shows it with the next request.
            if (pending_.raw.size() < max_body_) pending_.raw.push_back(c);
            continue;
        }
        if (terminator) {
            pending_.raw.push_back(c);
            frames.push_back(std::exchange(pending_, Frame{}));
            continue;
        }
        if (pending_.body.size() >= max_body_) {
            pending_.overflow = true;
            continue;
        }
        pending_.raw.push_back(c);
        pending_.body.push_back(c);
    }
    return frames;
}

} // namespace tavosim
