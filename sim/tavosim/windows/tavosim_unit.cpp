#include "tavosim_unit.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace tavosim_unit {

namespace {

constexpr DWORD kQuitReplyMs = 2000;
constexpr DWORD kQuitWaitMs = 3000;
constexpr DWORD kEofWaitMs = 2000;
constexpr size_t kMaxLine = 64 * 1024;

enum class Read { line, timeout, closed };

// Winsock stays initialised for the rest of the process.
bool winsock_ready() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

void close_socket(SOCKET& s) {
    if (s != INVALID_SOCKET) closesocket(s);
    s = INVALID_SOCKET;
}

// Milliseconds left until `deadline` (a GetTickCount64 value), never negative.
DWORD left_until(ULONGLONG deadline) {
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

bool readable(SOCKET s, DWORD timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

// One line without its "\n" (and without a trailing "\r"); what follows it stays in `buffer`.
Read read_line(SOCKET s, std::string& buffer, DWORD timeout_ms, std::string& line) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return Read::line;
        }
        if (buffer.size() > kMaxLine) return Read::closed;
        if (!readable(s, left_until(deadline))) return Read::timeout;
        char chunk[4096];
        int n = recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) return Read::closed;
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

// Waits for the peer to close; data arriving meanwhile is discarded.
bool wait_closed(SOCKET s, DWORD timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (!readable(s, left_until(deadline))) return false;
        char chunk[4096];
        if (recv(s, chunk, sizeof chunk, 0) <= 0) return true;
    }
}

SOCKET plain_tcp_socket() {
    // No WSA_FLAG_OVERLAPPED: the handle may end up as a child's stdio.
    SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0);
    if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return s;
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Two connected loopback sockets, like socketpair().
bool socket_pair(SOCKET& ours, SOCKET& theirs) {
    SOCKET listener = plain_tcp_socket();
    sockaddr_in address = loopback(0);
    int size = sizeof address;
    bool listening = listener != INVALID_SOCKET &&
                     bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(listener, 1) == 0 &&
                     getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ours = listening ? plain_tcp_socket() : INVALID_SOCKET;
    // Once connected, accept cannot block.
    if (ours != INVALID_SOCKET && connect(ours, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        theirs = accept(listener, nullptr, nullptr);
    close_socket(listener);
    if (theirs == INVALID_SOCKET) {
        close_socket(ours);
        return false;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(theirs), HANDLE_FLAG_INHERIT, 0);
    return true;
}

std::wstring widen(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                   static_cast<int>(out.size()));
    out.resize(size > 0 ? static_cast<size_t>(size) : 0);
    return out;
}

// Quoted so that Wine splits the command line back into exactly this argument.
std::wstring quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out.push_back(c);
        backslashes = 0;
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

// Starts a native program and forgets it; `stdio`, if any, becomes its stdin and stdout.
bool start_native(const std::string& unix_path, const std::vector<std::string>& args, SOCKET stdio,
                  std::string& error) {
    std::wstring program = windows_path_of_unix_file(unix_path);
    if (program.empty()) {
        error = "cannot map " + unix_path + " to a Windows path (not running under Wine?)";
        return false;
    }
    std::wstring line = quote(program);
    for (const std::string& arg : args)
        line += L" " + quote(widen(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (stdio != INVALID_SOCKET) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = reinterpret_cast<HANDLE>(stdio);
        startup.hStdOutput = reinterpret_cast<HANDLE>(stdio);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    // No console flags: with CREATE_NEW_CONSOLE or DETACHED_PROCESS Wine gives the child /dev/null.
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        error = "CreateProcess(" + unix_path + ") failed: " + std::to_string(GetLastError());
        return false;
    }
    // A Unix program runs without a Windows process or thread, and the two handles Wine returns in `info`
    // are not the child's: one was seen to be this process's own standard output, and closing it cut off
    // the test's report. They are left alone.
    return true;
}

} // namespace

SOCKET connect_loopback(int port) {
    if (!winsock_ready()) return INVALID_SOCKET;
    SOCKET s = plain_tcp_socket();
    sockaddr_in address = loopback(port);
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        close_socket(s);
    return s;
}

std::wstring windows_path_of_unix_file(const std::string& unix_path) {
    // Wine's own export from kernel32, absent on Windows; void (*)() converts to any function pointer
    // type without a -Wcast-function-type warning.
    using DosFileNameFn = WCHAR*(CDECL*)(const char*);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    auto any =
        kernel32 ? reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "wine_get_dos_file_name")) : nullptr;
    WCHAR* dos = any ? reinterpret_cast<DosFileNameFn>(any)(unix_path.c_str()) : nullptr;
    if (!dos) return {};
    std::wstring out = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return out;
}

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
    if (!winsock_ready()) {
        error_ = "WSAStartup failed";
        return false;
    }
    const char* binary = std::getenv("QV_TAVOSIM");
    if (!binary || !*binary) {
        error_ = "QV_TAVOSIM is not set (path of the native tavosim binary)";
        return false;
    }
    // The unit finds the Wine prefix in $WINEPREFIX (else ~/.wine), as Wine itself does.
    std::vector<std::string> args = {"--link-com", "auto",          "--exit-on-stdin-eof", "--max-seconds",
                                     "600",        "--personality", options.personality};
    if (!options.firmware.empty()) {
        args.push_back("--firmware");
        args.push_back(options.firmware);
    }
    if (options.wire_time) args.push_back("--wire-time");
    args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());

    SOCKET theirs = INVALID_SOCKET;
    if (!socket_pair(stdio_, theirs)) {
        error_ = "loopback socket pair failed: " + std::to_string(WSAGetLastError());
        return false;
    }
    bool started = start_native(binary, args, theirs, error_);
    // Only the child may hold its end now, or its exit would never show as end of file here.
    close_socket(theirs);
    if (!started) return false;
    std::string buffer, line;
    Read result = read_line(stdio_, buffer, kStartTimeoutMs, line);
    if (result != Read::line) {
        error_ = result == Read::timeout ? "no ready line from tavosim within the time limit"
                                         : "tavosim exited before it was ready (see its stderr)";
        return false;
    }
    if (std::sscanf(line.c_str(), "ready pty=%*s com=%d control=%d", &com_, &control_port_) != 2 ||
        com_ <= 0) {
        error_ = "unexpected ready line: " + line;
        return false;
    }
    control_ = connect_loopback(control_port_);
    if (control_ == INVALID_SOCKET) {
        error_ = "connect to the control port failed: " + std::to_string(WSAGetLastError());
        return false;
    }
    std::string pid = single_line("pid");
    if (pid.rfind("pid ", 0) == 0) unix_pid_ = std::stol(pid.substr(4));
    return true;
}

