#include "unit_model.h"

#include <utility>

namespace tavosim {

namespace {

const char* const kUnsupported = "?";

// Single decimal digit argument after a four-letter command, or -1.
int digit_argument(const std::string& request) {
    if (request.size() != 5) return -1;
    char c = request[4];
    return (c >= '0' && c <= '9') ? c - '0' : -1;
}

} // namespace

std::optional<Personality> parse_personality(const std::string& name) {
    if (name == "standard") return Personality::standard;
    if (name == "extended") return Personality::extended;
    if (name == "both") return Personality::both;
    if (name == "neither") return Personality::neither;
    return std::nullopt;
}

UnitModel::UnitModel(Personality personality, std::string firmware)
    : personality_(personality), firmware_(std::move(firmware)) {}

bool UnitModel::select_line(int line) {
    if (line < 0 || line > 3) return false;
    line_ = line;
    mask_ = line == 0 ? 0 : 1 << (line - 1);
    return true;
}

bool UnitModel::set_mask(int mask) {
    if (mask < 0 || mask > 7) return false;
    mask_ = mask;
    line_ = 0;
    for (int bit = 0; bit < 3; ++bit) {
        if (mask & (1 << bit)) {
            line_ = bit + 1;
            break;
        }
    }
    return true;
}

std::string UnitModel::handle(const std::string& request) {
    if (request == "rVER") return "aVER" + firmware_;
    if (request == "rTES") return binocular_ ? "aTES1" : "aTES0";
    if (request == "rTSR" && standard()) return "aTSR" + std::to_string(line_);
    if (request == "rTSD" && extended()) return "aTSD" + std::to_string(mask_);
    if (request == "cTSC" && standard()) {
        select_line(0);
        return "oTSC";
    }
    std::string command = request.substr(0, 4);
    int argument = digit_argument(request);
    if (command == "cTSO" && standard() && argument >= 1 && argument <= 3) {
        select_line(argument);
        return "oTSO" + std::to_string(argument);
    }
    if (command == "cTSD" && extended() && set_mask(argument)) return "oTSD" + std::to_string(argument);
    return kUnsupported;
}

} // namespace tavosim
