#include "wine_host.h"

#include <windows.h>

namespace tavosim_fixture {

namespace {

// Wine's own exports from kernel32; absent on Windows.
using DosFileNameFn = WCHAR*(CDECL*)(const char*);
using UnixFileNameFn = char*(CDECL*)(const WCHAR*);

// void (*)() converts to any function pointer type without a -Wcast-function-type warning.
using AnyFn = void (*)();

AnyFn kernel32_export(const char* name) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<AnyFn>(GetProcAddress(kernel32, name)) : nullptr;
}

} // namespace

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
    return out;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size, nullptr,
                        nullptr);
    return out;
}

std::wstring windows_path_of_unix_file(const std::string& unix_path) {
    auto to_dos = reinterpret_cast<DosFileNameFn>(kernel32_export("wine_get_dos_file_name"));
    if (!to_dos) return {};
    WCHAR* dos = to_dos(unix_path.c_str());
    if (!dos) return {};
    std::wstring out = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return out;
}

std::string wine_prefix_directory() {
    std::string prefix = environment_variable("WINEPREFIX");
    if (!prefix.empty()) return prefix;
    auto to_unix = reinterpret_cast<UnixFileNameFn>(kernel32_export("wine_get_unix_file_name"));
    if (!to_unix) return {};
    char* unix_path = to_unix(L"C:\\");
    if (!unix_path) return {};
    std::string c_drive = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    size_t at = c_drive.rfind("/dosdevices/");
    return at == std::string::npos ? std::string() : c_drive.substr(0, at);
}

std::string environment_variable(const char* name) {
    wchar_t buffer[4096];
    DWORD size = GetEnvironmentVariableW(widen(name).c_str(), buffer, sizeof buffer / sizeof buffer[0]);
    return size > 0 && size < sizeof buffer / sizeof buffer[0] ? narrow(std::wstring(buffer, size))
                                                               : std::string();
}

} // namespace tavosim_fixture
