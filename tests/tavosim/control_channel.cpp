#include "control_channel.h"

#include <windows.h>

namespace tavosim_fixture {

bool ControlChannel::connect(int port, std::string& error) {
    socket_ = connect_loopback(port, error);
    reader_ = LineReader();
    return socket_.valid();
}

std::vector<std::string> ControlChannel::command(const std::string& line, DWORD timeout_ms) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    if (!socket_.valid() || !send_all(socket_.get(), line + "\n", timeout_ms)) return {};
    std::vector<std::string> lines;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        std::string reply;
        if (reader_.read_line(socket_.get(), left, reply) != LineReader::Result::line) {
            // A late reply would be taken for the next command's, so this session is done.
            socket_.reset();
            return {};
        }
        lines.push_back(reply);
        if (reply == "ok" || reply.rfind("error", 0) == 0) return lines;
    }
}

} // namespace tavosim_fixture
