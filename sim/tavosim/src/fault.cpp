#include "fault.h"

#include <algorithm>
#include <cstdlib>

namespace tavosim {

namespace {

constexpr int kMaxLong = 65536;
constexpr int kMaxDelayMs = 60000;
constexpr int kMaxPieces = 1024;

bool parse_int(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) return false;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

// Garbage never contains CR/LF, so a reader still sees exactly one line.
char garbage_byte(std::mt19937& rng) {
    static const char pool[] = "#%&*+<>|^~`@$\x7F\x80\x91\xA5\xBF\xD3\xE8\xFE";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(pool) - 2);
    return pool[pick(rng)];
}

} // namespace

std::optional<Fault> Fault::parse(const std::vector<std::string>& words, std::string& error) {
    Fault fault;
    const std::string name = words.empty() ? "" : words[0];
    std::size_t arguments = 0;
    bool ok = true;
    if (name == "none") {
        fault.kind = Kind::none;
    } else if (name == "silent") {
        fault.kind = Kind::silent;
    } else if (name == "garble") {
        fault.kind = Kind::garble;
    } else if (name == "no-cr") {
        fault.kind = Kind::no_cr;
    } else if (name == "refuse") {
        fault.kind = Kind::refuse;
    } else if (name == "bare") {
        fault.kind = Kind::bare;
    } else if (name == "every-other") {
        fault.kind = Kind::every_other;
        arguments = 1;
        ok = words.size() == 2 && !words[1].empty();
        if (ok) fault.prefix = words[1];
    } else if (name == "split") {
        fault.kind = Kind::split;
        arguments = 2;
        ok = words.size() == 3 && parse_int(words[1], 1, kMaxPieces, fault.count) &&
             parse_int(words[2], 0, kMaxDelayMs, fault.delay_ms);
    } else if (name == "byte-delay") {
        fault.kind = Kind::byte_delay;
        arguments = 1;
        ok = words.size() == 2 && parse_int(words[1], 0, kMaxDelayMs, fault.delay_ms);
    } else if (name == "silent-after") {
        fault.kind = Kind::silent_after;
        arguments = 1;
        ok = words.size() == 2 && parse_int(words[1], 0, kMaxPieces, fault.count);
    } else if (name == "long") {
        fault.kind = Kind::long_reply;
        arguments = 1;
        ok = words.size() == 2 && parse_int(words[1], 4, kMaxLong, fault.count);
    } else {
        error = "unknown fault '" + name + "'";
        return std::nullopt;
    }
    if (!ok || words.size() != arguments + 1) {
        error = "bad arguments for fault " + name;
        return std::nullopt;
    }
    return fault;
}

bool ignores_request(Fault& fault, const std::string& request) {
    if (fault.kind == Fault::Kind::silent_after && fault.count-- <= 0) fault.kind = Fault::Kind::silent;
    if (fault.kind == Fault::Kind::every_other && request.compare(0, fault.prefix.size(), fault.prefix) == 0)
        fault.muted = !fault.muted;
    return fault.kind == Fault::Kind::silent || (fault.kind == Fault::Kind::every_other && fault.muted);
}

std::vector<Piece> shape_reply(const std::string& line, const Fault& fault, std::mt19937& rng) {
    using std::chrono::milliseconds;
    switch (fault.kind) {
    case Fault::Kind::none:
    case Fault::Kind::silent_after: // the caller goes silent once the answers are used up
    case Fault::Kind::every_other:  // likewise in its silent half
    case Fault::Kind::refuse:       // the caller answers "?" in place of the reply
        return {Piece{{}, line}};
    case Fault::Kind::silent:
        return {};
    case Fault::Kind::bare:
        return {Piece{{}, line.substr(0, std::min<std::size_t>(4, line.size() - 2)) + "\n"}};
    case Fault::Kind::garble: {
        std::string bytes = line;
        for (std::size_t i = 0; i + 2 < bytes.size(); ++i)
            bytes[i] = garbage_byte(rng);
        return {Piece{{}, bytes}};
    }
    case Fault::Kind::no_cr: {
        std::string bytes = line;
        if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0)
            bytes.erase(bytes.size() - 2, 1);
        return {Piece{{}, bytes}};
    }
    case Fault::Kind::long_reply: {
        std::string bytes = "aVER";
        for (int i = 4; i < fault.count; ++i)
            bytes.push_back(static_cast<char>('0' + i % 10));
        return {Piece{{}, bytes + "\r\n"}};
    }
    case Fault::Kind::split: {
        std::size_t pieces = std::min<std::size_t>(static_cast<std::size_t>(fault.count), line.size());
        std::vector<Piece> out;
        std::size_t start = 0;
        for (std::size_t i = 0; i < pieces; ++i) {
            std::size_t end = line.size() * (i + 1) / pieces;
            out.push_back(Piece{i == 0 ? milliseconds(0) : milliseconds(fault.delay_ms),
                                line.substr(start, end - start)});
            start = end;
        }
        return out;
    }
    case Fault::Kind::byte_delay: {
        std::vector<Piece> out;
        for (char c : line)
            out.push_back(Piece{milliseconds(fault.delay_ms), std::string(1, c)});
        return out;
    }
    }
    return {};
}

std::vector<Piece> pace_on_wire(const std::vector<Piece>& pieces) {
    std::vector<Piece> out;
    for (const Piece& piece : pieces) {
        for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
            auto delay = kCharTimeAt9600 + (i == 0 ? piece.delay : std::chrono::microseconds(0));
            out.push_back(Piece{delay, std::string(1, piece.bytes[i])});
        }
    }
    return out;
}

} // namespace tavosim
