#include "scenario.h"

#include <cmath>
#include <limits>
#include <set>

#include "text_util.h"

namespace fakedaqmx {
namespace {

// A channel list token is either a plain name or a range such as "ao0:39".
constexpr long long kMaxChannelsPerToken = 100000;

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

bool ExpandChannels(std::string_view token, std::vector<std::string>& out) {
    size_t colon = token.find(':');
    if (colon == std::string_view::npos) {
        out.emplace_back(token);
        return true;
    }
    size_t digits = colon;
    while (digits > 0 && token[digits - 1] >= '0' && token[digits - 1] <= '9')
        --digits;
    long long first = 0, last = 0;
    if (digits == colon || !ParseInteger(token.substr(digits, colon - digits), first) ||
        !ParseInteger(token.substr(colon + 1), last) || first < 0 || last < 0)
        return false;
    long long step = first <= last ? 1 : -1;
    if ((last - first) * step >= kMaxChannelsPerToken) return false;
    std::string prefix(token.substr(0, digits));
    for (long long n = first;; n += step) {
        out.push_back(prefix + std::to_string(n));
        if (n == last) break;
    }
    return true;
}

std::string BusPrefix(int32 bus) {
    switch (bus) {
    case DAQmx_Val_PCIe:
        return "PCIe-";
    case DAQmx_Val_PXI:
        return "PXI-";
    case DAQmx_Val_PXIe:
        return "PXIe-";
    case DAQmx_Val_USB:
        return "USB-";
    default:
        return "PCI-";
    }
}

class Parser {
public:
    explicit Parser(Scenario& out) : out_(out) {}

    bool Line(const std::vector<std::string_view>& t) {
        if (t[0] == "version") return Version(t);
        if (t[0] == "board") return Board(t);
        if (t[0] == "chantype" || t[0] == "outputtype") return Override(t);
        if (t[0] == "fault") return Fault(t);
        if (t[0] == "warn") return Warn(t);
        if (t[0] == "strings") return Strings(t);
        if (t[0] == "aom") return Aom(t);
        return Fail("unknown keyword '" + std::string(t[0]) + "'");
    }

    std::string error;

private:
    bool Fail(std::string why) {
        error = std::move(why);
        return false;
    }

    template <class T> bool Number(std::string_view text, T& out, const char* what) {
        long long value = 0;
        if (!ParseInteger(text, value) || value < static_cast<long long>(std::numeric_limits<T>::min()) ||
            value > static_cast<long long>(std::numeric_limits<T>::max()))
            return Fail(std::string("bad ") + what + " '" + std::string(text) + "'");
        out = static_cast<T>(value);
        return true;
    }

    bool Strings(const std::vector<std::string_view>& t) {
        if (t.size() != 2 || t[1] != "truncate") return Fail("expected: strings truncate");
        out_.truncateStrings = true;
        return true;
    }

    bool Version(const std::vector<std::string_view>& t) {
        if (t.size() != 3) return Fail("expected: version <major> <minor>");
        out_.hasVersion = true;
        return Number(t[1], out_.major, "major version") && Number(t[2], out_.minor, "minor version");
    }

    static bool IsBoardKeyword(std::string_view w) {
        return w == "product" || w == "type" || w == "serial" || w == "bus" || w == "pci" || w == "range" ||
               w == "bits" || w == "channels" || w == "counters";
    }

    bool Board(const std::vector<std::string_view>& t) {
        if (t.size() < 2 || IsBoardKeyword(t[1])) return Fail("expected: board <name> ...");
        BoardInfo b;
        b.name = std::string(t[1]);
        if (b.name.find_first_of("/,") != std::string::npos)
            return Fail("board name must not contain '/' or ','");
        for (const BoardInfo& other : out_.boards)
            if (SameName(other.name, b.name)) return Fail("board '" + b.name + "' defined twice");
        b.pciSlot = static_cast<uInt32>(out_.boards.size());
        bool haveChannels = false, haveCounters = false, haveSlot = false;
        size_t i = 2;
        while (i < t.size()) {
            std::string_view key = t[i++];
            if (key == "channels" || key == "counters") {
                auto& list = key == "channels" ? b.aoChannels : b.coChannels;
                (key == "channels" ? haveChannels : haveCounters) = true;
                for (; i < t.size() && !IsBoardKeyword(t[i]); ++i)
                    if (!ExpandChannels(t[i], list))
                        return Fail("bad channel list item '" + std::string(t[i]) + "'");
                continue;
            }
            if (!IsBoardKeyword(key)) return Fail("unknown board option '" + std::string(key) + "'");
            size_t needed = key == "range" ? 2 : 1;
            if (i + needed > t.size()) return Fail("'" + std::string(key) + "' needs a value");
            bool ok = true;
            if (key == "product")
                ok = Number(t[i], b.product, "product number");
            else if (key == "type")
                b.productType = std::string(t[i]);
            else if (key == "serial")
                ok = Number(t[i], b.serial, "serial number");
            else if (key == "bus")
                ok = Number(t[i], b.bus, "bus type");
            else if (key == "pci") {
                haveSlot = true;
                ok = Number(t[i], b.pciSlot, "PCI device number");
            } else if (key == "bits")
                ok = Number(t[i], b.bits, "resolution");
            else if (key == "range")
                ok = Range(t[i], t[i + 1], b);
            if (!ok) return false;
            i += needed;
        }
        if (haveSlot && !BusHasSlot(b.bus))
            return Fail("a board on bus " + std::to_string(b.bus) + " has no slot");
        if (b.ranges.empty()) b.ranges.emplace_back(-10.0, 10.0);
        if (!haveChannels) b.aoChannels = {"ao0", "ao1", "ao2", "ao3"};
        if (!haveCounters) b.coChannels = {"ctr0", "ctr1"};
        if (b.productType.empty()) b.productType = BusPrefix(b.bus) + std::to_string(b.product);
        std::set<std::string> seen;
        for (const auto* list : {&b.aoChannels, &b.coChannels})
            for (const std::string& c : *list)
                if (!seen.insert(Lower(c)).second) return Fail("channel '" + c + "' listed twice");
        out_.boards.push_back(std::move(b));
        return true;
    }

