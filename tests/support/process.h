// Runs a program with text on its standard input and collects its standard output.
#pragma once

#include <string>

struct ProcessResult {
    bool started = false;
    bool finished = false; // false: killed after the time limit
    unsigned long exitCode = 0;
    std::string output;
};

ProcessResult RunProcess(const std::wstring& commandLine, const std::string& input, unsigned long timeoutMs);
