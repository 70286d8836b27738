#include "options.h"

#include <cstdlib>

namespace tavosim {

const char* const kUsage =
    "usage: tavosim [options]\n"
    "  --personality standard|extended|both|neither   request families answered (default both)\n"
    "  --firmware TEXT          reply text of rVER (default \"TAVO 2.01\")\n"
    "  --link-com N|auto        create WINEPREFIX/dosdevices/comN for the pty\n"
    "  --wineprefix DIR         Wine prefix for --link-com (default $WINEPREFIX, else ~/.wine)\n"
    "  --control-port N         TCP control port on 127.0.0.1 (default 0 = any)\n"
    "  --ready-file PATH        also write the ready line to PATH\n"
    "  --transcript FILE        write the transcript to FILE as it goes\n"
    "  --wire-time              pace sent bytes as at 9600 baud 8N1\n"
    "  --exit-on-stdin-eof      exit when stdin reaches end of file\n"
    "  --max-seconds N          exit after N seconds\n";

namespace {

bool to_int(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) return false;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool printable_line(const std::string& text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

} // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, const char* environment_prefix,
                                     const char* home, std::string& error) {
    Options options;
    bool prefix_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--wire-time") {
            options.wire_time = true;
        } else if (arg == "--exit-on-stdin-eof") {
            options.exit_on_stdin_eof = true;
        } else if (arg == "--personality") {
            if (!value(text)) return std::nullopt;
            auto personality = parse_personality(text);
            if (!personality) {
                error = "unknown personality '" + text + "'";
                return std::nullopt;
            }
            options.personality = *personality;
        } else if (arg == "--firmware") {
            if (!value(options.firmware)) return std::nullopt;
            if (options.firmware.size() > 64 || !printable_line(options.firmware)) {
                error = "--firmware must be at most 64 printable ASCII characters";
                return std::nullopt;
            }
        } else if (arg == "--link-com") {
            if (!value(text)) return std::nullopt;
            options.link = true;
            if (text != "auto" && !to_int(text, 1, 255, options.link_com)) {
                error = "--link-com takes 1..255 or auto";
                return std::nullopt;
            }
        } else if (arg == "--wineprefix") {
            if (!value(options.wineprefix)) return std::nullopt;
            prefix_given = true;
        } else if (arg == "--control-port") {
            if (!value(text)) return std::nullopt;
            if (!to_int(text, 0, 65535, options.control_port)) {
                error = "--control-port takes 0..65535";
                return std::nullopt;
            }
        } else if (arg == "--ready-file") {
            if (!value(options.ready_file)) return std::nullopt;
        } else if (arg == "--transcript") {
            if (!value(options.transcript_file)) return std::nullopt;
        } else if (arg == "--max-seconds") {
            if (!value(text)) return std::nullopt;
            if (!to_int(text, 1, 86400, options.max_seconds)) {
                error = "--max-seconds takes 1..86400";
                return std::nullopt;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    if (!prefix_given) {
        if (environment_prefix && *environment_prefix) {
            options.wineprefix = environment_prefix;
        } else if (home && *home) {
            options.wineprefix = std::string(home) + "/.wine";
        }
    }
    if (options.link && options.wineprefix.empty()) {
        error = "--link-com needs --wineprefix, $WINEPREFIX or $HOME";
        return std::nullopt;
    }
    return options;
}

} // namespace tavosim
