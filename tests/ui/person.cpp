#include "person.h"

namespace {
// The first visible window of this process that matches, waiting for it (bounded).
HWND WaitFor(const std::function<bool(HWND)>& match, DWORD timeoutMs) {
    struct Search {
        const std::function<bool(HWND)>& match;
        HWND found;
    } search{match, nullptr};
    auto visit = [](HWND window, LPARAM context) -> BOOL {
        Search& s = *reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !s.match(window)) return TRUE;
        s.found = window;
        return FALSE;
    };
    for (ULONGLONG deadline = GetTickCount64() + timeoutMs; GetTickCount64() < deadline; Sleep(10)) {
        EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
    }
    return nullptr;
}
} // namespace

HWND WaitForDialog(DWORD timeoutMs, HWND except) {
    return WaitFor(
        [except](HWND window) {
            wchar_t name[16];
            return window != except && GetClassNameW(window, name, 16) && std::wstring(name) == L"#32770";
        },
        timeoutMs);
}

HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs) {
    return WaitFor([&caption](HWND window) { return WindowText(window) == caption; }, timeoutMs);
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
