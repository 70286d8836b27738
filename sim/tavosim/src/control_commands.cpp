#include "control_commands.h"

#include <unistd.h>

#include <sstream>

#include "fault.h"
#include "simulator.h"

namespace tavosim {

namespace {

const std::vector<std::string> kHelp = {
    "line N               select line 0..3 from the front panel",
    "mask M               set the line mask 0..7",
    "bino 0|1             release/engage the binocular shutter",
    "state                show line, mask and shutter",
    "settings             show the tty settings the driver applied",
    "fault none|silent|silent-after N|garble|no-cr|split N MS|byte-delay MS|long N|refuse|bare",
    "fault every-other P  silent from every other request beginning with P up to the next one",
    "fault stale TEXT     send TEXT as an unsolicited line now",
    "fault hangup         pull the cable (close the pty)",
    "plug                 reconnect after a hangup on a new pty",
    "transcript [clear]   show or empty the transcript",
    "pid                  show the process id",
    "quit                 exit",
};

std::vector<std::string> split_words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

bool single_digit(const std::vector<std::string>& words, int low, int high, int& value) {
    if (words.size() != 2 || words[1].size() != 1 || words[1][0] < '0' || words[1][0] > '9') return false;
    value = words[1][0] - '0';
    return value >= low && value <= high;
}

std::vector<std::string> done(std::vector<std::string> lines = {}) {
    lines.push_back("ok");
    return lines;
}

std::vector<std::string> failed(const std::string& why) {
    return {"error " + why};
}

std::vector<std::string> fault_command(const std::string& line, const std::vector<std::string>& words,
                                       Simulator& simulator) {
    std::string error;
    if (words.size() >= 2 && words[1] == "stale") {
        std::size_t at = line.find("stale") + 6;
        std::string text = at < line.size() ? line.substr(at) : "";
        if (text.empty()) return failed("fault stale needs a text");
        return simulator.send_unsolicited(text, error) ? done() : failed(error);
    }
    if (words.size() == 2 && words[1] == "hangup") return simulator.hangup(error) ? done() : failed(error);
    auto fault = Fault::parse(std::vector<std::string>(words.begin() + 1, words.end()), error);
    if (!fault) return failed(error);
    simulator.set_fault(*fault);
    return done();
}

} // namespace

std::vector<std::string> run_control_command(const std::string& line, Simulator& simulator) {
    std::vector<std::string> words = split_words(line);
    if (words.empty()) return failed("empty command");
    const std::string& name = words[0];
    UnitModel& model = simulator.model();
    int value = 0;
    std::string text;
    std::string error;

    if (name == "line")
        return single_digit(words, 0, 3, value) && model.select_line(value) ? done()
                                                                            : failed("usage: line 0..3");
    if (name == "mask")
        return single_digit(words, 0, 7, value) && model.set_mask(value) ? done()
                                                                         : failed("usage: mask 0..7");
    if (name == "bino") {
        if (!single_digit(words, 0, 1, value)) return failed("usage: bino 0|1");
        model.set_binocular(value == 1);
        return done();
    }
    if (name == "state" && words.size() == 1) {
        return done({"line " + std::to_string(model.line()) + " mask " + std::to_string(model.mask()) +
                     " bino " + (model.binocular() ? "1" : "0")});
    }
    if (name == "settings" && words.size() == 1) {
        return simulator.line_settings(text, error) ? done({text}) : failed(error);
    }
    if (name == "fault" && words.size() >= 2) return fault_command(line, words, simulator);
    if (name == "plug" && words.size() == 1) {
        return simulator.plug(error) ? done({"pty=" + simulator.pty_path()}) : failed(error);
    }
    if (name == "transcript" && words.size() == 1) {
        const auto& lines = simulator.transcript().lines();
        return done(std::vector<std::string>(lines.begin(), lines.end()));
    }
    if (name == "transcript" && words.size() == 2 && words[1] == "clear") {
        simulator.transcript().clear();
        return done();
    }
    if (name == "pid" && words.size() == 1) return done({"pid " + std::to_string(::getpid())});
    if (name == "help") return done(kHelp);
    if (name == "quit" && words.size() == 1) {
        simulator.request_quit();
        return done();
    }
    return failed("unknown command '" + line + "' (try help)");
}

} // namespace tavosim
