#include "qvhost_run.h"

#include "moduleloader.h"

#include <windows.h>

#include <fstream>
#include <iterator>

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
