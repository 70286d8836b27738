#include "script.h"

#include "numbers.h"
#include "output.h"
#include "scriptline.h"

// What help lists, in this order.
const CScriptRunner::SCommand CScriptRunner::kCommands[] = {
    {"classes", &CScriptRunner::Classes, L"", L"the module's device classes"},
    {"versions", &CScriptRunner::Versions, L"", L"the module's version records"},
    {"create", &CScriptRunner::Create, L"[CLASS]",
     L"makes the device (default: --class's); refused while connected"},
    {"info", &CScriptRunner::Info, L"", L"the device's identity"},
    {"connect", &CScriptRunner::Connect, L"[TEXT]",
     L"connects with a connection text such as m_iCOMPort=3; (default: --com's, else the stored one)"},
    {"configure", &CScriptRunner::Configure, L"[TEXT]",
     L"configures the lines with a configuration text (default: the stored one) and stores both texts"},
    {"configuration", &CScriptRunner::Configuration, L"",
     L"the configuration text the host keeps for the device"},
    {"reset", &CScriptRunner::Reset, L"", L"resets the device; configure it again afterwards"},
    {"disconnect", &CScriptRunner::Disconnect, L"", L"disconnects the device"},
    {"state", &CScriptRunner::State, L"",
     L"the device's state (0 not connected, 3 connected, 2 configured, 1 reset) and the shutter's"},
    {"lines", &CScriptRunner::Lines, L"",
     L"each visible line: the host's number (0-2), the unit's line (1-3), used, power, wavelength, name"},
    {"power", &CScriptRunner::Power, L"LINE PERCENT",
     L"sets a line's power from 0 to 100 % (LINE: the host's 0-2, as lines shows it)"},
    {"used", &CScriptRunner::Used, L"LINE 0|1", L"switches a line off or on (LINE: the host's 0-2)"},
    {"calibration", &CScriptRunner::Calibration, L"LINE [TEXT|clear]",
     L"shows a line's power calibration, sets it from a text such as mW 0:0.1 2.5:48 5:97 (volts:power), or "
     L"removes it; stored with the multi-laser's settings"},
    {"calibrate", &CScriptRunner::Calibrate, L"LINE [POINTS] [--meter sim] [--unit U]",
     L"measures a line's calibration: puts POINTS (2-64, default 11) voltages from its minimum to its maximum "
     L"on the AOM, reads the meter (a person types each reading; sim: the NI-DAQmx stand-in's), shows the "
     L"curve and stores it on yes"},
    {"shutter", &CScriptRunner::Shutter, L"open|close", L"opens or closes the shutter"},
    {"notifications", &CScriptRunner::Notifications, L"",
     L"the change records received since the last call (used and power of unit lines 1, 2, 3)"},
    {"macros", &CScriptRunner::Macros, L"", L"the macro texts handed to the host since the last call"},
    {"voltages", &CScriptRunner::Voltages, L"",
     L"the last voltage of each channel the NI-DAQmx stand-in was written"},
    {"wait", &CScriptRunner::Wait, L"MS", L"waits 0 to 60000 ms"},
    {"await", &CScriptRunner::Await, L"COUNT",
     L"waits until COUNT (1-32) change records are held, at most 10 s"},
    {"monitor", &CScriptRunner::Monitor, L"SECONDS",
     L"for 1 to 3600 s prints each change record and module log line as it arrives, after the ms since "
     L"the command started; Ctrl+C ends it early"},
    {"scan", &CScriptRunner::Scan, L"[PORT...]",
     L"lists the COM ports (all, or COM PORT...), sends the unit's version request rVER at 9600 8N1 to each "
     L"free one (at most 1 s each), lists NI-DAQmx's boards with their analog outputs and each channel's "
     L"iIndex, "
     L"and suggests a configuration text; sends no other command, writes no voltage"},
    {"check", &CScriptRunner::Check, L"[TEXT]",
     L"lists what a configuration text (default: the stored one) gets wrong against NI-DAQmx's boards: keys "
     L"without =, values that do not scan, fitted lines without a channel, iIndex and sChannel_Name naming "
     L"different channels, voltages outside every range of the board"},
    {"daq", &CScriptRunner::Daq, L"write CHANNEL VOLTS|reset DEVICE",
     L"NI MAX's test panel and Reset Device: writes one voltage to a channel (not one of the connected "
     L"device's) or resets a board through NI-DAQmx, and says what it answered"},
    {"save", &CScriptRunner::Save, L"", L"collects the settings texts and writes the store"},
    {"help", &CScriptRunner::Help, L"", L"this list"},
    {"quit", nullptr, L"", L"ends the script"},
};

std::wstring Widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

