#pragma once

#include <winsock2.h>

#include <string>

namespace tavosim_fixture {

// Keeps Winsock initialised for as long as it lives.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Owns one socket and closes it exactly once.
class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET s) : s_(s) {}
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : s_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    SOCKET get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET; }
    SOCKET release() {
        SOCKET s = s_;
        s_ = INVALID_SOCKET;
        return s;
    }
    void reset(SOCKET s = INVALID_SOCKET) {
        if (s_ != INVALID_SOCKET) closesocket(s_);
        s_ = s;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
};

// A blocking (non-overlapped) TCP connection to 127.0.0.1:port.
Socket connect_loopback(int port, std::string& error);

// Two connected loopback sockets, like socketpair(). Under Wine a socket handle has a real Unix fd,
// which is what lets it become a native child's stdin/stdout (Wine pipes cannot).
bool make_socket_pair(Socket& first, Socket& second, std::string& error);

bool send_all(SOCKET s, const std::string& text, DWORD timeout_ms);

// Reads newline-terminated lines from a socket, every wait bounded.
class LineReader {
public:
    static constexpr size_t kMaxLine = 64 * 1024;
    enum class Result { line, timeout, closed };

    // `line` is returned without its "\n" (and without a trailing "\r").
    Result read_line(SOCKET s, DWORD timeout_ms, std::string& line);
    // Waits for the peer to close; data arriving meanwhile is discarded.
    bool wait_closed(SOCKET s, DWORD timeout_ms);

private:
    std::string buffer_;
};

} // namespace tavosim_fixture
