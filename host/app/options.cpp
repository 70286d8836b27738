#include "options.h"

#include "output.h"
#include "numbers.h"

#include <qv/qvlocale.h>
#include <qv/qvlog.h>

#include <windows.h>

namespace {
std::wstring ModuleBesideExecutable() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n < MAX_PATH ? n : 0);
    size_t slash = p.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1)) +
           L"w32_device_aomtavo.dll";
}

bool ParseNumber(const std::wstring& text, long long min, long long max, long long& value) {
    return ParseInteger(ToUtf8(text), min, max, value);
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

bool SetDaqDir(const std::wstring& dir, std::wstring& full, std::wstring& error) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetFullPathNameW(dir.c_str(), MAX_PATH, buffer, nullptr);
    DWORD attributes = n > 0 && n < MAX_PATH ? GetFileAttributesW(buffer) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = L"--daq-dir: no folder " + dir;
        return false;
    }
    full = buffer;
    // The module loads nicaiu.dll by name when it connects: this folder is searched before the system's.
    SetDllDirectoryW(buffer);
    return true;
}
} // namespace

std::wstring UsageText() {
    return L"usage: qvhost.exe [--module PATH] [--class NAME] [--store PATH] [--com N] [--daq-dir PATH]"
           L" [--log PATH] [--log-detail] [--log-comm] [--language LANGID] [--gui] [--strict] [--scan]"
           L" [SCRIPT|-]\n"
           L"  SCRIPT        a file of commands, - for standard input (type help for the commands);"
           L" without one the demo runs\n"
           L"  --module PATH the device module (default: w32_device_aomtavo.dll beside qvhost.exe)\n"
           L"  --class NAME  the class create and the demo make: CQvAOMTAVOSim (default) or CQvAOMTAVO\n"
           L"  --store PATH  the file of the settings kept between runs (default: qvhost.store in the"
           L" current folder)\n"
           L"  --com N       connect to COM N when connect is given no text\n"
           L"  --daq-dir DIR search DIR for nicaiu.dll (NI-DAQmx) before the system's folders\n"
           L"  --log FILE    append the diagnostic log to FILE\n"
           L"  --log-detail  detailed messages in the log (needs --log)\n"
           L"  --log-comm    the device's serial exchanges in the log; turns on --log-detail (needs --log)\n"
           L"  --language ID the host's language, a LANGID such as 1031 for German\n"
           L"  --gui         the host window (needs a display)\n"
           L"  --strict      stop at the first failing command, exit code 1\n"
           L"  --scan        list the COM ports, send the unit's version request (rVER, 9600 8N1) to each"
           L" free one, list NI-DAQmx and its boards, then end";
}

bool ParseOptions(int argc, wchar_t** argv, SHostOptions& options, std::wstring& error) {
    options.modulePath = ModuleBesideExecutable();
    bool logFile = false, detail = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool takesValue = a == L"--module" || a == L"--class" || a == L"--store" || a == L"--log" ||
                          a == L"--language" || a == L"--com" || a == L"--daq-dir";
        if (takesValue && i + 1 >= argc) {
            error = a + L" needs a value";
            return false;
        }
        long long number = 0;
        if (a == L"--module") {
            options.modulePath = argv[++i];
        } else if (a == L"--class") {
            options.className = ToUtf8(argv[++i]);
        } else if (a == L"--store") {
            options.storePath = argv[++i];
        } else if (a == L"--log") {
            logFile = true;
            if (!CQvLogFile::Open(argv[++i])) {
                error = L"cannot open the log file " + std::wstring(argv[i]);
                return false;
            }
        } else if (a == L"--log-detail") {
            detail = true;
        } else if (a == L"--log-comm") {
            // The device writes its serial lines as detailed messages.
            options.logComm = detail = true;
        } else if (a == L"--language") {
            if (!ParseNumber(argv[++i], 1, 0xFFFF, number)) {
                error = L"--language takes a LANGID such as 1031";
                return false;
            }
            CQvLocale::SetHostLanguage(static_cast<LANGID>(number));
        } else if (a == L"--com") {
            if (!ParseNumber(argv[++i], 1, 255, number)) {
                error = L"--com takes a COM port number from 1 to 255";
                return false;
            }
            options.comPort = static_cast<int>(number);
        } else if (a == L"--daq-dir") {
            if (!SetDaqDir(argv[++i], options.daqDir, error)) return false;
        } else if (a == L"--gui") {
            options.gui = true;
        } else if (a == L"--scan") {
            options.scan = true;
        } else if (a == L"--strict") {
            options.strict = true;
        } else if (a == L"--help" || a == L"-h") {
            options.help = true;
        } else if (options.script.empty() && (a == L"-" || (!a.empty() && a[0] != L'-'))) {
            options.script = a;
        } else {
            error = L"unknown option " + a;
            return false;
        }
    }
    if (options.gui && !options.script.empty()) {
        error = L"--gui takes no script";
        return false;
    }
    if (options.scan && (options.gui || !options.script.empty())) {
        error = L"--scan runs alone: give it no script and no --gui (a script can use the scan command)";
        return false;
    }
    if (detail && !logFile) {
        error = L"--log-detail and --log-comm write into the log file: give --log FILE too";
        return false;
    }
    CQvLogFile::SetDetail(detail);
    options.storePath = FullPath(options.storePath);
    return true;
}
