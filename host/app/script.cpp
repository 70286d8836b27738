#include "script.h"

#include "numbers.h"
#include "output.h"
#include "scriptline.h"

// Two commands a line, which an odd count would otherwise undo.
// clang-format off
const CScriptRunner::SCommand CScriptRunner::kCommands[] = {
    {"classes", &CScriptRunner::Classes}, {"versions", &CScriptRunner::Versions},
    {"create", &CScriptRunner::Create},   {"info", &CScriptRunner::Info},
    {"connect", &CScriptRunner::Connect}, {"configure", &CScriptRunner::Configure},
    {"reset", &CScriptRunner::Reset},     {"disconnect", &CScriptRunner::Disconnect},
    {"state", &CScriptRunner::State},     {"lines", &CScriptRunner::Lines},
    {"power", &CScriptRunner::Power},     {"used", &CScriptRunner::Used},
    {"shutter", &CScriptRunner::Shutter}, {"notifications", &CScriptRunner::Notifications},
    {"macros", &CScriptRunner::Macros},   {"voltages", &CScriptRunner::Voltages},
    {"wait", &CScriptRunner::Wait},       {"save", &CScriptRunner::Save},
    {"configuration", &CScriptRunner::Configuration}, {"await", &CScriptRunner::Await},
};
// clang-format on

std::wstring Widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

int CScriptRunner::Run(FILE* input) {
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
    if (word == "quit") {
        if (!NoArgument("quit", argument)) {
            failed = true;
            return true;
        }
        Ok();
        return false;
    }
    for (const SCommand& c : kCommands)
        if (word == c.name) {
            failed = !(this->*c.handler)(argument);
            return true;
        }
    failed = true;
    Fail(DMRC_BAD_ARGUMENT, L"unknown command '" + Widen(word) + L"'");
    return true;
}

bool CScriptRunner::Ok() {
    PrintOk();
    return true;
}

bool CScriptRunner::Fail(int code, const std::wstring& text) {
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
    if (!ParseInteger(word, 0, static_cast<long long>(count) - 1, value))
        return Fail(DMRC_BAD_ARGUMENT, L"no line '" + Widen(word) + L"': the multi-laser has " +
                                           std::to_wstring(count) + L" lines, 0 to " +
                                           std::to_wstring(static_cast<long long>(count) - 1));
    line = static_cast<int>(value);
    return true;
}

bool CScriptRunner::Result(EDeviceManagerReturnCode code, EDeviceManagerReturnCode success,
                           const wchar_t* what) {
    PrintLine(L"result " + std::to_wstring(code));
    return code == success ? Ok() : Fail(code, std::wstring(what) + L" failed");
}
