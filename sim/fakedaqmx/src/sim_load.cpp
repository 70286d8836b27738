#include <windows.h>

#include <fstream>
#include <sstream>

#include "sim.h"

namespace fakedaqmx {
namespace {

std::string EnvironmentValue(const char* name) {
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) return {};
    std::string value(needed, '\0');
    DWORD length = GetEnvironmentVariableA(name, &value[0], needed);
    value.resize(length < needed ? length : 0);
    return value;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    // Under Wine a Unix path set outside the process lives on drive Z:.
    if (!in && !path.empty() && path[0] == '/') in.open("Z:" + path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

} // namespace

void State::ClearRuntime() {
    tasks_.clear();
    clearedIds_.clear();
    nextId_ = 1;
    voltages_.clear();
    log_.clear();
    droppedLines_ = 0;
    lastErrors_.clear();
    faults.clear();
    removed_.clear();
    meters_.clear();
}

int State::LoadText(std::string_view text) {
    ClearRuntime();
    loaded = true;
    int badLine = ParseScenario(text, scenario, scenarioError);
    // A broken scenario leaves an empty system, so tests notice rather than run on defaults.
    if (badLine) scenario = Scenario();
    faults = scenario.faults;
    for (const auto& aom : scenario.aoms)
        meters_[aom.first].seed(aom.second.seed);
    return badLine;
}

void State::ResetFromEnvironment() {
    std::string path = EnvironmentValue("FAKEDAQMX_SCENARIO");
    if (path.empty()) {
        ClearRuntime();
        loaded = true;
        scenario = DefaultScenario();
        scenarioError.clear();
        return;
    }
    std::string text;
    if (!ReadWholeFile(path, text)) {
        LoadText("");
        scenarioError = "cannot read scenario file '" + path + "'";
        return;
    }
    LoadText(text);
}

} // namespace fakedaqmx