    bool Range(std::string_view lowText, std::string_view highText, BoardInfo& b) {
        double low = 0, high = 0;
        if (!ParseReal(lowText, low) || !ParseReal(highText, high) || !(low < high))
            return Fail("bad range '" + std::string(lowText) + " " + std::string(highText) + "'");
        b.ranges.emplace_back(low, high);
        return true;
    }

    bool KnownChannel(std::string_view physical) const {
        size_t slash = physical.find('/');
        if (slash == std::string_view::npos) return false;
        for (const BoardInfo& b : out_.boards) {
            if (!SameName(b.name, physical.substr(0, slash))) continue;
            for (const auto* list : {&b.aoChannels, &b.coChannels})
                for (const std::string& c : *list)
                    if (SameName(c, physical.substr(slash + 1))) return true;
        }
        return false;
    }

    bool Override(const std::vector<std::string_view>& t) {
        if (t.size() != 3) return Fail("expected: " + std::string(t[0]) + " <device/channel> <value>");
        if (!KnownChannel(t[1]))
            return Fail("unknown channel '" + std::string(t[1]) + "' (define its board first)");
        int32 value = 0;
        if (!Number(t[2], value, "value")) return false;
        (t[0] == "chantype" ? out_.chanTypes : out_.outputTypes)[Lower(t[1])] = value;
        return true;
    }

    bool Fault(const std::vector<std::string_view>& t) {
        if (t.size() != 3 && t.size() != 4)
            return Fail("expected: fault <function> [<device or channel>] <status>");
        FaultRule f;
        f.function = std::string(t[1]);
        if (f.function != "*" && f.function.rfind("DAQmx", 0) != 0)
            return Fail("fault function must be a DAQmx function name or '*'");
        if (t.size() == 4) f.arg = std::string(t[2]);
        if (!Number(t.back(), f.status, "status")) return false;
        if (f.status == 0) return Fail("fault status must not be 0");
        out_.faults.push_back(std::move(f));
        return true;
    }

    bool Warn(const std::vector<std::string_view>& t) {
        if (t.size() != 3 && t.size() != 4)
            return Fail("expected: warn <function> [<device or channel>] <status>");
        FaultRule w;
        w.function = std::string(t[1]);
        if (w.function.rfind("DAQmx", 0) != 0) return Fail("warn function must be a DAQmx function name");
        if (t.size() == 4) w.arg = std::string(t[2]);
        if (!Number(t.back(), w.status, "status")) return false;
        if (w.status <= 0) return Fail("a warning is a positive status");
        out_.warnings.push_back(std::move(w));
        return true;
    }

    bool Real(std::string_view text, double& out, const char* what) {
        if (!ParseReal(text, out) || !std::isfinite(out)) return Fail(std::string("bad ") + what + " '" + std::string(text) + "'");
        return true;
    }

    bool Aom(const std::vector<std::string_view>& t) {
        const char* usage = "expected: aom <device/channel> sin2 <low> <high> [full <mW>] [noise <%>] [seed <n>]";
        if (t.size() < 5 || t.size() % 2 == 0 || t[2] != "sin2") return Fail(usage);
        if (!KnownChannel(t[1]))
            return Fail("unknown channel '" + std::string(t[1]) + "' (define its board first)");
        AomResponse aom;
        if (!Real(t[3], aom.low, "low voltage") || !Real(t[4], aom.high, "high voltage")) return false;
        if (aom.low == aom.high) return Fail("an AOM's span needs two different voltages");
        for (size_t i = 5; i + 1 < t.size(); i += 2) {
            bool ok = t[i] == "full"    ? Real(t[i + 1], aom.full, "full power")
                      : t[i] == "noise" ? Real(t[i + 1], aom.noise, "noise")
                      : t[i] == "seed"  ? Number(t[i + 1], aom.seed, "seed")
                                        : Fail(usage);
            if (!ok) return false;
        }
        if (!(aom.full > 0) || !(aom.noise >= 0 && aom.noise <= 100))
            return Fail("full power must be above 0 and noise from 0 to 100 %");
        out_.aoms[Lower(t[1])] = aom;
        return true;
    }

    Scenario& out_;
};

} // namespace

bool BusHasSlot(int32 bus) {
    return bus == DAQmx_Val_PCI || bus == DAQmx_Val_PCIe || bus == DAQmx_Val_PXI || bus == DAQmx_Val_PXIe;
}

Scenario DefaultScenario() {
    Scenario s;
    std::string unused;
    ParseScenario("board Dev1", s, unused);
    return s;
}

int ParseScenario(std::string_view text, Scenario& out, std::string& error) {
    out = Scenario();
    Parser parser(out);
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty()) continue;
        if (!parser.Line(tokens)) {
            error = "line " + std::to_string(lineNumber) + ": " + parser.error;
            return lineNumber;
        }
    }
    error.clear();
    return 0;
}

} // namespace fakedaqmx
