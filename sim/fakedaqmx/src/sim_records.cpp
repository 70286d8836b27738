#include "sim.h"
#include "text_util.h"

namespace fakedaqmx {
namespace {

// Bounds memory when a driver runs for a long time; the oldest lines go first.
constexpr size_t kMaxLogLines = 100000;

} // namespace

void State::SetVoltage(const std::string& physical, double value) {
    voltages_[Lower(physical)] = {physical, value};
}

bool State::LastVoltage(std::string_view physical, double& out) const {
    auto it = voltages_.find(Lower(physical));
    if (it == voltages_.end()) return false;
    out = it->second.second;
    return true;
}

std::string State::VoltageText() const {
    std::string text;
    for (const auto& entry : voltages_)
        text += entry.second.first + " " + FormatShortest(entry.second.second) + "\n";
    return text;
}

void State::Log(std::string line) {
    if (log_.size() >= kMaxLogLines) {
        log_.pop_front();
        ++droppedLines_;
    }
    log_.push_back(std::move(line));
}

void State::ClearLog() {
    log_.clear();
    droppedLines_ = 0;
}

std::string State::LogText() const {
    std::string text;
    if (droppedLines_) text = "# " + std::to_string(droppedLines_) + " earlier calls dropped\n";
    for (const std::string& line : log_)
        text += line + "\n";
    return text;
}

} // namespace fakedaqmx