int CScriptRunner::Run(FILE* input) {
    m_pInput = input;
    char buffer[4096];
    bool anyFailed = false;
    while (fgets(buffer, sizeof buffer, input)) {
        std::string line(buffer);
        bool complete = !line.empty() && line.back() == '\n';
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (!complete && line.size() == sizeof buffer - 1) {
            Fail(DMRC_BAD_ARGUMENT,
                 L"line too long (at most " + std::to_wstring(sizeof buffer - 2) + L" characters)");
            anyFailed = true;
            int c; // the rest of the overlong line is skipped
            while ((c = fgetc(input)) != EOF && c != '\n') {
            }
            if (m_App.Options().strict) return 1;
            continue;
        }
        std::string word, argument;
        if (!SplitScriptLine(line, word, argument)) continue;
        bool failed = false;
        bool goOn = Execute(word, argument, failed);
        anyFailed = anyFailed || failed;
        if (!goOn || (failed && m_App.Options().strict)) break;
    }
    return anyFailed && m_App.Options().strict ? 1 : 0;
}

bool CScriptRunner::Execute(const std::string& word, const std::string& argument, bool& failed) {
    failed = false;
    for (const SCommand& c : kCommands) {
        if (word != c.name) continue;
        if (c.handler) {
            failed = !(this->*c.handler)(argument);
            return true;
        }
        if (!NoArgument("quit", argument)) {
            failed = true;
            return true;
        }
        Ok();
        return false;
    }
    failed = true;
    UnknownCommand(word);
    return true;
}

bool CScriptRunner::UnknownCommand(const std::string& word) {
    std::vector<std::string> names;
    for (const SCommand& c : kCommands)
        names.push_back(c.name);
    std::string nearest = NearestWord(word, names);
    return Fail(DMRC_BAD_ARGUMENT,
                L"unknown command '" + Widen(word) + L"'" +
                    (nearest.empty() ? L"" : L": did you mean '" + Widen(nearest) + L"'?") +
                    L" (help lists the commands)");
}

bool CScriptRunner::Help(const std::string& argument) {
    if (!NoArgument("help", argument)) return false;
    const size_t kColumn = 22;
    for (const SCommand& c : kCommands) {
        std::wstring usage = Widen(c.name) + (*c.arguments ? L" " : L"") + c.arguments;
        if (usage.size() < kColumn) usage.resize(kColumn, L' ');
        PrintLine(usage + L" " + c.purpose);
    }
    return Ok();
}

bool CScriptRunner::Ok() {
    m_App.Log().Print();
    PrintOk();
    return true;
}

bool CScriptRunner::Fail(int code, const std::wstring& text) {
    m_App.Log().Print();
    PrintError(code, text);
    return false;
}

bool CScriptRunner::NoArgument(const char* command, const std::string& argument) {
    if (argument.empty()) return true;
    return Fail(DMRC_BAD_ARGUMENT, Widen(command) + L" takes no argument");
}

bool CScriptRunner::NeedDevice() {
    return m_App.Device() || Fail(DMRC_NO_DEVICE, L"no device: use create first");
}

bool CScriptRunner::NeedMultiLaser() {
    if (!NeedDevice()) return false;
    return m_App.Session().MultiLaser() || Fail(DMRC_WRONG_STATE, L"not configured: use configure first");
}

bool CScriptRunner::Words(const std::string& argument, size_t count, const wchar_t* usage,
                          std::vector<std::string>& words) {
    words = ScriptWords(argument);
    return words.size() == count || Fail(DMRC_BAD_ARGUMENT, std::wstring(L"usage: ") + usage);
}

bool CScriptRunner::LineIndex(const std::string& word, int& line) {
    uint32_t count = 0;
    m_App.Session().MultiLaser()->GetLineCount(&count);
    long long value = 0;
    if (count == 0) return Fail(DMRC_BAD_ARGUMENT, L"the multi-laser has no visible line");
    if (!ParseInteger(word, 0, static_cast<long long>(count) - 1, value)) {
        // Named in both numberings: the host's, which commands take, and the unit's.
        std::wstring unit;
        std::vector<int> unitLines = m_App.UnitLines();
        for (size_t i = 0; i < unitLines.size(); ++i)
            unit += (i == 0                      ? L""
                     : i + 1 == unitLines.size() ? L" and "
                                                 : L", ") +
                    std::to_wstring(unitLines[i]);
        return Fail(DMRC_BAD_ARGUMENT,
                    L"no line '" + Widen(word) + L"': the multi-laser has " + std::to_wstring(count) +
                        L" lines, 0 to " + std::to_wstring(static_cast<long long>(count) - 1) +
                        L" in the host's numbering" +
                        (unit.empty()
                             ? L""
                             : (unitLines.size() == 1 ? L" (unit line " : L" (unit lines ") + unit + L")"));
    }
    line = static_cast<int>(value);
    return true;
}

bool CScriptRunner::Result(EDeviceManagerReturnCode code, EDeviceManagerReturnCode success,
                           const wchar_t* what) {
    PrintLine(L"result " + std::to_wstring(code));
    return code == success ? Ok() : Fail(code, std::wstring(what) + L" failed");
}
