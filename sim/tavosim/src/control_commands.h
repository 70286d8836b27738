#pragma once

#include <string>
#include <vector>

namespace tavosim {

class Simulator;

// Runs one control-channel command; the last returned line is "ok" or "error <text>".
std::vector<std::string> run_control_command(const std::string& line, Simulator& simulator);

} // namespace tavosim
