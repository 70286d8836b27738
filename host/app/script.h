// The host application's commands, one a line, from a script or standard input.
#pragma once

#include "modulehost.h"

#include <stdio.h>
#include <string>

struct SHostOptions {
    std::wstring modulePath;
    std::string className = "CQvAOMTAVOSim";
    bool strict = false;
};

class CScriptRunner {
public:
    CScriptRunner(CModuleHost& host, const SHostOptions& options) : m_Host(host), m_Options(options) {}
    // Runs every line of the input; returns the process exit code (0, or 1 after a failure under --strict).
    int Run(FILE* input);
    // Runs one command line; false when the script must stop.
    bool Execute(const std::string& line, bool& failed);

private:
    bool Classes();
    bool Versions();
    bool Create(const std::string& argument);
    bool Info();
    bool State();

    CModuleHost& m_Host;
    const SHostOptions& m_Options;
};
