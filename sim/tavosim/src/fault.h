#pragma once

#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tavosim {

// How the unit misbehaves when it answers. One at a time; a new one replaces the last.
struct Fault {
    enum class Kind {
        none,
        silent,
        garble,
        split,
        byte_delay,
        no_cr,
        long_reply,
        silent_after,
        refuse,      // every request answered "?" and not acted on
        bare,        // the reply cut to its mnemonic, ended by a line feed only
        every_other, // silent from every other request that begins with `prefix` up to the next one
    };
    Kind kind = Kind::none;
    int count = 0;      // split: pieces; long_reply: length before "\r\n"; silent_after: answers left
    int delay_ms = 0;   // split: between pieces; byte_delay: before every byte
    std::string prefix; // every_other
    bool muted = false; // every_other: the unit is in its silent half

    // Parses the words after "fault" ("garble", "split 3 20", ...); stale and hangup are actions,
    // not lasting faults, and are handled by the caller.
    static std::optional<Fault> parse(const std::vector<std::string>& words, std::string& error);
};

// A run of bytes to write once `delay` has passed since the previous run was due.
struct Piece {
    std::chrono::microseconds delay{0};
    std::string bytes;
};

// Whether the unit neither answers nor acts on this request (silent, and every_other in its silent half;
// the latter turns at each request beginning with its prefix).
bool ignores_request(Fault& fault, const std::string& request);

// Applies the fault to a complete reply line (ending "\r\n"). Silent yields no pieces.
std::vector<Piece> shape_reply(const std::string& line, const Fault& fault, std::mt19937& rng);

// Spreads pieces out byte by byte at 9600 baud 8N1, each byte arriving when its stop bit ends.
std::vector<Piece> pace_on_wire(const std::vector<Piece>& pieces);

constexpr std::chrono::microseconds kCharTimeAt9600{1042};

} // namespace tavosim
