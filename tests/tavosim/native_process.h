#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "socket_util.h"

namespace tavosim_fixture {

// A native Linux program started from a Windows program under Wine.
//
// Wine runs such a program detached (double fork) and hands back no process handle, and it passes on
// stdin/stdout only when they are handles with a Unix fd: pipes are replaced by /dev/null, sockets work.
// So both are one end of a loopback socket pair: the child's stdout is read through it, and its end
// of file is how we see the child exit; shutting it down is the child's stdin end of file.
class NativeProcess {
public:
    NativeProcess() = default;
    ~NativeProcess();
    NativeProcess(const NativeProcess&) = delete;
    NativeProcess& operator=(const NativeProcess&) = delete;

    bool start(const std::string& unix_path, const std::vector<std::string>& args, std::string& error);
    LineReader::Result read_line(DWORD timeout_ms, std::string& line) {
        return reader_.read_line(stdio_.get(), timeout_ms, line);
    }
    // True once the child has exited (its stdout closed) within the bound.
    bool wait_exit(DWORD timeout_ms);
    // Gives the child end of file on stdin.
    void close_input();
    bool running() const { return stdio_.valid(); }
    // Closes our side; the child sees end of file on stdin.
    void release();

private:
    Socket stdio_;
    LineReader reader_;
    bool exited_ = false;
};

// Builds a command line that Wine splits back into exactly `args`.
std::wstring command_line(const std::wstring& program, const std::vector<std::string>& args);

// Starts a native helper and forgets it (used for /bin/kill, as there is no handle to terminate).
bool run_detached(const std::string& unix_path, const std::vector<std::string>& args);

} // namespace tavosim_fixture
