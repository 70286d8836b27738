#include "com_link.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tavosim {

namespace {

// Linux pty slaves use majors 136..143.
bool is_live_pty(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    unsigned int major_number = major(st.st_rdev);
    return major_number >= 136 && major_number <= 143;
}

bool read_link(const std::string& path, std::string& target) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return false;
    target.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// Binds an abstract socket named after the port. Only one process can hold it, the kernel drops it
// when that process dies, and it stays held while the link dangles between a hangup and a replug,
// so parallel units never take each other's port.
UniqueFd reserve(const std::string& dosdevices, int number) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return fd;
    char name[64];
    int length = std::snprintf(name, sizeof name, "tavosim-%016llx-com%d",
                               static_cast<unsigned long long>(fnv1a(dosdevices)), number);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name, static_cast<std::size_t>(length));
    auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), size) != 0) fd.reset();
    return fd;
}

// With the port reserved, a link left behind by a dead unit (or any non-pty link) may be replaced.
bool place_link(const std::string& path, const std::string& target) {
    if (::symlink(target.c_str(), path.c_str()) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || is_live_pty(path)) return false;
    if (::unlink(path.c_str()) != 0) return false;
    return ::symlink(target.c_str(), path.c_str()) == 0;
}

} // namespace

std::unique_ptr<ComLink> ComLink::create(const std::string& wineprefix, int number, const std::string& target,
                                         std::string& error) {
    std::string dosdevices = wineprefix + "/dosdevices";
    char resolved[PATH_MAX];
    if (::realpath(dosdevices.c_str(), resolved) == nullptr) {
        error = "no dosdevices directory at " + dosdevices + ": " + std::strerror(errno);
        return nullptr;
    }
    int first = number == 0 ? kFirstAuto : number;
    int last = number == 0 ? kLastAuto : number;
    for (int n = first; n <= last; ++n) {
        UniqueFd reservation = reserve(resolved, n);
        if (!reservation.valid()) continue;
        std::string path = std::string(resolved) + "/com" + std::to_string(n);
        if (place_link(path, target))
            return std::unique_ptr<ComLink>(new ComLink(n, path, target, std::move(reservation)));
    }
    error = number == 0 ? "no free COM port in " + std::string(resolved)
                        : "com" + std::to_string(number) + " is in use in " + resolved;
    return nullptr;
}

ComLink::ComLink(int number, std::string path, std::string target, UniqueFd reservation)
    : number_(number), path_(std::move(path)), target_(std::move(target)),
      reservation_(std::move(reservation)) {}

ComLink::~ComLink() {
    std::string current;
    if (read_link(path_, current) && current == target_) ::unlink(path_.c_str());
}

bool ComLink::repoint(const std::string& target, std::string& error) {
    std::string temporary = path_ + ".tavosim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), path_.c_str()) != 0) {
        error = "cannot re-point " + path_ + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    target_ = target;
    return true;
}

} // namespace tavosim
