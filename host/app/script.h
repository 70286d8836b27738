// The host application's commands, one a line, from a script or standard input. Each command prints its
// own lines and then one status line: "ok" or "error <code>: <text>".
#pragma once

#include "calibrationtext.h"
#include "hostapp.h"

#include <stdio.h>
#include <string>
#include <vector>

class CScriptRunner {
public:
    explicit CScriptRunner(CHostApp& app) : m_App(app) {}
    // Runs every line of the input; returns the process exit code (0, or 1 after a failure under --strict).
    int Run(FILE* input);
    // Runs one command line; false when the script must stop. failed tells whether the command failed.
    bool Execute(const std::string& word, const std::string& argument, bool& failed);

    static const int kMaxWaitMs = 60000;
    static const int kAwaitMs = 10000;
    static const int kMaxMonitorSeconds = 3600;

private:
    typedef bool (CScriptRunner::*Handler)(const std::string& argument);
    struct SCommand {
        const char* name;
        Handler handler; // null for quit, which the runner itself handles
        const wchar_t* arguments;
        const wchar_t* purpose;
    };
    static const SCommand kCommands[];

    // Device: script_device.cpp
    bool Classes(const std::string& argument);
    bool Versions(const std::string& argument);
    bool Create(const std::string& argument);
    bool Info(const std::string& argument);
    bool Connect(const std::string& argument);
    bool Configure(const std::string& argument);
    bool Configuration(const std::string& argument);
    bool Reset(const std::string& argument);
    bool Disconnect(const std::string& argument);
    bool State(const std::string& argument);
    // Logical devices: script_lines.cpp
    bool Lines(const std::string& argument);
    bool Power(const std::string& argument);
    bool Used(const std::string& argument);
    bool Shutter(const std::string& argument);
    // What the host received and keeps: script_host.cpp
    bool Notifications(const std::string& argument);
    bool Macros(const std::string& argument);
    bool Voltages(const std::string& argument);
    bool Wait(const std::string& argument);
    bool Await(const std::string& argument);
    bool Save(const std::string& argument);
    bool Help(const std::string& argument);
    // Commissioning: script_scan.cpp
    bool Scan(const std::string& argument);
    bool Monitor(const std::string& argument);
    // Before and beside the device: script_check.cpp, script_daq.cpp
    bool Check(const std::string& argument);
    bool Daq(const std::string& argument);
    // Power calibration: script_calibrate.cpp
    bool Calibration(const std::string& argument);
    bool Calibrate(const std::string& argument);

    // Helpers: each failing one has printed the error line. The status line is preceded by the log lines
    // the module wrote meanwhile.
    bool Ok();
    bool Fail(int code, const std::wstring& text);
    bool NoArgument(const char* command, const std::string& argument);
    bool NeedDevice();
    bool NeedMultiLaser();
    // Words of the argument; false (error printed) unless there are exactly count of them.
    bool Words(const std::string& argument, size_t count, const wchar_t* usage,
               std::vector<std::string>& words);
    // A visible line of the multi-laser, read strictly; false (error printed) when out of range.
    bool LineIndex(const std::string& word, int& line);
    bool UnknownCommand(const std::string& word);
    // "result <code>", then the status: ok when the code is success.
    bool Result(EDeviceManagerReturnCode code, EDeviceManagerReturnCode success, const wchar_t* what);

    // A visible line with what the host's configuration text says of it.
    struct SCalibratedLine {
        int line = 0;
        int unitLine = 0;
        double min = 0.0, max = 0.0;
        bool hasChannel = false;
        std::wstring channel;
    };
    bool CalibratedLine(const std::string& word, SCalibratedLine& line);
    std::wstring LineName(const SCalibratedLine& line) const;
    std::vector<double> LinePowers();
    // LoadSettings with the text, then each line's power as it was.
    void LoadMultiLaserSettings(const std::wstring& settings, const std::vector<double>& powers);
    // Gives the line the calibration (null: none) through the settings text, checks that the module took it,
    // and writes the store.
    bool StoreCalibration(const SCalibratedLine& line, const SCalibration* calibration);
    void ShowCalibration(const SCalibratedLine& line, const SCalibration& calibration);
    // Prints the prompt and reads the next input line; false at its end.
    bool ReadAnswer(const std::wstring& prompt, std::string& answer);

    CHostApp& m_App;
    FILE* m_pInput = nullptr; // the script's input while Run reads it: the answers of a procedure come from it
};

std::wstring Widen(const std::string& s);
