// Writes pictures of the pad and both dialogs, in English and German, into a folder (docs/ by default):
// the simulator device, connected and configured as a person would have it.
#include "devicehost.h"
#include "person.h"
#include "pngwriter.h"

#include <aomtavomultilaser.h>
#include <aomtavopad.h>
#include <aomtavoshutter.h>

#include <qv/qvlocale.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const wchar_t kConfiguration[] =
    L"bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  "
    L"5.0;fValLambda[0]=405.0;sChannel_Name[0]=Dev1/ao0;"
    L"sLineName[0]=Violet;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=488.0;"
    L"sChannel_Name[1]=Dev1/ao1;sLineName[1]=Blue;bEmpty[2]=0;iIndex[2]=3;fValMin[2]=  0.0;fValMax[2]=  5.0;"
    L"fValLambda[2]=561.0;sChannel_Name[2]=Dev1/ao2;sLineName[2]=Green;";

bool Report(bool ok, const std::wstring& path) {
    printf("%s %ls\n", ok ? "wrote" : "FAILED", path.c_str());
    return ok;
}

// Captures a modal dialog from a second thread while this thread runs it, then closes it with Cancel.
bool ShotOfDialog(const std::wstring& path, const std::function<void()>& run) {
    bool ok = false;
    Person person([&] {
        if (HWND dialog = WaitForDialog()) {
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Sleep(300);
            ok = WriteWindowPng(dialog, path);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    run();
    person.join();
    return Report(ok, path);
}

bool Shots(const std::wstring& folder, LANGID language, const wchar_t* suffix, const std::wstring& what) {
    CQvLocale::SetHostLanguage(language);
    DeviceHost host;
    if (!host.Connect() || host.Configure(kConfiguration) != DMRC_OK) return false;
    host->m_pMultiLaser->LoadSettings(L"m_dPower0= 35.0;m_dPower1= 60.0;m_dPower2= 12.5;", 101);
    host->m_pShutter->LoadSettings(L"ShutterType=0|", 102);
    // The host knows the logical devices by id and key, as after its own configuration.
    host.manager().AddLogicalDevice(
        {101, L"AOMTAVO_MultiLaser", 1, true, true, host->m_pMultiLaser, nullptr});
    host.manager().AddLogicalDevice({102, L"Shutter", 1, true, true, host->m_pShutter, host->m_pShutter});
    host->m_pMultiLaser->SetLineUsed(1, true);
    host->m_pShutter->SetState(true);

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ShotsDock";
    RegisterClassW(&wc);
    HWND dock = CreateWindowW(L"ShotsDock", L"qvhost", WS_POPUP | WS_VISIBLE, 20, 20, 300, 200, nullptr,
                              nullptr, wc.hInstance, nullptr);
    IQvGUIElement* element = nullptr;
    host->GetControlPad(&element, nullptr);
    HWND pad = reinterpret_cast<HWND>(
        element->CreateUI(L"pad", 0, reinterpret_cast<int64_t>(dock), nullptr, nullptr));
    bool ok = pad != nullptr;
    if (ok && what == L"pad") {
        SetWindowPos(dock, nullptr, 0, 0, GetWndWidth(pad), GetWndHeight(pad), SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(pad, SW_SHOW);
        PumpUntil([] { return false; }, 500);
        RedrawWindow(dock, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpUntil([] { return false; }, 200);
        ok = Report(WriteWindowPng(pad, folder + L"\\pad_" + suffix + L".png"),
                    folder + L"\\pad_" + suffix + L".png");
    }
    CQvStringW text;
    if (what == L"configuration")
        ok = ShotOfDialog(folder + L"\\configuration_" + suffix + L".png",
                          [&] { host->ShowLineConfigurationDialog(text, dock); }) &&
             ok;
    if (what == L"shutter")
        ok = ShotOfDialog(folder + L"\\shutter_" + suffix + L".png",
                          [&] { host->m_pShutter->ShowDeviceConfigDialog(dock); }) &&
             ok;
    element->DestroyUI();
    DestroyWindow(dock);
    return ok;
}

} // namespace

// uishots.exe FOLDER LANGID SUFFIX pad|configuration|shutter: one picture per process, each from a fresh
// host.
int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        printf("usage: uishots.exe FOLDER LANGID SUFFIX pad|configuration|shutter\n");
        return 2;
    }
    LANGID language = static_cast<LANGID>(wcstol(argv[2], nullptr, 10));
    return Shots(argv[1], language, argv[3], argv[4]) ? 0 : 1;
}
