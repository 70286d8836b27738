#include "native_process.h"

#include "wine_host.h"

namespace tavosim_fixture {

namespace {

std::wstring quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out.push_back(c);
        backslashes = 0;
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

bool create(const std::string& unix_path, const std::vector<std::string>& args, HANDLE stdio,
            std::string& error) {
    std::wstring program = windows_path_of_unix_file(unix_path);
    if (program.empty()) {
        error = "cannot map " + unix_path + " to a Windows path (not running under Wine?)";
        return false;
    }
    std::wstring line = command_line(program, args);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (stdio) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = stdio;
        startup.hStdOutput = stdio;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    // No console flags: with CREATE_NEW_CONSOLE or DETACHED_PROCESS Wine gives the child /dev/null.
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        error = "CreateProcess(" + narrow(program) + ") failed: " + std::to_string(GetLastError());
        return false;
    }
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
}

} // namespace

std::wstring command_line(const std::wstring& program, const std::vector<std::string>& args) {
    std::wstring line = quote(program);
    for (const std::string& arg : args)
        line += L" " + quote(widen(arg));
    return line;
}

NativeProcess::~NativeProcess() {
    release();
}

bool NativeProcess::start(const std::string& unix_path, const std::vector<std::string>& args,
                          std::string& error) {
    Socket ours, theirs;
    if (!make_socket_pair(ours, theirs, error)) return false;
    if (!create(unix_path, args, reinterpret_cast<HANDLE>(theirs.get()), error)) return false;
    // Only the child may hold its end now, or its exit would never show as end of file here.
    theirs.reset();
    stdio_ = std::move(ours);
    exited_ = false;
    return true;
}

bool NativeProcess::wait_exit(DWORD timeout_ms) {
    if (!stdio_.valid()) return true;
    if (!exited_) exited_ = reader_.wait_closed(stdio_.get(), timeout_ms);
    return exited_;
}

void NativeProcess::close_input() {
    if (stdio_.valid()) shutdown(stdio_.get(), SD_SEND);
}

void NativeProcess::release() {
    stdio_.reset();
}

bool run_detached(const std::string& unix_path, const std::vector<std::string>& args) {
    std::string error;
    return create(unix_path, args, nullptr, error);
}

} // namespace tavosim_fixture
