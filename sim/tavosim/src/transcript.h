#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <deque>

namespace tavosim {

// Every request received and line sent, timestamped, kept in memory and optionally mirrored to a file.
class Transcript {
public:
    explicit Transcript(std::chrono::steady_clock::time_point start) : start_(start) {}

    // Opens (truncating) the mirror file; returns false when it cannot be created.
    bool mirror_to(const std::string& path);

    void received(const std::string& bytes) { add("RX", bytes); }
    void sent(const std::string& bytes) { add("TX", bytes); }

    // The most recent lines; the oldest are dropped beyond kMaxLines so a long run cannot exhaust memory.
    const std::deque<std::string>& lines() const { return lines_; }
    static constexpr std::size_t kMaxLines = 100000;
    void clear() { lines_.clear(); }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void add(const char* direction, const std::string& bytes);

    std::chrono::steady_clock::time_point start_;
    std::deque<std::string> lines_;
    std::unique_ptr<std::FILE, FileCloser> file_;
};

} // namespace tavosim
