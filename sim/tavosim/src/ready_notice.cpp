#include "ready_notice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "unique_fd.h"

namespace tavosim {

std::string ready_line(const std::string& pty, int com, int control_port) {
    return "ready pty=" + pty + " com=" + std::to_string(com) + " control=" + std::to_string(control_port) +
           "\n";
}

bool write_all(int fd, const std::string& text, std::chrono::milliseconds bound) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }
    return true;
}

bool write_file_atomically(const std::string& path, const std::string& text, std::string& error) {
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    bool ok = fd.valid() && write_all(fd.get(), text, std::chrono::milliseconds(1000));
    fd.reset();
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tavosim
