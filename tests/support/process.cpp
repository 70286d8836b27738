#include "process.h"

#include <windows.h>

namespace {
// An empty temporary file the child inherits, removed when its last handle closes.
HANDLE InheritedTempFile() {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"qvp", 0, path))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                       FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// The file's text from its start, without CRs.
std::string ReadBack(HANDLE file) {
    std::string text;
    char buffer[4096];
    DWORD bytes = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    while (ReadFile(file, buffer, sizeof buffer, &bytes, nullptr) && bytes > 0)
        for (DWORD i = 0; i < bytes; ++i)
            if (buffer[i] != '\r') text += buffer[i];
    return text;
}
} // namespace

ProcessResult RunProcess(const std::wstring& commandLine, const std::string& input, unsigned long timeoutMs,
                         const wchar_t* directory) {
    ProcessResult result;
    // Files instead of pipes: nothing has to be drained while the child runs, and no pipe stays open in a
    // program the child leaves behind.
    HANDLE in = InheritedTempFile(), out = InheritedTempFile(), err = InheritedTempFile();
    DWORD bytes = 0;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        WriteFile(in, input.data(), static_cast<DWORD>(input.size()), &bytes, nullptr) &&
        SetFilePointer(in, 0, nullptr, FILE_BEGIN) == 0 &&
        CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, directory, &si, &pi)) {
        result.started = true;
        result.finished = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!result.finished) {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        result.output = ReadBack(out);
        result.errors = ReadBack(err);
    }
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return result;
}
