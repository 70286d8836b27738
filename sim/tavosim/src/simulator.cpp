#include "simulator.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "control_commands.h"
#include "ready_notice.h"

namespace tavosim {

namespace {

// Upper bound on one poll, so the time limit is checked even when nothing happens.
constexpr auto kMaxPollWait = std::chrono::milliseconds(1000);

timespec to_timespec(Clock::duration wait) {
    auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(wait, Clock::duration::zero())).count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

Simulator::Simulator(Options options)
    : options_(std::move(options)), started_(Clock::now()), model_(options_.personality, options_.firmware),
      transcript_(started_) {}

bool Simulator::open_signal_fd(std::string& error) {
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        // A parent may have left them ignored, and ignored signals never reach a signalfd.
        ::signal(signal_number, SIG_DFL);
        sigaddset(&set, signal_number);
    }
    ::signal(SIGPIPE, SIG_IGN);
    if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        error = std::string("sigprocmask: ") + std::strerror(errno);
        return false;
    }
    signal_fd_.reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!signal_fd_.valid()) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool Simulator::start(std::string& error) {
    if (!open_signal_fd(error) || !tty_.open(error)) return false;
    if (options_.link) {
        link_ = ComLink::create(options_.wineprefix, options_.link_com, tty_.slave_path(), error);
        if (!link_) return false;
    }
    if (!control_.listen(options_.control_port, error)) return false;
    if (!options_.transcript_file.empty() && !transcript_.mirror_to(options_.transcript_file)) {
        error = "cannot create transcript " + options_.transcript_file + ": " + std::strerror(errno);
        return false;
    }
    std::string line = ready_line(tty_.slave_path(), link_ ? link_->number() : 0, control_.port());
    if (!options_.ready_file.empty() && !write_file_atomically(options_.ready_file, line, error))
        return false;
    if (!write_all(STDOUT_FILENO, line, std::chrono::milliseconds(2000))) {
        std::fprintf(stderr, "tavosim: could not write the ready line to stdout\n");
    }
    return true;
}

void Simulator::run() {
    auto deadline = options_.max_seconds > 0 ? started_ + std::chrono::seconds(options_.max_seconds)
                                             : Clock::time_point::max();
    auto handler = [this](const std::string& line) { return run_control_command(line, *this); };
    std::vector<pollfd> fds;
    while (!quit_) {
        auto now = Clock::now();
        if (now >= deadline) {
            std::fprintf(stderr, "tavosim: --max-seconds reached, exiting\n");
            break;
        }
        if (tty_.is_open() &&
            !tx_.pump(tty_.master(), now, [this](const std::string& wire) { transcript_.sent(wire); })) {
            drop_line();
        }

        fds.clear();
        fds.push_back(pollfd{signal_fd_.get(), POLLIN, 0});
        fds.push_back(pollfd{options_.exit_on_stdin_eof && stdin_open_ ? STDIN_FILENO : -1, POLLIN, 0});
        short serial_events = static_cast<short>(POLLIN | (tx_.waiting_for_writable() ? POLLOUT : 0));
        fds.push_back(pollfd{tty_.is_open() ? tty_.master() : -1, serial_events, 0});
        control_.collect(fds);

        Clock::time_point wake = std::min(now + kMaxPollWait, deadline);
        if (auto due = tx_.next_due()) wake = std::min(wake, *due);
        timespec wait = to_timespec(wake - now);
        int ready = ::ppoll(fds.data(), fds.size(), &wait, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "tavosim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (ready <= 0) continue;

        if (fds[0].revents) on_signal();
        if (fds[1].revents) on_stdin_readable();
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) on_serial_readable();
        control_.dispatch(fds.data() + 3, fds.size() - 3, handler);
    }
}

void Simulator::on_signal() {
    signalfd_siginfo info{};
    if (::read(signal_fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) quit_ = true;
}

void Simulator::on_stdin_readable() {
    char scratch[4096];
    ssize_t n = ::read(STDIN_FILENO, scratch, sizeof scratch);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        stdin_open_ = false;
        quit_ = true; // whoever started us has gone
    }
}

void Simulator::on_serial_readable() {
    char buffer[4096];
    ssize_t n = ::read(tty_.master(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        std::fprintf(stderr, "tavosim: pty read failed: %s\n", n < 0 ? std::strerror(errno) : "end of file");
        drop_line();
        return;
    }
    for (Frame& frame : framer_.feed(buffer, static_cast<std::size_t>(n))) {
        transcript_.received(frame.raw);
        if (ignores_request(fault_, frame.body)) continue; // a dead unit does not act on requests either
        // A refusing unit acts on nothing it is asked.
        std::string reply =
            frame.overflow || fault_.kind == Fault::Kind::refuse ? "?" : model_.handle(frame.body);
        queue_line(shape_reply(reply + "\r\n", fault_, rng_));
    }
}

void Simulator::queue_line(std::vector<Piece> pieces) {
    if (options_.wire_time) pieces = pace_on_wire(pieces);
    std::string wire;
    for (const Piece& piece : pieces)
        wire += piece.bytes;
    tx_.push(std::move(pieces), std::move(wire), Clock::now());
}

bool Simulator::send_unsolicited(const std::string& text, std::string& error) {
    if (!tty_.is_open()) {
        error = "unplugged";
        return false;
    }
    if (text.size() > 1024 || text.find_first_of("\r\n") != std::string::npos) {
        error = "text must be one line of at most 1024 bytes";
        return false;
    }
    queue_line({Piece{{}, text + "\r\n"}});
    return true;
}

void Simulator::drop_line() {
    tty_.close();
    tx_.clear();
    framer_.reset();
}

bool Simulator::hangup(std::string& error) {
    if (!tty_.is_open()) {
        error = "already unplugged";
        return false;
    }
    drop_line();
    return true;
}

bool Simulator::plug(std::string& error) {
    if (tty_.is_open()) {
        error = "already plugged";
        return false;
    }
    if (!tty_.open(error)) return false;
    if (link_ && !link_->repoint(tty_.slave_path(), error)) return false;
    return true;
}

} // namespace tavosim
