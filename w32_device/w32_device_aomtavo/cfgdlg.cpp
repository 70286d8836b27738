#include "cfgdlg.h"

#include "aomsettingstext.h"
#include "aomtavodevice.h"
#include "aomtavomultilaser.h"
#include "aomtavoshutter.h"
#include "res/resource.h"

#include <qv/qvlocale.h>
#include <qv/qvsystem.h>

#include <initializer_list>

namespace {
const wchar_t kSourceFile[] = L"cfgdlg";
const int kMinIds[CCfgDlg::Rows] = {IDC_CFG_MIN1, IDC_CFG_MIN2, IDC_CFG_MIN3};
const int kMaxIds[CCfgDlg::Rows] = {IDC_CFG_MAX1, IDC_CFG_MAX2, IDC_CFG_MAX3};
const int kLambdaIds[CCfgDlg::Rows] = {IDC_CFG_LAMBDA1, IDC_CFG_LAMBDA2, IDC_CFG_LAMBDA3};
const int kNameIds[CCfgDlg::Rows] = {IDC_CFG_NAME1, IDC_CFG_NAME2, IDC_CFG_NAME3};
const int kChannelIds[CCfgDlg::Rows] = {IDC_CFG_CHANNEL1, IDC_CFG_CHANNEL2, IDC_CFG_CHANNEL3};
const int kEmptyIds[CCfgDlg::Rows] = {IDC_CFG_EMPTY1, IDC_CFG_EMPTY2, IDC_CFG_EMPTY3};
const wchar_t* const kLambdaMessages[CCfgDlg::Rows] = {L"Lambda1 out of range <300 - 800> nm  ",
                                                       L"Lambda2 out of range <300 - 800> nm  ",
                                                       L"Lambda3 out of range <300 - 800> nm  "};
const int kNameBuffer = 16;
const int kItemBuffer = 255;

// Only one dialog of each kind is open at a time; its procedure finds it here.
CCfgDlg* g_pCfgDlg = nullptr;
CCfgShutterDlg* g_pShutterDlg = nullptr;

} // namespace

