#include "tavosim_fixture.h"

#include <cstdio>

#include "wine_host.h"

namespace tavosim_fixture {

namespace {

constexpr DWORD kQuitReplyMs = 2000;
constexpr DWORD kQuitWaitMs = 3000;
constexpr DWORD kEofWaitMs = 2000;

} // namespace

TavoSimUnit::TavoSimUnit(const TavoSimOptions& options) {
    if (!start(options)) {
        if (error_.empty()) error_ = "tavosim did not start";
        stop();
    }
}

TavoSimUnit::~TavoSimUnit() {
    stop();
}

bool TavoSimUnit::start(const TavoSimOptions& options) {
    if (!winsock_.ok()) {
        error_ = "WSAStartup failed";
        return false;
    }
    std::string binary = environment_variable("QV_TAVOSIM");
    if (binary.empty()) {
        error_ = "QV_TAVOSIM is not set (path of the native tavosim binary)";
        return false;
    }
    std::vector<std::string> args = {"--link-com", "auto",          "--exit-on-stdin-eof", "--max-seconds",
                                     "600",        "--personality", options.personality};
    std::string prefix = wine_prefix_directory();
    if (!prefix.empty()) {
        args.push_back("--wineprefix");
        args.push_back(prefix);
    }
    if (!options.firmware.empty()) {
        args.push_back("--firmware");
        args.push_back(options.firmware);
    }
    if (options.wire_time) args.push_back("--wire-time");
    args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());

    if (!process_.start(binary, args, error_)) return false;
    std::string line;
    auto result = process_.read_line(kStartTimeoutMs, line);
    if (result != LineReader::Result::line) {
        error_ = result == LineReader::Result::timeout
                     ? "no ready line from tavosim within the time limit"
                     : "tavosim exited before it was ready (see its stderr)";
        return false;
    }
    char pty[128] = {};
    if (std::sscanf(line.c_str(), "ready pty=%127s com=%d control=%d", pty, &com_, &control_port_) != 3 ||
        com_ <= 0) {
        error_ = "unexpected ready line: " + line;
        return false;
    }
    pty_ = pty;
    if (!control_.connect(control_port_, error_)) return false;
    std::string pid = single_line("pid");
    if (pid.rfind("pid ", 0) == 0) unix_pid_ = std::stol(pid.substr(4));
    return true;
}

std::vector<std::string> TavoSimUnit::command(const std::string& line) {
    return control_.command(line, kCommandTimeoutMs);
}

bool TavoSimUnit::run(const std::string& line) {
    auto reply = command(line);
    return !reply.empty() && reply.back() == "ok";
}

std::string TavoSimUnit::single_line(const std::string& command_line) {
    auto reply = command(command_line);
    return reply.size() == 2 && reply.back() == "ok" ? reply.front() : std::string();
}

std::string TavoSimUnit::state() {
    return single_line("state");
}

std::string TavoSimUnit::settings() {
    return single_line("settings");
}

std::vector<std::string> TavoSimUnit::transcript() {
    auto reply = command("transcript");
    if (reply.empty() || reply.back() != "ok") return {};
    reply.pop_back();
    for (std::string& entry : reply) {
        size_t space = entry.find(' ');
        if (space != std::string::npos) entry.erase(0, space + 1);
    }
    return reply;
}

void TavoSimUnit::stop() {
    if (!process_.running()) return;
    // Politely first, then by end of file on its stdin, then by force.
    if (control_.connected()) control_.command("quit", kQuitReplyMs);
    control_.close();
    if (!process_.wait_exit(kQuitWaitMs)) {
        process_.close_input();
        if (!process_.wait_exit(kEofWaitMs) && unix_pid_ > 0) {
            // Wine gives no handle to TerminateProcess for a native child, so kill it by its Unix pid.
            run_detached("/bin/kill", {"-KILL", std::to_string(unix_pid_)});
        }
    }
    process_.release();
}

} // namespace tavosim_fixture
