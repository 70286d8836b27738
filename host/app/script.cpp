#include "script.h"

#include "output.h"

#include <qv/qvdevice.h>

namespace {
std::wstring Widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

void SplitCommand(const std::string& line, std::string& word, std::string& rest) {
    size_t space = line.find(' ');
    word = line.substr(0, space);
    rest = space == std::string::npos ? std::string() : line.substr(space + 1);
}
} // namespace

int CScriptRunner::Run(FILE* input) {
    char buffer[4096];
    bool anyFailed = false;
    while (fgets(buffer, sizeof buffer, input)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.size() == sizeof buffer - 1) {
            PrintError(DMRC_BAD_ARGUMENT, L"line too long");
            anyFailed = true;
            // Skip the rest of the overlong line.
            int c;
            while ((c = fgetc(input)) != EOF && c != '\n') {
            }
            if (m_Options.strict) return 1;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        bool failed = false;
        bool goOn = Execute(line, failed);
        anyFailed = anyFailed || failed;
        if (!goOn || (failed && m_Options.strict)) break;
    }
    return anyFailed && m_Options.strict ? 1 : 0;
}

bool CScriptRunner::Execute(const std::string& line, bool& failed) {
    std::string word, rest;
    SplitCommand(line, word, rest);
    bool ok;
    if (word == "quit") {
        PrintOk();
        return false;
    } else if (word == "classes") {
        ok = Classes();
    } else if (word == "versions") {
        ok = Versions();
    } else if (word == "create") {
        ok = Create(rest);
    } else if (word == "info") {
        ok = Info();
    } else if (word == "state") {
        ok = State();
    } else {
        PrintError(DMRC_BAD_ARGUMENT, L"unknown command '" + Widen(word) + L"'");
        ok = false;
    }
    failed = !ok;
    return true;
}

bool CScriptRunner::Classes() {
    for (const std::string& c : m_Host.Classes())
        PrintLine(L"class " + Widen(c));
    PrintOk();
    return true;
}

bool CScriptRunner::Versions() {
    std::vector<std::wstring> lines;
    std::wstring error;
    if (!m_Host.ReadVersionRecords(lines, error)) {
        PrintError(DMRC_NO_DEVICE, error);
        return false;
    }
    for (const std::wstring& l : lines)
        PrintLine(L"record " + l);
    PrintOk();
    return true;
}

bool CScriptRunner::Create(const std::string& argument) {
    std::string name = argument.empty() ? m_Options.className : argument;
    std::wstring error;
    if (!m_Host.Create(name, error)) {
        PrintError(DMRC_NO_DEVICE, error);
        return false;
    }
    PrintLine(L"created " + Widen(name));
    PrintOk();
    return true;
}

bool CScriptRunner::Info() {
    IQvPhysicalDevice* device = m_Host.Device();
    if (!device) {
        PrintError(DMRC_NO_DEVICE, L"no device: use create first");
        return false;
    }
    for (int i = 1; i <= 4; ++i)
        PrintLine(L"info " + std::to_wstring(i) + L" " + device->GetInfoString(i).GetString());
    CQvStringW name, group;
    uint32_t icon = 0;
    device->GetDisplayInfo(&name, &group, &icon);
    PrintLine(L"display name " + std::wstring(name.GetString()) + L" group " + group.GetString() + L" icon " +
              std::to_wstring(icon));
    PrintOk();
    return true;
}

bool CScriptRunner::State() {
    IQvPhysicalDevice* device = m_Host.Device();
    if (!device) {
        PrintError(DMRC_NO_DEVICE, L"no device: use create first");
        return false;
    }
    PrintLine(L"state " + std::to_wstring(device->GetDeviceState()));
    PrintOk();
    return true;
}