const DLGTEMPLATE* AOMDialogTemplate(const wchar_t* name) {
    HRSRC resource =
        FindResourceExW(g_hAOMTAVOModule, RT_DIALOG, name, CQvLocale::GetModuleLangId(g_hAOMTAVOModule));
    if (!resource)
        resource = FindResourceExW(g_hAOMTAVOModule, RT_DIALOG, name, CQvLocale::GetSecondaryLangID());
    HGLOBAL loaded = resource ? LoadResource(g_hAOMTAVOModule, resource) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

namespace {

CQvStringW Translate(const wchar_t* text) {
    return QV_GetTranslation(text, kSourceFile);
}

int Selection(HWND list) {
    return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

// A board that discovery read no range list of has its one range in the first pair.
int RangeCount(const SDAQBoard& board) {
    return board.iAORangeCount > 0 ? board.iAORangeCount : 1;
}
float RangeLow(const SDAQBoard& board, int r) {
    return board.iAORangeCount > 0 ? board.afAORangeLow[r] : board.fAORangeLow;
}
float RangeHigh(const SDAQBoard& board, int r) {
    return board.iAORangeCount > 0 ? board.afAORangeHigh[r] : board.fAORangeHigh;
}

// NI chooses the output range for the line's own span: it must lie within one of the board's ranges.
bool WithinOneRange(const SDAQBoard& board, float min, float max) {
    for (int r = 0; r < RangeCount(board); ++r)
        if (min >= RangeLow(board, r) && min <= RangeHigh(board, r) && max >= RangeLow(board, r) &&
            max <= RangeHigh(board, r))
            return true;
    return false;
}

// The refusal names every range of the board: the first in the translated text, the others after it.
CQvStringW RangesMessage(const SDAQBoard& board) {
    CQvStringW text;
    text.Format(Translate(L"MIN or MAX out of range <%5.1f - %5.1f>"), RangeLow(board, 0),
                RangeHigh(board, 0));
    for (int r = 1; r < RangeCount(board); ++r) {
        CQvStringW more;
        more.Format(L", <%5.1f - %5.1f>", RangeLow(board, r), RangeHigh(board, r));
        text.AddString(more);
    }
    return text;
}
} // namespace

CCfgDlg::CCfgDlg(CQvAOMTAVO* device) : m_pDevice(device) {}

CCfgDlg::~CCfgDlg() {}

bool CCfgDlg::DoModal(HWND parent) {
    const DLGTEMPLATE* dialog = AOMDialogTemplate(L"IDD_CFG");
    if (!dialog) return false;
    return DialogBoxIndirectParamW(g_hAOMTAVOModule, dialog, parent, CfgDlgProc,
                                   reinterpret_cast<LPARAM>(this)) != 0;
}

bool CCfgDlg::GetItemDouble(HWND window, int id, double& value) {
    wchar_t text[kItemBuffer];
    if (!GetDlgItemTextW(window, id, text, kItemBuffer)) text[0] = 0;
    return QV_StringToDouble(text, &value);
}

void CCfgDlg::ShowError(const wchar_t* text) {
    QV_MessageBox_(nullptr, text, Translate(L"Error"), MB_ICONERROR);
}

void CCfgDlg::OnInitDialog(HWND window) {
    CQvAOMTAVO& d = *m_pDevice;
    CQvAOMTAVOMultiLaser& laser = *d.m_pMultiLaser;
    SetDlgItemTextW(window, IDC_CFG_FIRMWARE, d.m_sFWVersion);
    bool empty[Rows];
    for (int r = 0; r < Rows; ++r)
        empty[r] = laser.m_abEmpty[r] != 0;
    for (int r = 0; r < Rows; ++r)
        SetDlgItemTextW(window, kMinIds[r], SettingFloat(d.m_Lines[r].fValMin));
    for (int r = 0; r < Rows; ++r)
        SetDlgItemTextW(window, kMaxIds[r], SettingFloat(d.m_Lines[r].fValMax));
    for (int r = 0; r < Rows; ++r)
        SendDlgItemMessageW(window, kEmptyIds[r], BM_SETCHECK, empty[r] ? BST_CHECKED : BST_UNCHECKED, 0);
    for (int r = 0; r < Rows; ++r) {
        CQvStringW lambda;
        lambda.Format(L"%3.0f", d.m_Lines[r].fValLambda);
        SetDlgItemTextW(window, kLambdaIds[r], lambda);
    }
    for (int r = 0; r < Rows; ++r) {
        SetDlgItemTextW(window, kNameIds[r], laser.m_asName[r]);
        SendDlgItemMessageW(window, kNameIds[r], EM_LIMITTEXT, 10, 0);
    }
    for (const int* ids : {kLambdaIds, kNameIds, kChannelIds})
        for (int r = 0; r < Rows; ++r)
            EnableWindow(GetDlgItem(window, ids[r]), !empty[r]);
    for (int r = 0; r < Rows; ++r) {
        m_aRows[r].hChannel = GetDlgItem(window, kChannelIds[r]);
        m_aRows[r].hMin = GetDlgItem(window, kMinIds[r]);
        m_aRows[r].hMax = GetDlgItem(window, kMaxIds[r]);
        m_aRows[r].hLambda = GetDlgItem(window, kLambdaIds[r]);
        SendMessageW(m_aRows[r].hMin, EM_LIMITTEXT, 4, 0);
        SendMessageW(m_aRows[r].hMax, EM_LIMITTEXT, 4, 0);
        SendMessageW(m_aRows[r].hLambda, EM_LIMITTEXT, 3, 0);
    }
    for (int r = 0; r < Rows; ++r) {
        HWND list = m_aRows[r].hChannel;
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Translate(L"None").GetString()));
        // The last entry of the discovered list is its empty end: never offered.
        for (int c = 0; c < d.m_iAOChannelCount - 1 && c < AOM_MAX_AO_CHANNELS; ++c)
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.m_AOChannelNames[c].GetString()));
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(d.m_Lines[r].iIndex), 0);
    }
    for (int r = 0; r < Rows; ++r) {
        if (d.m_Lines[r].iIndex == 0) {
            EnableWindow(m_aRows[r].hMin, FALSE);
            EnableWindow(m_aRows[r].hMax, FALSE);
        }
    }
    CQvStringW boards;
    for (int b = 0; b < d.m_iDAQBoardCount && b < AOM_MAX_DAQ_BOARDS; ++b) {
        const SDAQBoard& board = d.m_DAQBoards[b];
        if (board.uProductNum == 6256)
            boards.AddString(L"NI6713");
        else if (board.uProductNum == 6272)
            boards.AddString(L"NI6711");
        boards.AddString(L"/").AddString(d.m_DAQBoardNames[b]).AddString(Translate(L"/PCI slot #"));
        boards.AddInt(static_cast<int>(board.uPCIDevNum)).AddString(L"; ");
    }
    SetDlgItemTextW(window, IDC_CFG_BOARDS, boards);
    uint32_t single = 1;
    laser.GetSingleLineMode(&single);
    SetDlgItemTextW(window, IDC_CFG_MODE, Translate(single == 1 ? L"Single Line" : L"Multiple Line"));
    SetDlgItemTextW(window, IDC_CFG_FIRMWARE, d.m_sFWVersion);
    CQvStringW sdk;
    sdk.AddInt(static_cast<int>(d.m_DAQBoards[0].uSDKMajor)).AddChar(L'.');
    sdk.AddInt(static_cast<int>(d.m_DAQBoards[0].uSDKMinor)).AddChar(L'.');
    SetDlgItemTextW(window, IDC_CFG_SDK, sdk);
}

