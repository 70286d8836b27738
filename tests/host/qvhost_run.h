// Running qvhost.exe as a user does, and the files it keeps.
#pragma once

#include "process.h"

#include <string>
#include <vector>

// A line configuration as the host stores it: two lines on channels, one of them with a blank in its
// name, and an empty third.
extern const char kConfiguration[];

// qvhost.exe from the build with these arguments and this standard input (bounded: 60 s).
ProcessResult Qvhost(const std::wstring& arguments, const std::string& input);

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

bool ReadWholeFile(const std::wstring& path, std::string& bytes);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::vector<std::string> OutputLines(const std::string& output);
// The lines that start with the prefix.
std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix);
