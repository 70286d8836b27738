#pragma once

#include <string>
#include <vector>

#include "socket_util.h"

namespace tavosim_fixture {

// Client of the simulated unit's control port: one command line out, reply lines back.
class ControlChannel {
public:
    bool connect(int port, std::string& error);
    bool connected() const { return socket_.valid(); }
    // Lines up to and including the final "ok" or "error ..."; empty when the unit does not answer in time.
    std::vector<std::string> command(const std::string& line, DWORD timeout_ms);
    void close() { socket_.reset(); }

private:
    Socket socket_;
    LineReader reader_;
};

} // namespace tavosim_fixture
