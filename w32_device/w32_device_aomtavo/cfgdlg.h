// The configuration dialog of the three laser positions, and the shutter's type dialog.
#pragma once

#include "aomtavoapi.h"

class CQvAOMTAVO;
class CQvAOMTAVOShutter;

// A dialog template of the module in the person's language (the secondary language when it has none).
const DLGTEMPLATE* AOMDialogTemplate(const wchar_t* name);

// Window handles of the controls of one position.
struct SCfgRow {
    HWND hChannel = nullptr;
    HWND hMin = nullptr;
    HWND hMax = nullptr;
    HWND hLambda = nullptr;
};

class CCfgDlg {
public:
    enum { Rows = 3 };
    explicit CCfgDlg(CQvAOMTAVO* device);
    virtual ~CCfgDlg();

    // Runs the dialog modally. OK and Cancel both end it with 0: the result is false either way.
    bool DoModal(HWND parent);
    static INT_PTR CALLBACK CfgDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The number in a control's text (a point, whatever the locale); false when there is none.
    static bool GetItemDouble(HWND window, int id, double& value);

    CQvAOMTAVO* m_pDevice;
    SCfgRow m_aRows[Rows];

private:
    void OnInitDialog(HWND window);
    void OnEmptyClicked(HWND window, int row);
    void OnChannelChanged(HWND window, HWND list);
    bool OnOK(HWND window);
    void ShowError(const wchar_t* text);
};

class CCfgShutterDlg {
public:
    CCfgShutterDlg(CQvAOMTAVO* device, CQvAOMTAVOShutter* shutter);

    // OK ends the dialog with 1 and Cancel with 2: true either way.
    bool DoModal(HWND parent);
    static INT_PTR CALLBACK ShutterCfgDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    CQvAOMTAVO* m_pDevice;
    CQvAOMTAVOShutter* m_pShutter;

private:
    void OnInitDialog(HWND window);
    void OnOK(HWND window);
};
