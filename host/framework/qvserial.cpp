#include "qv/qvserial.h"

#include "dialogtemplate.h"

#include <stdio.h>
#include <wchar.h>

#include <vector>

namespace {

struct SDialogState {
    short currentPort;
    bool connected;
    short chosen;
};

// The COM ports the system knows, from one listing of its device names (asking port by port is slow).
std::vector<bool> ExistingPorts() {
    std::vector<bool> exists(255, false);
    std::vector<wchar_t> names(1 << 16);
    DWORD n = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    for (DWORD i = 0; i < n && names[i];) {
        const wchar_t* name = &names[i];
        int port = 0;
        if (swscanf(name, L"COM%d", &port) == 1 && port >= 1 && port <= 254)
            exists[static_cast<size_t>(port)] = true;
        i += static_cast<DWORD>(wcslen(name)) + 1;
    }
    return exists;
}

INT_PTR CALLBACK SerialDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    SDialogState* state = reinterpret_cast<SDialogState*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<SDialogState*>(lParam);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
        HWND list = GetDlgItem(dialog, QV_SERIAL_DIALOG_PORTS);
        std::vector<bool> exists = ExistingPorts();
        for (int port = 1; port <= 254; ++port) {
            if (port != state->currentPort && !exists[static_cast<size_t>(port)]) continue;
            wchar_t text[16];
            swprintf(text, 16, L"COM%d", port);
            LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            SendMessageW(list, CB_SETITEMDATA, item, port);
            if (port == state->currentPort) SendMessageW(list, CB_SETCURSEL, item, 0);
        }
        SetDlgItemTextW(dialog, QV_SERIAL_DIALOG_STATE,
                        state->connected ? L"Connected: the new port is used at the next connect."
                                         : L"Not connected.");
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            HWND list = GetDlgItem(dialog, QV_SERIAL_DIALOG_PORTS);
            LRESULT item = SendMessageW(list, CB_GETCURSEL, 0, 0);
            // OK without a choice is a cancel: there is no port to give.
            state->chosen =
                item == CB_ERR ? 0 : static_cast<short>(SendMessageW(list, CB_GETITEMDATA, item, 0));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            state->chosen = 0;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

short QV_SerialShowConnectionDialog(HWND parent, short currentPort, bool connected, int, bool, bool,
                                    unsigned int, void*) {
    DialogTemplate dialog(QV_SERIAL_DIALOG_CAPTION, 160, 70);
    dialog.AddControl(L"STATIC", L"COM port:", 0xFFFF, SS_LEFT, 8, 10, 50, 10);
    dialog.AddControl(L"COMBOBOX", L"", QV_SERIAL_DIALOG_PORTS, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                      60, 8, 90, 120);
    dialog.AddControl(L"STATIC", L"", QV_SERIAL_DIALOG_STATE, SS_LEFT, 8, 28, 144, 10);
    dialog.AddControl(L"BUTTON", L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 46, 48, 50, 14);
    dialog.AddControl(L"BUTTON", L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 102, 48, 50, 14);
    SDialogState state{currentPort, connected, 0};
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), parent,
                                             SerialDialogProc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? state.chosen : 0;
}
