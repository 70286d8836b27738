// NI-DAQmx's library loaded at run time as the device loads it (the --daq-dir folder first, then the
// system's), with its functions by name and its failures in words. Unloaded again with the object.
#pragma once

#include "output.h"

#include <windows.h>

#include <stdint.h>
#include <string>

class CDaqLibrary {
public:
    static const uint32_t kErrorTextSize = 2048;
    typedef int32_t(WINAPI* PFN_ErrorText)(char* data, uint32_t size);

    CDaqLibrary() {
        // No system error box for a missing library: the caller reports it itself.
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        m_hModule = LoadLibraryW(L"nicaiu.dll");
        m_uLoadError = GetLastError();
        SetErrorMode(oldMode);
    }
    ~CDaqLibrary() {
        if (m_hModule) FreeLibrary(m_hModule);
    }
    CDaqLibrary(const CDaqLibrary&) = delete;
    CDaqLibrary& operator=(const CDaqLibrary&) = delete;

    bool Loaded() const { return m_hModule != nullptr; }
    DWORD LoadError() const { return m_uLoadError; }
    std::wstring Path() const {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(m_hModule, path, MAX_PATH);
        return std::wstring(path, n < MAX_PATH ? n : 0);
    }
    template <class F> F Function(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_hModule, name)));
    }

    // "<function> failed with NI-DAQmx code <status>: <the library's text of it>"
    std::wstring Failure(const char* function, int32_t status) const {
        std::wstring text = Widen(function) + L" failed with NI-DAQmx code " + std::to_wstring(status);
        PFN_ErrorText info = Function<PFN_ErrorText>("DAQmxGetExtendedErrorInfo");
        char buffer[kErrorTextSize] = "";
        // A text cut to fit comes with a warning, which is fine here.
        if (info && info(buffer, kErrorTextSize) >= 0) {
            buffer[kErrorTextSize - 1] = 0;
            // NI's text runs over several lines; the scan's report has one a board.
            for (char* c = buffer; *c; ++c)
                if (*c == '\r' || *c == '\n') *c = ' ';
            if (buffer[0]) text += L": " + Widen(buffer);
        }
        return text;
    }
    std::wstring Missing(const char* function) const {
        return L"the library has no function " + Widen(function);
    }

    static std::wstring Widen(const char* text) {
        // The library's texts are in the system's ANSI code page.
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
        wide.resize(wide.size() - 1);
        return wide;
    }

private:
    HMODULE m_hModule = nullptr;
    DWORD m_uLoadError = 0;
};
