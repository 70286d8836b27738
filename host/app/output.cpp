#include "output.h"

#include <qv/qvsystem.h>

#include <windows.h>

#include <fcntl.h>
#include <initializer_list>
#include <io.h>
#include <stdio.h>

void SetUpLineEnds() {
    for (FILE* stream : {stdout, stderr}) {
        int fd = _fileno(stream);
        DWORD mode = 0;
        // Text mode turns each LF into CR LF; a console is the one place that wants it.
        if (fd >= 0 && !GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode))
            _setmode(fd, _O_BINARY);
    }
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &s[0], n, nullptr,
                            nullptr);
    return s;
}

void PrintLine(const std::wstring& text) {
    fputs(ToUtf8(text).c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

void PrintNote(const std::wstring& text) {
    fputs(("qvhost: " + ToUtf8(text) + "\n").c_str(), stderr);
    fflush(stderr);
}

std::wstring WindowsErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", buffer ? n : 0);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    std::wstring number = L"Windows error " + std::to_wstring(code);
    return text.empty() ? number : text + L" (" + number + L")";
}

void PrintOk() {
    PrintLine(L"ok");
}

void PrintError(int code, const std::wstring& text) {
    PrintLine(L"error " + std::to_wstring(code) + L": " + text);
}

namespace {
int PrintMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) {
    std::wstring line = L"message " + std::wstring(caption ? caption : L"") + L": ";
    for (const wchar_t* p = text ? text : L""; *p; ++p)
        if (*p != L'\r') line += *p == L'\n' ? L' ' : *p;
    PrintLine(line);
    return IDOK;
}
} // namespace

void PrintMessageBoxes() {
    QV_SetMessageBoxHandler(PrintMessageBox);
}
