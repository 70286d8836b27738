#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tavosim {

// One request as received: `raw` is every byte since the previous request up to and including its
// terminator (stray CR/LF of empty lines included), `body` the request text alone.
struct Frame {
    std::string raw;
    std::string body;
    bool overflow = false;
};

// Cuts the received byte stream into requests at CR or LF, however the bytes were split into writes.
class RequestFramer {
public:
    explicit RequestFramer(std::size_t max_body = 256) : max_body_(max_body) {}

    std::vector<Frame> feed(const char* data, std::size_t size);
    void reset() { pending_ = Frame{}; }

private:
    std::size_t max_body_;
    Frame pending_;
};

} // namespace tavosim
