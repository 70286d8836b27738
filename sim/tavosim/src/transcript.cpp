#include "transcript.h"

#include "escape.h"

namespace tavosim {

bool Transcript::mirror_to(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "we"));
    return file_ != nullptr;
}

void Transcript::add(const char* direction, const std::string& bytes) {
    auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%lld.%06lld", static_cast<long long>(elapsed.count() / 1000000),
                  static_cast<long long>(elapsed.count() % 1000000));
    std::string line = std::string(stamp) + " " + direction + " \"" + escape_bytes(bytes) + "\"";
    if (lines_.size() == kMaxLines) lines_.pop_front();
    lines_.push_back(line);
    if (file_) {
        std::fprintf(file_.get(), "%s\n", line.c_str());
        std::fflush(file_.get());
    }
}

} // namespace tavosim
