#include "qvhost_run.h"

#include "moduleloader.h"

#include <windows.h>

#include <fstream>
#include <iterator>

const char kConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "sLineName[0]=Blue;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    "sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green Line;bEmpty[2]=1;iIndex[2]=0;fValMin[2]=  0.0;"
    "fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;";

ProcessResult Qvhost(const std::wstring& arguments, const std::string& input) {
    return RunProcess(L"\"" + BesideExecutable(L"qvhost.exe") + L"\" " + arguments, input, 60000);
}

TempStore::TempStore(const char* name) {
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    m_sPath = std::wstring(folder, n < MAX_PATH ? n : 0) + L"qvhost-" +
              std::wstring(name, name + strlen(name)) + L"-" + std::to_wstring(GetCurrentProcessId()) +
              L".store";
    DeleteFileW(m_sPath.c_str());
    DeleteFileW((m_sPath + L".new").c_str());
}

TempStore::~TempStore() {
    DeleteFileW(m_sPath.c_str());
    DeleteFileW((m_sPath + L".new").c_str());
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    std::ifstream f(path.c_str(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return f.is_open();
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream f(path.c_str(), std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    return !f.fail();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> OutputLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : OutputLines(output))
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}
