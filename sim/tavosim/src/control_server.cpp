#include "control_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavosim {

bool ControlServer::listen(int port, std::string& error) {
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int one = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (!listener_.valid() ||
        ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 8) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = std::string("control port: ") + std::strerror(errno);
        listener_.reset();
        return false;
    }
    port_ = ntohs(address.sin_port);
    return true;
}

void ControlServer::collect(std::vector<pollfd>& fds) const {
    fds.push_back(pollfd{listener_.get(), POLLIN, 0});
    for (const auto& client : clients_) {
        short events = client->eof ? 0 : POLLIN;
        if (!client->out.empty()) events |= POLLOUT;
        fds.push_back(pollfd{client->fd.get(), events, 0});
    }
}

void ControlServer::dispatch(const pollfd* fds, std::size_t count, const Handler& handler) {
    std::size_t clients = std::min(count - 1, clients_.size());
    for (std::size_t i = 0; i < clients; ++i) {
        Client& client = *clients_[i];
        short events = fds[i + 1].revents;
        if (events & (POLLOUT | POLLERR)) flush(client);
        if (!client.eof && (events & (POLLIN | POLLHUP | POLLERR))) read_from(client, handler);
    }
    clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                  [](const auto& c) { return c->closed || (c->eof && c->out.empty()); }),
                   clients_.end());
    if (fds[0].revents & POLLIN) accept_client();
}

void ControlServer::accept_client() {
    UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.valid()) return;
    if (clients_.size() >= kMaxClients) {
        static const char refusal[] = "error too many control connections\n";
        ::send(fd.get(), refusal, sizeof refusal - 1, MSG_NOSIGNAL);
        return;
    }
    auto client = std::make_unique<Client>();
    client->fd = std::move(fd);
    clients_.push_back(std::move(client));
}

void ControlServer::read_from(Client& client, const Handler& handler) {
    char buffer[4096];
    ssize_t n = ::recv(client.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n == 0) {
        client.eof = true;
        return;
    }
    if (n < 0) {
        client.closed = true;
        return;
    }
    for (ssize_t i = 0; i < n && !client.closed; ++i) {
        char c = buffer[i];
        if (c != '\n') {
            if (client.in.size() < kMaxLine) {
                client.in.push_back(c);
            } else {
                client.discarding = true;
            }
            continue;
        }
        if (!client.in.empty() && client.in.back() == '\r') client.in.pop_back();
        if (client.discarding) {
            reply(client, {"error line too long"});
        } else if (!client.in.empty()) {
            reply(client, handler(client.in));
        }
        client.in.clear();
        client.discarding = false;
    }
}

void ControlServer::reply(Client& client, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        client.out += line + "\n";
    if (client.out.size() > kMaxPendingOutput) {
        client.closed = true; // a client that never reads must not grow us without bound
        return;
    }
    flush(client);
}

void ControlServer::flush(Client& client) {
    while (!client.out.empty()) {
        ssize_t n = ::send(client.fd.get(), client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            client.closed = true;
            return;
        }
        client.out.erase(0, static_cast<std::size_t>(n));
    }
}

} // namespace tavosim
