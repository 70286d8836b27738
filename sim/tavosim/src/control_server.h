#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace tavosim {

// Line-based TCP server on 127.0.0.1 for the control channel; any number of `nc` sessions at once.
class ControlServer {
public:
    // Takes one command line (without newline); returns the reply lines, the last being "ok" or "error ...".
    using Handler = std::function<std::vector<std::string>(const std::string&)>;

    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxPendingOutput = 64u << 20;
    static constexpr std::size_t kMaxClients = 32;

    bool listen(int port, std::string& error);
    int port() const { return port_; }

    // Adds the listener and every client to `fds`; `dispatch` must get the same entries back.
    void collect(std::vector<pollfd>& fds) const;
    void dispatch(const pollfd* fds, std::size_t count, const Handler& handler);

private:
    struct Client {
        UniqueFd fd;
        std::string in;
        std::string out;
        bool discarding = false; // inside an over-long line
        bool eof = false;        // peer finished sending; stays until its replies are out
        bool closed = false;
    };

    void accept_client();
    void read_from(Client& client, const Handler& handler);
    void reply(Client& client, const std::vector<std::string>& lines);
    void flush(Client& client);

    UniqueFd listener_;
    int port_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
};

} // namespace tavosim
