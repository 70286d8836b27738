#include "person.h"

namespace {
struct Search {
    const std::wstring* caption; // null: any dialog box
    HWND found;
    HWND except; // a dialog that is on its way out
};

bool IsDialogBox(HWND window) {
    wchar_t name[16];
    return GetClassNameW(window, name, 16) && std::wstring(name) == L"#32770";
}

BOOL CALLBACK MatchCaption(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    bool match = search->caption ? WindowText(window) == *search->caption : IsDialogBox(window);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && match && window != search->except) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first visible window of this process that matches, waiting for it (bounded).
HWND WaitFor(const std::wstring* caption, DWORD timeoutMs, HWND except) {
    for (ULONGLONG deadline = GetTickCount64() + timeoutMs; GetTickCount64() < deadline; Sleep(10)) {
        Search search{caption, nullptr, except};
        EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
    }
    return nullptr;
}
} // namespace

HWND WaitForDialog(DWORD timeoutMs, HWND except) {
    return WaitFor(nullptr, timeoutMs, except);
}

HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs) {
    return WaitFor(&caption, timeoutMs, nullptr);
}

std::wstring WindowText(HWND window) {
    wchar_t text[512];
    int n = GetWindowTextW(window, text, 512);
    return std::wstring(text, n > 0 ? n : 0);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (ULONGLONG deadline = GetTickCount64() + timeoutMs;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20), QS_ALLINPUT);
    }
}

void ClickButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void SelectItem(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // Choosing with the mouse also tells the dialog.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void CloseBox(HWND dialog) {
    SendMessageW(dialog, WM_CLOSE, 0, 0);
}
