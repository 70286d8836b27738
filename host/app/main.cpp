// qvhost: the stand-in of the imaging host. Loads a device module and drives its device from a script,
// standard input, a window, or the demo.
#include "demo.h"
#include "hostwindow.h"
#include "output.h"
#include "scanreport.h"
#include "script.h"

#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
    SetUpLineEnds();
    SHostOptions options;
    std::wstring error;
    if (!ParseOptions(argc, argv, options, error)) {
        PrintError(DMRC_BAD_ARGUMENT, error);
        PrintLine(UsageText());
        return 2;
    }
    if (options.help) {
        PrintLine(UsageText());
        return 0;
    }
    // The host's own look at what is connected: no module, no store.
    if (options.scan) {
        PrintScan(std::vector<int>(), 0);
        PrintOk();
        return 0;
    }
    FILE* script = nullptr;
    if (!options.script.empty() && options.script != L"-" &&
        !(script = _wfopen(options.script.c_str(), L"rb"))) {
        PrintError(DMRC_BAD_ARGUMENT, L"cannot open the script " + options.script);
        return 2;
    }
    if (!options.gui) PrintMessageBoxes();
    bool demo = options.script.empty() && !options.gui;
    int exitCode = 0;
    {
        CHostApp app(options);
        // The demo keeps nothing between runs: it neither reads nor writes the store.
        int code = 0;
        if (!app.Start(!demo, code, error)) {
            PrintError(code, error);
            exitCode = 1;
        } else if (options.gui) {
            exitCode = RunHostWindow(app);
        } else if (demo) {
            exitCode = RunDemo(app);
        } else {
            exitCode = CScriptRunner(app).Run(script ? script : stdin);
        }
        bool saved = app.Shutdown(error);
        app.Log().Print(); // what the module said while it was disconnected and released
        if (!saved) PrintError(DMRC_NO_DEVICE, error);
    }
    if (script) fclose(script);
    return exitCode;
}
