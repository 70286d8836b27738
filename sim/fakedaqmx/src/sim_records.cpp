#include "sim.h"

#include <cmath>

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

bool State::Light(std::string_view physical, bool meter, double& out) {
    std::string key = Lower(physical);
    auto aom = scenario.aoms.find(key);
    if (aom == scenario.aoms.end()) return false;
    const AomResponse& r = aom->second;
    double volts = 0.0;
    std::string device = key.substr(0, key.find('/'));
    if (!IsRemoved(device)) LastVoltage(key, volts);
    double share = (volts - r.low) / (r.high - r.low);
    share = share < 0.0 ? 0.0 : share > 1.0 ? 1.0 : share;
    double s = std::sin(1.5707963267948966 * share);
    out = r.full * s * s;
    if (meter) {
        // Uniform within the meter's accuracy; drawn from the raw generator, which is the same everywhere.
        std::mt19937& source = meters_[key];
        double unit = (source() + 0.5) / 4294967296.0; // (0, 1)
        out += (2.0 * unit - 1.0) * r.noise / 100.0 * r.full;
        if (out < 0.0) out = 0.0;
    }
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
