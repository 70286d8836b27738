// qvhost: the stand-in of the imaging host. Loads a device module and drives its device from a script,
// standard input, or a demo.
#include "output.h"
#include "script.h"

#include <qv/qvlocale.h>
#include <qv/qvlog.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

std::wstring ModuleBesideExecutable() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n < MAX_PATH ? n : 0);
    size_t slash = p.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1)) +
           L"w32_device_aomtavo.dll";
}

void Usage() {
    PrintLine(L"usage: qvhost.exe [--module PATH] [--class NAME] [--log PATH] [--log-detail] [--log-comm]"
              L" [--language LANGID] [--strict] [SCRIPT|-]");
}

const char* kDemo[] = {"classes", "versions", "create", "info", "state", "quit"};

} // namespace

int wmain(int argc, wchar_t** argv) {
    SHostOptions options;
    options.modulePath = ModuleBesideExecutable();
    std::wstring script;
    bool logComm = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == L"--module" && hasValue) {
            options.modulePath = argv[++i];
        } else if (a == L"--class" && hasValue) {
            std::wstring c = argv[++i];
            options.className.assign(c.begin(), c.end());
        } else if (a == L"--log" && hasValue) {
            if (!CQvLogFile::Open(argv[++i])) {
                PrintError(DMRC_BAD_ARGUMENT, L"cannot open the log file");
                return 2;
            }
        } else if (a == L"--log-detail") {
            CQvLogFile::SetDetail(true);
        } else if (a == L"--log-comm") {
            logComm = true;
        } else if (a == L"--language" && hasValue) {
            wchar_t* end = nullptr;
            long id = wcstol(argv[++i], &end, 10);
            if (!end || *end || id <= 0 || id > 0xFFFF) {
                PrintError(DMRC_BAD_ARGUMENT, L"--language takes a LANGID such as 1031");
                return 2;
            }
            CQvLocale::SetHostLanguage(static_cast<LANGID>(id));
        } else if (a == L"--strict") {
            options.strict = true;
        } else if (a == L"--help" || a == L"-h") {
            Usage();
            return 0;
        } else if (script.empty() && (a == L"-" || a[0] != L'-')) {
            script = a;
        } else {
            Usage();
            return 2;
        }
    }

    CModuleHost host;
    host.Manager().SetLogCommunication(logComm);
    std::wstring error;
    if (!host.Load(options.modulePath, error)) {
        PrintError(DMRC_NO_DEVICE, error);
        return 1;
    }
    PrintLine(L"module " + options.modulePath);
    CScriptRunner runner(host, options);
    if (script.empty()) {
        bool failed = false;
        for (const char* line : kDemo)
            if (!runner.Execute(line, failed) || (failed && options.strict)) break;
        return failed ? 1 : 0;
    }
    if (script == L"-") return runner.Run(stdin);
    FILE* f = _wfopen(script.c_str(), L"rb");
    if (!f) {
        PrintError(DMRC_BAD_ARGUMENT, L"cannot open the script " + script);
        return 2;
    }
    int rc = runner.Run(f);
    fclose(f);
    return rc;
}
