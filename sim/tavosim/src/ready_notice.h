#pragma once

#include <chrono>
#include <string>

namespace tavosim {

std::string ready_line(const std::string& pty, int com, int control_port);

// Writes all of `text`, waiting at most `bound` for a slow or non-blocking fd (stdout under Wine is a
// socket).
bool write_all(int fd, const std::string& text, std::chrono::milliseconds bound);

// Replaces `path` in one step, so a reader never sees a half-written file.
bool write_file_atomically(const std::string& path, const std::string& text, std::string& error);

} // namespace tavosim
