#pragma once

#include <optional>
#include <string>
#include <vector>

#include "unit_model.h"

namespace tavosim {

struct Options {
    Personality personality = Personality::both;
    std::string firmware = "TAVO 2.01";
    bool link = false;
    int link_com = 0; // 0 = auto
    std::string wineprefix;
    int control_port = 0;
    std::string ready_file;
    std::string transcript_file;
    bool wire_time = false;
    bool exit_on_stdin_eof = false;
    int max_seconds = 0; // 0 = no limit
    bool help = false;
};

// `environment_prefix` and `home` stand in for $WINEPREFIX and $HOME (either may be null).
std::optional<Options> parse_options(const std::vector<std::string>& args, const char* environment_prefix,
                                     const char* home, std::string& error);

extern const char* const kUsage;

} // namespace tavosim
