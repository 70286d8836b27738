#include "pseudo_tty.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace tavosim {

namespace {

long baud_of(speed_t speed) {
    switch (speed) {
    case B0:
        return 0;
    case B300:
        return 300;
    case B600:
        return 600;
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return -1;
    }
}

int bits_of(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

const char* parity_of(tcflag_t cflag) {
    if (!(cflag & PARENB)) return "none";
#ifdef CMSPAR
    if (cflag & CMSPAR) return (cflag & PARODD) ? "mark" : "space";
#endif
    return (cflag & PARODD) ? "odd" : "even";
}

std::string errno_text(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool PseudoTty::open(std::string& error) {
    close();
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error = errno_text("openpty");
        return false;
    }
    UniqueFd master_fd(master);
    UniqueFd slave_fd(slave);
    char name[128];
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        error = errno_text("ttyname_r");
        return false;
    }
    // Raw before anyone can open it: no echo and no CR/NL translation, ever.
    termios raw{};
    if (::tcgetattr(slave, &raw) != 0) {
        error = errno_text("tcgetattr");
        return false;
    }
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave, TCSANOW, &raw) != 0) {
        error = errno_text("tcsetattr");
        return false;
    }
    int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(slave, F_SETFD, FD_CLOEXEC) != 0) {
        error = errno_text("fcntl");
        return false;
    }
    master_ = std::move(master_fd);
    slave_ = std::move(slave_fd);
    slave_path_ = name;
    return true;
}

void PseudoTty::close() {
    master_.reset();
    slave_.reset();
}

bool PseudoTty::line_settings(std::string& settings, std::string& error) const {
    if (!slave_.valid()) {
        error = "unplugged";
        return false;
    }
    termios t{};
    if (::tcgetattr(slave_.get(), &t) != 0) {
        error = errno_text("tcgetattr");
        return false;
    }
    settings = "baud " + std::to_string(baud_of(::cfgetospeed(&t))) + " bits " +
               std::to_string(bits_of(t.c_cflag)) + " parity " + parity_of(t.c_cflag) + " stop " +
               ((t.c_cflag & CSTOPB) ? "2" : "1") + " crtscts " + ((t.c_cflag & CRTSCTS) ? "1" : "0") +
               " ixon " + ((t.c_iflag & IXON) ? "1" : "0");
    return true;
}

} // namespace tavosim
