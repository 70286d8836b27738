// Runs a program with text on its standard input and collects its standard output and error apart.
#pragma once

#include <string>

struct ProcessResult {
    bool started = false;
    bool finished = false; // false: killed after the time limit
    unsigned long exitCode = 0;
    std::string output; // standard output
    std::string errors; // standard error
};

// directory: the child's working folder (null: this process's).
ProcessResult RunProcess(const std::wstring& commandLine, const std::string& input, unsigned long timeoutMs,
                         const wchar_t* directory = nullptr);
