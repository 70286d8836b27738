// Running qvhost.exe as a user does, and the files it keeps.
#pragma once

#include "moduleloader.h"

#include <windows.h>

#include <string>
#include <vector>

// A line configuration as the host stores it: two lines on channels, one of them with a blank in its
// name, and an empty third.
extern const char kConfiguration[];

struct ProcessResult {
    bool started = false;
    bool finished = false; // false: ended by force after the time limit
    unsigned long exitCode = 0;
    std::string output; // standard output, as written
    std::string errors; // standard error, as written
};

// qvhost.exe from the build with these arguments and this standard input (bounded: 60 s), in the folder
// given (null: the test's).
ProcessResult Qvhost(const std::wstring& arguments, const std::string& input,
                     const wchar_t* directory = nullptr);

// qvhost.exe running while the test acts on the unit: its standard output is read as it comes, and its
// standard input is the script given or, without one, what the test sends as it goes.
class QvhostRunning {
public:
    explicit QvhostRunning(const std::wstring& arguments, const wchar_t* directory = nullptr,
                           const std::string* script = nullptr);
    ~QvhostRunning(); // as Finish
    QvhostRunning(const QvhostRunning&) = delete;
    QvhostRunning& operator=(const QvhostRunning&) = delete;

    bool Started() const { return m_hProcess != nullptr; }
    bool Send(const std::string& text);
    // Waits until the output holds text, at most timeoutMs; true when it does.
    bool WaitFor(const std::string& text, unsigned long timeoutMs);
    std::string Output();
    // Ends its input and waits for it to end, by force after boundMs.
    ProcessResult Finish(unsigned long boundMs = 30000);

private:
    static DWORD WINAPI ReadOutput(void* self);

    HANDLE m_hProcess = nullptr;
    HANDLE m_hInput = nullptr;  // our end of its standard input, without a script
    HANDLE m_hOutput = nullptr; // our end of its standard output
    HANDLE m_hErrors = nullptr; // the file of its standard error
    HANDLE m_hReader = nullptr;
    HANDLE m_hArrived = nullptr; // signalled when output arrives or ends
    CRITICAL_SECTION m_Lock;
    std::string m_sOutput;
};

// A store path of its own for one test, in the temporary folder; the file and a leftover ".new" beside
// it are removed at the end of the scope.
class TempStore {
public:
    explicit TempStore(const char* name);
    ~TempStore();
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;
    const std::wstring& Path() const { return m_sPath; }
    std::wstring Option() const { return L"--store \"" + m_sPath + L"\" "; }

private:
    std::wstring m_sPath;
};

// The options that run the real device class with an NI-DAQmx stand-in variant and the store.
std::wstring RealClassOptions(const TempStore& store, const char* daqVariant = "full");

bool ReadWholeFile(const std::wstring& path, std::string& bytes);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::vector<std::string> OutputLines(const std::string& output);
// The lines that start with the prefix.
std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix);
