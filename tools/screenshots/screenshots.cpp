// Pictures for the documentation, as a person sees them: qvhost's host window with the pad docked, from a
// fresh store and after a configuration, the pad, and the module's dialogs reached through the window
// (line configuration, shutter, power calibration).
#include "cliptext.h"
#include "hostwindow.h"
#include "person.h"
#include "pngwriter.h"

#include <qv/qvsystem.h>
#include <res/resource.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

namespace {

struct SLine {
    const wchar_t* lambda;
    const wchar_t* name;
    int channel; // index in the dialog's list: 0 is "None"
    const wchar_t* min;
    const wchar_t* max;
    const wchar_t* power;
};
const SLine kLines[] = {{L"405", L"Violet", 1, L"0.0", L"5.0", L"35.0"},
                        {L"488", L"Blue", 2, L"0.0", L"4.5", L"60.0"},
                        {L"561", L"Green", 3, L"0.0", L"5.0", L"12.5"}};
const int kLambdaIds[] = {IDC_CFG_LAMBDA1, IDC_CFG_LAMBDA2, IDC_CFG_LAMBDA3};
const int kNameIds[] = {IDC_CFG_NAME1, IDC_CFG_NAME2, IDC_CFG_NAME3};
const int kChannelIds[] = {IDC_CFG_CHANNEL1, IDC_CFG_CHANNEL2, IDC_CFG_CHANNEL3};
const int kMinIds[] = {IDC_CFG_MIN1, IDC_CFG_MIN2, IDC_CFG_MIN3};
const int kMaxIds[] = {IDC_CFG_MAX1, IDC_CFG_MAX2, IDC_CFG_MAX3};

RECT Outline(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// The pad fills its dock: its picture ends a little below its lowest control.
RECT PadOutline(HWND pad) {
    RECT r = Outline(pad);
    LONG bottom = r.top;
    for (HWND c = GetWindow(pad, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) bottom = std::max(bottom, Outline(c).bottom);
    r.bottom = std::min(r.bottom, bottom + 4);
    return r;
}

// A message box would wait for a person: none belongs in the pictures.
int FailOnMessage(HWND, const wchar_t* text, const wchar_t* caption, UINT) {
    printf("FAILED: a message came up: %ls: %ls\n", caption ? caption : L"", text ? text : L"");
    return IDCANCEL;
}

// Says what was written, and any text in the window that does not fit its control.
bool Report(bool ok, HWND window, const std::wstring& path) {
    printf("%s %ls\n", ok ? "wrote" : "FAILED", path.c_str());
    for (const std::wstring& line : ClippedTexts(window))
        printf("  clipped: %ls\n", line.c_str());
    return ok;
}

// The window is drawn anew, and the screen given time to show it, before it is taken.
bool Shot(HWND window, bool pad, const std::wstring& path) {
    if (!window) return Report(false, nullptr, path);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpUntil([] { return false; }, 500);
    return Report(WriteScreenPng(pad ? PadOutline(window) : Outline(window), path), window, path);
}

// Runs the window's menu command while a person, on a thread of their own, acts in the dialog it opens.
bool InDialog(CHostWindow& window, int command, const std::function<bool(HWND)>& act) {
    bool ok = false;
    Person person([&] {
        if (HWND dialog = WaitForDialog()) ok = act(dialog);
    });
    window.Command(command);
    person.join();
    return ok;
}

// From the person's thread: the dialog's own thread draws it.
bool ShotOfDialog(HWND dialog, const std::wstring& path) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    return Report(WriteScreenPng(Outline(dialog), path), dialog, path);
}

// The pad's check boxes and power texts, one each per line, in the order of the lines.
void PadControls(HWND pad, std::vector<HWND>& checks, std::vector<HWND>& powers) {
    struct Found {
        std::vector<HWND>& checks;
        std::vector<HWND>& powers;
    } found{checks, powers};
    EnumChildWindows(
        pad,
        [](HWND c, LPARAM context) -> BOOL {
            Found& f = *reinterpret_cast<Found*>(context);
            wchar_t name[16] = {};
            GetClassNameW(c, name, 16);
            LONG style = GetWindowLongW(c, GWL_STYLE);
            if (!lstrcmpiW(name, L"Button") && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
                f.checks.push_back(c);
            if (!lstrcmpiW(name, L"Edit")) f.powers.push_back(c);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
}

// Lines, names and channels through the line configuration dialog; powers typed into the pad, the
// second line switched on there, and the shutter opened from the menu.
bool Configure(CHostWindow& window, const std::wstring& picture) {
    bool configured = InDialog(window, CHostWindow::ID_CONFIGURE, [&](HWND dialog) {
        for (int r = 0; r < 3; ++r) {
            SetText(dialog, kLambdaIds[r], kLines[r].lambda);
            SetText(dialog, kNameIds[r], kLines[r].name);
            SelectItem(dialog, kChannelIds[r], kLines[r].channel);
            SetText(dialog, kMinIds[r], kLines[r].min);
            SetText(dialog, kMaxIds[r], kLines[r].max);
        }
        bool shot = ShotOfDialog(dialog, picture);
        ClickButton(dialog, IDOK);
        return shot;
    });
    std::vector<HWND> checks, powers;
    if (window.PadWindow()) PadControls(window.PadWindow(), checks, powers);
    if (checks.size() != 3 || powers.size() != 3) {
        printf("FAILED: the pad shows %u lines\n", static_cast<unsigned>(checks.size()));
        return false;
    }
    for (int r = 0; r < 3; ++r) {
        SetWindowTextW(powers[r], kLines[r].power);
        SendMessageW(powers[r], WM_KEYDOWN, VK_RETURN, 0);
    }
    SendMessageW(checks[1], BM_CLICK, 0, 0);
    window.Command(CHostWindow::ID_SHUTTER_OPEN);
    return configured;
}

// The first line measured at 11 points against a meter, as a person types the readings of an AOM whose
// light follows sin² of the voltage (50 mW in full); the fifth point selected, as after putting it on.
bool Calibration(HWND dialog, const std::wstring& picture) {
    SetText(dialog, IDC_CAL_COUNT, L"11");
    ClickButton(dialog, IDC_CAL_FILL);
    HWND points = GetDlgItem(dialog, IDC_CAL_POINTS);
    auto select = [&](int i) {
        SendMessageW(points, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CAL_POINTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(points));
    };
    for (int i = 0; i <= 10; ++i) {
        select(i);
        double light = sin(3.14159265358979 / 2.0 * i / 10.0);
        wchar_t reading[32];
        swprintf(reading, 32, L"%.2f", 50.0 * light * light);
        SetText(dialog, IDC_CAL_POWER, reading);
        ClickButton(dialog, IDC_CAL_CHANGE);
    }
    select(4);
    bool shot = ShotOfDialog(dialog, picture);
    ClickButton(dialog, IDCANCEL);
    return shot;
}

bool Pictures(CHostWindow& window, const std::wstring& folder, const std::wstring& suffix) {
    auto file = [&](const wchar_t* name) { return folder + L"\\" + name + L"_" + suffix + L".png"; };
    // Made smaller, as a person would, so that the pictures show what is in the window.
    SetWindowPos(window.Window(), nullptr, 0, 0, 700, 330, SWP_NOMOVE | SWP_NOZORDER);
    bool ok = Shot(window.Window(), false, file(L"host_fresh"));
    ok = Shot(window.PadWindow(), true, file(L"pad_fresh")) && ok;
    ok = Configure(window, file(L"configuration")) && ok;
    ok = Shot(window.Window(), false, file(L"host")) && ok;
    ok = Shot(window.PadWindow(), true, file(L"pad")) && ok;
    ok = InDialog(window, CHostWindow::ID_SHUTTER_SETTINGS,
                  [&](HWND dialog) {
                      bool shot = ShotOfDialog(dialog, file(L"shutter"));
                      ClickButton(dialog, IDCANCEL);
                      return shot;
                  }) &&
         ok;
    ok = InDialog(window, CHostWindow::ID_CALIBRATE,
                  [&](HWND dialog) { return Calibration(dialog, file(L"calibration")); }) &&
         ok;
    return ok;
}

} // namespace

// uishots.exe FOLDER SUFFIX [qvhost options]: the host window from the store qvhost's options name (which
// should not exist yet), then configured; the pictures are written into FOLDER, their names ending in
// SUFFIX.
int wmain(int argc, wchar_t** argv) {
    SHostOptions options;
    std::wstring error;
    std::vector<wchar_t*> hostArguments{argv[0]};
    if (argc > 3) hostArguments.insert(hostArguments.end(), argv + 3, argv + argc);
    if (argc < 3 ||
        !ParseOptions(static_cast<int>(hostArguments.size()), hostArguments.data(), options, error)) {
        printf("FAILED: %ls\nusage: uishots.exe FOLDER SUFFIX [qvhost options]\n", error.c_str());
        return 2;
    }
    QV_SetMessageBoxHandler(FailOnMessage);
    CHostApp app(options);
    int code = 0;
    if (!app.Start(true, code, error)) {
        printf("FAILED: %ls\n", error.c_str());
        return 1;
    }
    CHostWindow window(app);
    if (!window.Create(true)) {
        printf("FAILED: no host window\n");
        return 1;
    }
    bool ok = Pictures(window, argv[1], argv[2]);
    DestroyWindow(window.Window());
    return ok ? 0 : 1;
}
