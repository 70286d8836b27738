#include "sim_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <thread>

namespace tavosim::test {

namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Reads what is available from fd into `out`, waiting at most `wait_ms`. False on EOF or error.
bool read_some(int fd, std::string& out, int wait_ms) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, wait_ms) <= 0) return true;
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
    return n > 0 || (n < 0 && errno == EAGAIN);
}

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    UniqueFd in_read(in[0]), out_write(out[1]);
    stdin_.reset(in[1]);
    stdout_.reset(out[0]);
    std::vector<char*> argv{const_cast<char*>(TAVOSIM_PATH)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in_read.get(), STDIN_FILENO);
        ::dup2(out_write.get(), STDOUT_FILENO);
        ::execv(TAVOSIM_PATH, argv.data());
        ::_exit(127);
    }
    out_write.reset();
    std::string text;
    auto deadline = Clock::now() + milliseconds(5000);
    while (text.find('\n') == std::string::npos && remaining_ms(deadline) > 0) {
        if (!read_some(stdout_.get(), text, remaining_ms(deadline))) break;
    }
    std::smatch match;
    static const std::regex pattern(R"(ready pty=(\S+) com=(\d+) control=(\d+)\n)");
    if (std::regex_match(text, match, pattern)) {
        ready_line = text;
        pty = match[1];
        com = std::stoi(match[2]);
        control_port = std::stoi(match[3]);
    }
}

SimProcess::~SimProcess() {
    if (pid_ <= 0) return;
    signal(SIGTERM);
    if (wait_exit(milliseconds(3000)) == -1) {
        ::kill(pid_, SIGKILL);
        wait_exit(milliseconds(3000));
    }
}

void SimProcess::signal(int signal_number) const {
    if (pid_ > 0) ::kill(pid_, signal_number);
}

int SimProcess::wait_exit(milliseconds bound) {
    if (pid_ <= 0) return -1;
    auto deadline = Clock::now() + bound;
    for (;;) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (remaining_ms(deadline) == 0) return -1;
        std::this_thread::sleep_for(milliseconds(10));
    }
}

PtyPeer::PtyPeer(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}

bool PtyPeer::send(const std::string& bytes) {
    return ::write(fd_.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string PtyPeer::collect(milliseconds quiet, milliseconds bound) {
    std::string out;
    auto deadline = Clock::now() + bound;
    while (remaining_ms(deadline) > 0) {
        std::size_t before = out.size();
        if (!read_some(fd_.get(), out, std::min(static_cast<int>(quiet.count()), remaining_ms(deadline))))
            break;
        if (out.size() == before) break;
    }
    return out;
}

ControlClient::ControlClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fd_.reset();
}

std::vector<std::string> ControlClient::command(const std::string& line, milliseconds bound) {
    std::string request = line + "\n";
    if (!fd_.valid() || ::send(fd_.get(), request.data(), request.size(), MSG_NOSIGNAL) < 0) return {};
    std::vector<std::string> lines;
    auto deadline = Clock::now() + bound;
    for (;;) {
        std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            lines.push_back(buffer_.substr(0, end));
            buffer_.erase(0, end + 1);
            if (lines.back() == "ok" || lines.back().rfind("error", 0) == 0) return lines;
            continue;
        }
        if (remaining_ms(deadline) == 0 || !read_some(fd_.get(), buffer_, remaining_ms(deadline))) return {};
    }
}

bool ControlClient::ok(const std::string& line) {
    auto lines = command(line);
    return !lines.empty() && lines.back() == "ok";
}

std::vector<std::string> without_times(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line == "ok") continue;
        std::size_t space = line.find(' ');
        out.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return out;
}

std::vector<std::string> file_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string make_temp_dir() {
    char pattern[] = "/tmp/tavosim-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    return dir ? dir : "";
}

} // namespace tavosim::test