std::vector<std::string> TavoSimUnit::command(const std::string& line, DWORD timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    // A command line is far below what a socket buffers, so the send does not wait.
    std::string request = line + "\n";
    if (control_ == INVALID_SOCKET || send(control_, request.data(), static_cast<int>(request.size()), 0) !=
                                          static_cast<int>(request.size()))
        return {};
    std::vector<std::string> lines;
    for (;;) {
        std::string reply;
        if (read_line(control_, control_buffer_, left_until(deadline), reply) != Read::line) {
            // A late reply would be taken for the next command's, so this session is done.
            close_socket(control_);
            return {};
        }
        lines.push_back(reply);
        if (reply == "ok" || reply.rfind("error", 0) == 0) return lines;
    }
}

std::vector<std::string> TavoSimUnit::command(const std::string& line) {
    return command(line, kCommandTimeoutMs);
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
    if (stdio_ == INVALID_SOCKET) return;
    // Politely first, then by end of file on its stdin, then by force.
    if (control_ != INVALID_SOCKET) command("quit", kQuitReplyMs);
    close_socket(control_);
    if (!wait_closed(stdio_, kQuitWaitMs)) {
        shutdown(stdio_, SD_SEND);
        if (!wait_closed(stdio_, kEofWaitMs) && unix_pid_ > 0) {
            // Wine gives no handle to TerminateProcess for a native child, so kill it by its Unix pid.
            std::string error;
            start_native("/bin/kill", {"-KILL", std::to_string(unix_pid_)}, INVALID_SOCKET, error);
        }
    }
    close_socket(stdio_);
}

} // namespace tavosim_unit