void CCfgDlg::OnEmptyClicked(HWND window, int row) {
    bool checked = SendDlgItemMessageW(window, kEmptyIds[row], BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableWindow(GetDlgItem(window, kLambdaIds[row]), !checked);
    EnableWindow(GetDlgItem(window, kNameIds[row]), !checked);
    EnableWindow(GetDlgItem(window, kChannelIds[row]), !checked);
}

void CCfgDlg::OnChannelChanged(HWND, HWND list) {
    int selection = Selection(list);
    int row = list == m_aRows[2].hChannel ? 2 : list == m_aRows[1].hChannel ? 1 : 0;
    SCfgRow& r = m_aRows[row];
    if (selection <= 0 || selection > m_pDevice->m_iAOChannelCount) {
        EnableWindow(r.hMin, FALSE);
        EnableWindow(r.hMax, FALSE);
        return;
    }
    const SAOChannel& channel = m_pDevice->m_AOChannels[selection - 1];
    SetWindowTextW(r.hMin, SettingFloat(channel.fMin));
    SetWindowTextW(r.hMax, SettingFloat(channel.fMax));
    EnableWindow(r.hMin, TRUE);
    EnableWindow(r.hMax, TRUE);
}

bool CCfgDlg::OnOK(HWND window) {
    CQvAOMTAVO& d = *m_pDevice;
    CQvAOMTAVOMultiLaser& laser = *d.m_pMultiLaser;
    int selected[Rows];
    for (int r = 0; r < Rows; ++r) {
        selected[r] = Selection(m_aRows[r].hChannel);
        // A stored index beyond this machine's channels leaves the list without a selection: "None".
        if (selected[r] < 0 || selected[r] > d.m_iAOChannelCount) selected[r] = 0;
    }
    int conflict = 0;
    if (selected[0] != 0 && (selected[0] == selected[1] || selected[0] == selected[2]))
        conflict = selected[0];
    else if (selected[2] != 0 && selected[2] == selected[1])
        conflict = selected[2];
    if (conflict) {
        CQvStringW text;
        text.Format(Translate(L"Multiple use of channel %s"), d.m_AOChannelNames[conflict - 1].GetString());
        ShowError(text);
        return false;
    }
    for (int r = 0; r < Rows; ++r) {
        if (selected[r] == 0) continue;
        const SAOChannel& channel = d.m_AOChannels[selected[r] - 1];
        int board =
            channel.iBoardIndex >= 0 && channel.iBoardIndex < AOM_MAX_DAQ_BOARDS ? channel.iBoardIndex : 0;
        double min = 0.0, max = 0.0;
        bool numbers = GetItemDouble(window, kMinIds[r], min) && GetItemDouble(window, kMaxIds[r], max);
        // A text that is no number is out of range as well.
        if (!numbers ||
            !WithinOneRange(d.m_DAQBoards[board], static_cast<float>(min), static_cast<float>(max))) {
            ShowError(RangesMessage(d.m_DAQBoards[board]));
            return false;
        }
    }
    bool empty[Rows];
    for (int r = 0; r < Rows; ++r)
        empty[r] = SendDlgItemMessageW(window, kEmptyIds[r], BM_GETCHECK, 0, 0) == BST_CHECKED;
    for (int r = 0; r < Rows; ++r) {
        if (empty[r]) continue;
        UINT nm = GetDlgItemInt(window, kLambdaIds[r], nullptr, FALSE);
        if (nm < 300 || nm > 800) {
            ShowError(Translate(kLambdaMessages[r]));
            return false;
        }
    }
    // Every check has passed: only now is anything stored, so that a refused OK, and a Cancel after it,
    // leave the records as they were.
    for (int r = 0; r < Rows; ++r) {
        SAOMLineConfig& line = d.m_Lines[r];
        // Unreadable voltages of positions without a channel keep their values.
        double value = 0.0;
        float min = line.fValMin, max = line.fValMax;
        if (GetItemDouble(window, kMinIds[r], value)) min = static_cast<float>(value);
        if (GetItemDouble(window, kMaxIds[r], value)) max = static_cast<float>(value);
        d.SetLineOutput(r, selected[r],
                        selected[r] != 0 ? d.m_AOChannelNames[selected[r] - 1] : CQvStringW(L"None"), min,
                        max);
        laser.m_abEmpty[r] = empty[r];
        if (!empty[r] && GetItemDouble(window, kLambdaIds[r], value))
            line.fValLambda = static_cast<float>(value);
        wchar_t name[kNameBuffer];
        if (!GetDlgItemTextW(window, kNameIds[r], name, kNameBuffer)) name[0] = 0;
        laser.m_asName[r] = name;
        if (selected[r] == 0) continue;
        SAOChannel& channel = d.m_AOChannels[selected[r] - 1];
        channel.fMin = line.fValMin;
        channel.fMax = line.fValMax;
        channel.bUserRange = true;
    }
    EndDialog(window, 0);
    return true;
}

INT_PTR CALLBACK CCfgDlg::CfgDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    switch (message) {
    case WM_INITDIALOG:
        g_pCfgDlg = reinterpret_cast<CCfgDlg*>(lParam);
        g_pCfgDlg->OnInitDialog(window);
        return 1;
    case WM_CLOSE:
        g_pCfgDlg->OnOK(window);
        return 1;
    case WM_COMMAND:
        if (code == BN_CLICKED && id == IDOK) {
            g_pCfgDlg->OnOK(window);
            return 1;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            EndDialog(window, 0);
            return 1;
        }
        if (code == BN_CLICKED && id >= IDC_CFG_EMPTY1 && id <= IDC_CFG_EMPTY3) {
            g_pCfgDlg->OnEmptyClicked(window, id - IDC_CFG_EMPTY1);
            return 1;
        }
        if (code == CBN_SELCHANGE) {
            g_pCfgDlg->OnChannelChanged(window, reinterpret_cast<HWND>(lParam));
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

CCfgShutterDlg::CCfgShutterDlg(CQvAOMTAVO* device, CQvAOMTAVOShutter* shutter)
    : m_pDevice(device), m_pShutter(shutter) {}

bool CCfgShutterDlg::DoModal(HWND parent) {
    const DLGTEMPLATE* dialog = AOMDialogTemplate(L"IDD_CFG_SHUTTER");
    if (!dialog) return false;
    return DialogBoxIndirectParamW(g_hAOMTAVOModule, dialog, parent, ShutterCfgDlgProc,
                                   reinterpret_cast<LPARAM>(this)) != 0;
}

void CCfgShutterDlg::OnInitDialog(HWND window) {
    HWND list = GetDlgItem(window, IDC_SHUTTER_TYPE);
    for (const wchar_t* type : {L"EPI", L"DIA", L"Aux1", L"Aux2"})
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
    uint32_t type = 0;
    m_pShutter->GetShutterType(&type);
    SendMessageW(list, CB_SETCURSEL, type, 0);
}

void CCfgShutterDlg::OnOK(HWND window) {
    int selection = Selection(GetDlgItem(window, IDC_SHUTTER_TYPE));
    // A stored type that names nothing leaves the list without a selection: the type stays.
    if (selection >= 0) m_pShutter->SetShutterType(static_cast<uint32_t>(selection));
    EndDialog(window, 1);
}

INT_PTR CALLBACK CCfgShutterDlg::ShutterCfgDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    switch (message) {
    case WM_INITDIALOG:
        g_pShutterDlg = reinterpret_cast<CCfgShutterDlg*>(lParam);
        g_pShutterDlg->OnInitDialog(window);
        return 1;
    case WM_CLOSE:
        g_pShutterDlg->OnOK(window);
        return 1;
    case WM_COMMAND:
        if (code == BN_CLICKED && id == IDOK) {
            g_pShutterDlg->OnOK(window);
            return 1;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            EndDialog(window, 2);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}
