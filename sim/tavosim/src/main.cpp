#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"
#include "simulator.h"

int main(int argc, char** argv) {
    std::string error;
    std::vector<std::string> args(argv + 1, argv + argc);
    auto options = tavosim::parse_options(args, std::getenv("WINEPREFIX"), std::getenv("HOME"), error);
    if (!options) {
        std::fprintf(stderr, "tavosim: %s\n%s", error.c_str(), tavosim::kUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(tavosim::kUsage, stdout);
        return 0;
    }
    tavosim::Simulator simulator(*options);
    if (!simulator.start(error)) {
        std::fprintf(stderr, "tavosim: %s\n", error.c_str());
        return 1;
    }
    simulator.run();
    return 0;
}
