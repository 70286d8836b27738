// The command line of the host application.
#pragma once

#include <string>

struct SHostOptions {
    std::wstring modulePath;                  // default: the module beside qvhost.exe
    std::string className = "CQvAOMTAVOSim";  // what `create` and the demo make
    std::wstring storePath = L"qvhost.store"; // the settings texts kept between runs; made full by parsing
    std::wstring script;                      // file of commands, "-" for standard input, empty: demo
    std::wstring daqDir;                      // where LoadLibrary looks for nicaiu.dll first
    int comPort = 0;                          // 0: connect with the stored connection text
    bool gui = false;
    bool strict = false;
    bool logComm = false;
    bool help = false;
    bool scan = false; // list the COM ports, the units on them and the NI-DAQmx boards, then end
};

// Reads the options and applies those that set up the process (log, language, DLL folder). False with
// a reason on a bad command line; the exit code is then 2.
bool ParseOptions(int argc, wchar_t** argv, SHostOptions& options, std::wstring& error);
// The usage line and one line per option.
std::wstring UsageText();
