#include "socket_util.h"

#include <ws2tcpip.h>

#include <windows.h>

namespace tavosim_fixture {

namespace {

std::string wsa_error(const char* what) {
    return std::string(what) + " failed: " + std::to_string(WSAGetLastError());
}

// Milliseconds left until `deadline` (a GetTickCount64 value), never negative.
DWORD left_until(ULONGLONG deadline) {
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

bool wait_socket(SOCKET s, bool for_write, DWORD timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
    return select(0, for_write ? nullptr : &set, for_write ? &set : nullptr, nullptr, &tv) > 0;
}

Socket plain_tcp_socket() {
    // No WSA_FLAG_OVERLAPPED: the handle may end up as a child's stdio.
    Socket s(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
    if (s.valid()) SetHandleInformation(reinterpret_cast<HANDLE>(s.get()), HANDLE_FLAG_INHERIT, 0);
    return s;
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

WinsockSession::WinsockSession() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (ok_) WSACleanup();
}

Socket connect_loopback(int port, std::string& error) {
    Socket s = plain_tcp_socket();
    sockaddr_in address = loopback(port);
    if (!s.valid() || connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = wsa_error("connect to the control port");
        return Socket();
    }
    return s;
}

bool make_socket_pair(Socket& first, Socket& second, std::string& error) {
    Socket listener = plain_tcp_socket();
    sockaddr_in address = loopback(0);
    int size = sizeof address;
    if (!listener.valid() ||
        bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), 1) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = wsa_error("listen on loopback");
        return false;
    }
    first = plain_tcp_socket();
    if (!first.valid() || connect(first.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = wsa_error("connect on loopback");
        return false;
    }
    // The connection is already established, so accept cannot block here.
    second.reset(accept(listener.get(), nullptr, nullptr));
    if (!second.valid()) {
        error = wsa_error("accept on loopback");
        return false;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(second.get()), HANDLE_FLAG_INHERIT, 0);
    return true;
}

bool send_all(SOCKET s, const std::string& text, DWORD timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    size_t done = 0;
    while (done < text.size()) {
        if (!wait_socket(s, true, left_until(deadline))) return false;
        int n = send(s, text.data() + done, static_cast<int>(text.size() - done), 0);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

LineReader::Result LineReader::read_line(SOCKET s, DWORD timeout_ms, std::string& line) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return Result::line;
        }
        if (buffer_.size() > kMaxLine) return Result::closed;
        if (!wait_socket(s, false, left_until(deadline))) return Result::timeout;
        char chunk[4096];
        int n = recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) return Result::closed;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool LineReader::wait_closed(SOCKET s, DWORD timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (!wait_socket(s, false, left_until(deadline))) return false;
        char chunk[4096];
        if (recv(s, chunk, sizeof chunk, 0) <= 0) return true;
    }
}

} // namespace tavosim_fixture
