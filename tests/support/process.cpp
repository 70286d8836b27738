#include "process.h"

#include <windows.h>

namespace {
struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    ~Pipe() {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
    }
};

DWORD WINAPI Drain(void* p) {
    auto* args = static_cast<std::pair<HANDLE, std::string*>*>(p);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(args->first, buffer, sizeof buffer, &got, nullptr) && got > 0)
        args->second->append(buffer, got);
    return 0;
}
} // namespace

ProcessResult RunProcess(const std::wstring& commandLine, const std::string& input, unsigned long timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Pipe in, out;
    if (!CreatePipe(&in.read, &in.write, &inherit, 0) || !CreatePipe(&out.read, &out.write, &inherit, 0))
        return result;
    SetHandleInformation(in.write, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out.read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.read;
    si.hStdOutput = out.write;
    si.hStdError = out.write;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return result;
    result.started = true;
    CloseHandle(in.read);
    in.read = nullptr;
    CloseHandle(out.write);
    out.write = nullptr;
    // Output is drained on its own thread so that a chatty child never blocks on a full pipe.
    std::pair<HANDLE, std::string*> drainArgs(out.read, &result.output);
    HANDLE drain = CreateThread(nullptr, 0, Drain, &drainArgs, 0, nullptr);
    DWORD written = 0;
    if (!input.empty())
        WriteFile(in.write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(in.write);
    in.write = nullptr;
    result.finished = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!result.finished) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    if (drain) {
        WaitForSingleObject(drain, 5000);
        CloseHandle(drain);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string clean;
    for (char c : result.output)
        if (c != '\r') clean += c;
    result.output = clean;
    return result;
}
