#include "calibdlg.h"

#include "aomcalibrationtext.h"
#include "aomlog.h"
#include "aomtavodevice.h"
#include "aomtavomultilaser.h"
#include "cfgdlg.h"
#include "res/resource.h"

#include <qv/qvlocale.h>
#include <qv/qvsystem.h>

#include <math.h>
#include <string.h>

namespace {
const wchar_t kSourceFile[] = L"calibdlg";
const wchar_t kDefaultUnit[] = L"mW";
const int kItemBuffer = 64;

CQvStringW Translate(const wchar_t* text) {
    return QV_GetTranslation(text, kSourceFile);
}

bool Measured(const SAOMCalibration::SPoint& point) {
    return !isnan(point.dPower);
}

// The share of the light a point's power is of the way from the curve's least to its most measured power.
void PowerBounds(const SAOMCalibration& c, double& least, double& most) {
    least = HUGE_VAL;
    most = -HUGE_VAL;
    for (int i = 0; i < c.iCount; ++i)
        if (Measured(c.aPoints[i])) {
            least = fmin(least, c.aPoints[i].dPower);
            most = fmax(most, c.aPoints[i].dPower);
        }
}
} // namespace

CCalibDlg::CCalibDlg(CQvAOMTAVOMultiLaser* laser) : m_pLaser(laser) {}

EDeviceManagerReturnCode CCalibDlg::DoModal(HWND parent) {
    const DLGTEMPLATE* dialog = AOMDialogTemplate(L"IDD_CALIBRATION");
    if (!dialog) return DMRC_NOT_SUPPORTED;
    INT_PTR result =
        DialogBoxIndirectParamW(g_hAOMTAVOModule, dialog, parent, DlgProc, reinterpret_cast<LPARAM>(this));
    EndTest(); // also when the dialog could not be shown, or ended without OK or Cancel
    return result == IDOK ? DMRC_OK : DMRC_CANCELLED;
}

void CCalibDlg::OnInitDialog(HWND window) {
    CQvAOMTAVO& device = *m_pLaser->m_pOwner;
    m_bConnected = device.m_bConnected;
    HWND list = GetDlgItem(window, IDC_CAL_LINE);
    int visible = 0;
    for (int p = 0; p < Lines; ++p) {
        SLine& line = m_aLines[p];
        line.calibration = m_pLaser->Calibration(p);
        {
            AOM_HOLD(device.UnitStateLock());
            line.bChannel = device.m_Lines[p].iIndex != 0;
            line.fMin = device.m_Lines[p].fValMin;
            line.fMax = device.m_Lines[p].fValMax;
        }
        if (!line.calibration.IsSet()) wcscpy(line.calibration.szUnit, kDefaultUnit);
        line.bShown = m_pLaser->m_abEmpty[p] == 0;
        if (!line.bShown) continue;
        // The lines as the host numbers them: the fitted ones, from 1.
        CQvStringW label;
        if (m_pLaser->m_asName[p].IsEmpty())
            label.Format(L"%d. %u nm", ++visible, m_pLaser->m_auWavelength[p]);
        else
            label.Format(L"%d. %s (%u nm)", ++visible, m_pLaser->m_asName[p].GetString(),
                         m_pLaser->m_auWavelength[p]);
        LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.GetString()));
        SendMessageW(list, CB_SETITEMDATA, item, p);
        if (m_iLine < 0) m_iLine = p;
    }
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    static const INT kTabStops[] = {16, 60}; // dialog units: number, voltage, power
    SendDlgItemMessageW(window, IDC_CAL_POINTS, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(kTabStops));
    SetDlgItemInt(window, IDC_CAL_COUNT, 11, FALSE);
    ShowLine(window);
}

void CCalibDlg::ShowLine(HWND window) {
    bool usable = m_bConnected && m_iLine >= 0 && m_aLines[m_iLine].bChannel;
    for (int id : {IDC_CAL_POINTS, IDC_CAL_VOLTS, IDC_CAL_POWER, IDC_CAL_UNIT, IDC_CAL_ADD, IDC_CAL_CHANGE,
                   IDC_CAL_REMOVE, IDC_CAL_PUT, IDC_CAL_COUNT, IDC_CAL_FILL})
        EnableWindow(GetDlgItem(window, id), usable);
    EnableWindow(GetDlgItem(window, IDC_CAL_LINE), m_bConnected && m_iLine >= 0);
    EnableWindow(GetDlgItem(window, IDOK), m_bConnected);
    if (!m_bConnected) {
        ShowNote(window, Translate(L"The device is not connected: connect it to calibrate its lines."));
    } else if (m_iLine < 0 || !m_aLines[m_iLine].bChannel) {
        ShowNote(window, Translate(L"This line has no AOM channel: choose one in the line configuration first."));
    } else {
        const SLine& line = m_aLines[m_iLine];
        CQvStringW note;
        note.Format(Translate(L"Range %.2f V to %.2f V. Select a point, put its voltage on the AOM and enter the "
                              L"meter's reading as its power."),
                    line.fMin, line.fMax);
        ShowNote(window, note);
    }
    if (m_iLine >= 0) SetDlgItemTextW(window, IDC_CAL_UNIT, m_aLines[m_iLine].calibration.szUnit);
    ShowPoints(window, 0);
}

void CCalibDlg::ShowPoints(HWND window, int select) {
    HWND list = GetDlgItem(window, IDC_CAL_POINTS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const SAOMCalibration* c = m_iLine >= 0 ? &m_aLines[m_iLine].calibration : nullptr;
    for (int i = 0; c && i < c->iCount; ++i) {
        const SAOMCalibration::SPoint& point = c->aPoints[i];
        CQvStringW item;
        if (Measured(point))
            item.Format(L"%d\t%.3f V\t%g %s", i + 1, point.dVolts, point.dPower, c->szUnit);
        else
            item.Format(L"%d\t%.3f V\t-", i + 1, point.dVolts);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.GetString()));
    }
    if (c && select >= 0 && select < c->iCount) SendMessageW(list, LB_SETCURSEL, select, 0);
    OnPointSelected(window);
    InvalidateRect(GetDlgItem(window, IDC_CAL_PLOT), nullptr, TRUE);
}

void CCalibDlg::ShowNote(HWND window, const wchar_t* text) {
    SetDlgItemTextW(window, IDC_CAL_NOTE, text);
}

int CCalibDlg::SelectedPoint(HWND window) const {
    return static_cast<int>(SendDlgItemMessageW(window, IDC_CAL_POINTS, LB_GETCURSEL, 0, 0));
}

void CCalibDlg::Error(HWND window, const wchar_t* text) {
    QV_MessageBox_(window, text, Translate(L"Error"), MB_ICONERROR);
}

void CCalibDlg::OnLineChanged(HWND window) {
    ReadUnit(window);
    EndTest();
    LRESULT item = SendDlgItemMessageW(window, IDC_CAL_LINE, CB_GETCURSEL, 0, 0);
    if (item >= 0) m_iLine = static_cast<int>(SendDlgItemMessageW(window, IDC_CAL_LINE, CB_GETITEMDATA, item, 0));
    ShowLine(window);
}

void CCalibDlg::OnPointSelected(HWND window) {
    if (m_iLine < 0) return;
    int i = SelectedPoint(window);
    const SAOMCalibration& c = m_aLines[m_iLine].calibration;
    if (i < 0 || i >= c.iCount) return;
    CQvStringW volts, power;
    volts.Format(L"%.3f", c.aPoints[i].dVolts);
    if (Measured(c.aPoints[i])) power.Format(L"%g", c.aPoints[i].dPower);
    SetDlgItemTextW(window, IDC_CAL_VOLTS, volts);
    SetDlgItemTextW(window, IDC_CAL_POWER, power);
    InvalidateRect(GetDlgItem(window, IDC_CAL_PLOT), nullptr, TRUE);
}

bool CCalibDlg::ReadPoint(HWND window, SAOMCalibration::SPoint& point, bool needPower) {
    const SLine& line = m_aLines[m_iLine];
    if (!CCfgDlg::GetItemDouble(window, IDC_CAL_VOLTS, point.dVolts) || !isfinite(point.dVolts)) {
        Error(window, Translate(L"Enter the voltage in volts, such as 2.5."));
        return false;
    }
    double low = fmin(line.fMin, line.fMax), high = fmax(line.fMin, line.fMax);
    if (point.dVolts < low || point.dVolts > high) {
        CQvStringW text;
        text.Format(Translate(L"%.3f V lies outside the line's range, %.2f V to %.2f V."), point.dVolts, low, high);
        Error(window, text);
        return false;
    }
    wchar_t power[kItemBuffer];
    if (!GetDlgItemTextW(window, IDC_CAL_POWER, power, kItemBuffer)) power[0] = 0;
    point.dPower = NAN;
    if (!power[0] && !needPower) return true;
    if (!CCfgDlg::GetItemDouble(window, IDC_CAL_POWER, point.dPower) || !isfinite(point.dPower) ||
        point.dPower < 0.0) {
        Error(window, Translate(L"Enter the meter's reading as a number of 0 or more, such as 12.5."));
        return false;
    }
    return true;
}

int CCalibDlg::Insert(HWND window, const SAOMCalibration::SPoint& point, int except) {
    SAOMCalibration& c = m_aLines[m_iLine].calibration;
    for (int i = 0; i < c.iCount; ++i)
        if (i != except && c.aPoints[i].dVolts == point.dVolts) {
            CQvStringW text;
            text.Format(Translate(L"Point %d is at %.3f V already."), i + 1, point.dVolts);
            Error(window, text);
            return -1;
        }
    if (except >= 0) { // a changed point moves to its place in voltage order
        memmove(&c.aPoints[except], &c.aPoints[except + 1], (c.iCount - except - 1) * sizeof c.aPoints[0]);
        --c.iCount;
    }
    if (c.iCount == SAOMCalibration::MaxPoints) {
        Error(window, Translate(L"A line has at most 64 points."));
        return -1;
    }
    int at = 0;
    while (at < c.iCount && c.aPoints[at].dVolts < point.dVolts)
        ++at;
    memmove(&c.aPoints[at + 1], &c.aPoints[at], (c.iCount - at) * sizeof c.aPoints[0]);
    c.aPoints[at] = point;
    ++c.iCount;
    m_aLines[m_iLine].bChanged = true;
    return at;
}

void CCalibDlg::OnAdd(HWND window) {
    SAOMCalibration::SPoint point;
    if (!ReadPoint(window, point, false)) return;
    int at = Insert(window, point, -1);
    if (at >= 0) ShowPoints(window, at);
}

void CCalibDlg::OnChange(HWND window) {
    int i = SelectedPoint(window);
    SAOMCalibration::SPoint point;
    if (i < 0) {
        Error(window, Translate(L"Select a point first."));
        return;
    }
    if (!ReadPoint(window, point, false)) return;
    int at = Insert(window, point, i);
    if (at >= 0) ShowPoints(window, at);
}

void CCalibDlg::OnRemove(HWND window) {
    int i = SelectedPoint(window);
    SAOMCalibration& c = m_aLines[m_iLine].calibration;
    if (i < 0 || i >= c.iCount) {
        Error(window, Translate(L"Select a point first."));
        return;
    }
    memmove(&c.aPoints[i], &c.aPoints[i + 1], (c.iCount - i - 1) * sizeof c.aPoints[0]);
    --c.iCount;
    m_aLines[m_iLine].bChanged = true;
    ShowPoints(window, i < c.iCount ? i : c.iCount - 1);
}

void CCalibDlg::OnFill(HWND window) {
    BOOL read = FALSE;
    UINT count = GetDlgItemInt(window, IDC_CAL_COUNT, &read, FALSE);
    if (!read || count < SAOMCalibration::MinPoints || count > SAOMCalibration::MaxPoints) {
        Error(window, Translate(L"Fill takes 2 to 64 points."));
        return;
    }
    SLine& line = m_aLines[m_iLine];
    line.calibration.iCount = static_cast<int>(count);
    double low = fmin(line.fMin, line.fMax), high = fmax(line.fMin, line.fMax);
    for (UINT i = 0; i < count; ++i)
        line.calibration.aPoints[i] = {low + (high - low) * i / (count - 1), NAN};
    line.bChanged = true;
    ShowPoints(window, 0);
}

void CCalibDlg::OnPut(HWND window) {
    int i = SelectedPoint(window);
    const SAOMCalibration& c = m_aLines[m_iLine].calibration;
    if (i < 0 || i >= c.iCount) {
        Error(window, Translate(L"Select a point first."));
        return;
    }
    if (m_iTestLine != m_iLine) {
        EndTest();
        m_uTestSession = m_pLaser->BeginTestVoltages(m_iLine);
        m_iTestLine = m_iLine;
    }
    double volts = c.aPoints[i].dVolts;
    uint64_t bits = 0;
    memcpy(&bits, &volts, sizeof bits);
    CQvStringW failure;
    int64_t result = m_pLaser->m_pOwner->CallBack(CQvAOMTAVOMultiLaser::C_TestVoltage,
                                                  reinterpret_cast<uintptr_t>(m_pLaser),
                                                  (m_uTestSession << 8) | static_cast<uint64_t>(m_iLine), bits, 0,
                                                  &failure);
    CQvStringW text;
    if (result != 0) {
        AOM_ALWAYS(L"ERROR: CQvAOMTAVOMultiLaser::ShowCalibrationDialog - %.3f V on unit line %d: %s", volts,
                   m_iLine + 1, failure.GetString());
        text.Format(Translate(L"The voltage could not be put on the AOM: %s"), failure.GetString());
        Error(window, text);
        return;
    }
    text.Format(Translate(L"%.3f V is on the AOM: enter the meter's reading as the power of point %d."), volts, i + 1);
    ShowNote(window, text);
    SetFocus(GetDlgItem(window, IDC_CAL_POWER));
}

void CCalibDlg::EndTest() {
    if (m_iTestLine < 0) return;
    m_pLaser->EndTestVoltages(m_iTestLine);
    m_iTestLine = -1;
}

bool CCalibDlg::ReadUnit(HWND window) {
    if (m_iLine < 0) return true;
    wchar_t unit[kItemBuffer];
    if (!GetDlgItemTextW(window, IDC_CAL_UNIT, unit, kItemBuffer)) unit[0] = 0;
    SAOMCalibration& c = m_aLines[m_iLine].calibration;
    if (wcscmp(unit, c.szUnit) == 0) return true;
    if (wcslen(unit) > SAOMCalibration::MaxUnit) {
        SAOMCalibrationCheck check;
        check.eFault = AOMCalibrationUnit;
        Error(window, AOMCalibrationFaultText(c, check, 0.0, 0.0, true));
        return false;
    }
    wcscpy(c.szUnit, unit); // the characters are checked with the points at OK
    m_aLines[m_iLine].bChanged = true;
    return true;
}

bool CCalibDlg::OnOK(HWND window) {
    if (!ReadUnit(window)) return false;
    // Every changed line is checked before any is stored, so that a refusal leaves all as they were.
    for (int p = 0; p < Lines; ++p) {
        SLine& line = m_aLines[p];
        if (!line.bChanged || line.calibration.iCount == 0) continue;
        CQvStringW fault;
        for (int i = 0; i < line.calibration.iCount && fault.IsEmpty(); ++i)
            if (!Measured(line.calibration.aPoints[i]))
                fault.Format(Translate(L"Point %d (%.3f V) has no measured power yet."), i + 1,
                             line.calibration.aPoints[i].dVolts);
        SAOMCalibrationCheck check;
        if (fault.IsEmpty() && !AOMCheckCalibration(line.calibration, true, line.fMin, line.fMax, check))
            fault = AOMCalibrationFaultText(line.calibration, check, line.fMin, line.fMax, true);
        if (fault.IsEmpty()) continue;
        for (LRESULT item = 0; item < SendDlgItemMessageW(window, IDC_CAL_LINE, CB_GETCOUNT, 0, 0); ++item)
            if (SendDlgItemMessageW(window, IDC_CAL_LINE, CB_GETITEMDATA, item, 0) == p) {
                SendDlgItemMessageW(window, IDC_CAL_LINE, CB_SETCURSEL, item, 0);
                OnLineChanged(window);
            }
        Error(window, fault);
        return false;
    }
    EndTest();
    bool changed = false;
    for (int p = 0; p < Lines; ++p)
        if (m_aLines[p].bChanged) {
            if (m_aLines[p].calibration.iCount == 0) m_aLines[p].calibration = SAOMCalibration();
            m_pLaser->SetCalibration(p, m_aLines[p].calibration);
            changed = true;
        }
    if (changed) m_pLaser->m_pOwner->ApplyPowers();
    EndDialog(window, IDOK);
    return true;
}

void CCalibDlg::OnDrawPlot(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    if (m_iLine < 0) return;
    const SLine& line = m_aLines[m_iLine];
    const SAOMCalibration& c = line.calibration;
    const int margin = 6;
    double x0 = r.left + margin, x1 = r.right - margin, y0 = r.bottom - margin, y1 = r.top + margin;
    double low = fmin(line.fMin, line.fMax), high = fmax(line.fMin, line.fMax);
    double least = 0.0, most = 0.0;
    PowerBounds(c, least, most);
    auto at = [&](double volts, double share) {
        double u = high > low ? (volts - low) / (high - low) : 0.0;
        return POINT{static_cast<LONG>(lround(x0 + (x1 - x0) * u)), static_cast<LONG>(lround(y0 + (y1 - y0) * share))};
    };
    // The linear map: from no light at the line's minimum voltage to all of it at its maximum.
    HPEN linear = CreatePen(PS_DOT, 1, RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(dc, linear);
    POINT a = at(line.fMin, 0.0), b = at(line.fMax, 1.0);
    MoveToEx(dc, a.x, a.y, nullptr);
    LineTo(dc, b.x, b.y);
    HPEN curve = CreatePen(PS_SOLID, 2, RGB(0, 90, 200));
    SelectObject(dc, curve);
    bool started = false;
    int selected = static_cast<int>(SendDlgItemMessageW(GetParent(item.hwndItem), IDC_CAL_POINTS, LB_GETCURSEL, 0, 0));
    for (int i = 0; i < c.iCount && most > least; ++i) {
        if (!Measured(c.aPoints[i])) continue;
        POINT p = at(c.aPoints[i].dVolts, (c.aPoints[i].dPower - least) / (most - least));
        if (started) LineTo(dc, p.x, p.y);
        else MoveToEx(dc, p.x, p.y, nullptr);
        started = true;
        int size = i == selected ? 4 : 2;
        RECT mark = {p.x - size, p.y - size, p.x + size + 1, p.y + size + 1};
        FillRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(i == selected ? BLACK_BRUSH : GRAY_BRUSH)));
        MoveToEx(dc, p.x, p.y, nullptr);
    }
    SelectObject(dc, old);
    DeleteObject(curve);
    DeleteObject(linear);
}

INT_PTR CALLBACK CCalibDlg::DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CCalibDlg* self = reinterpret_cast<CCalibDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CCalibDlg*>(lParam)->OnInitDialog(window);
        return 1;
    case WM_DRAWITEM:
        if (!self || wParam != IDC_CAL_PLOT) return 0;
        self->OnDrawPlot(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 1;
    case WM_CLOSE:
        EndDialog(window, IDCANCEL);
        return 1;
    case WM_COMMAND:
        if (!self) return 0;
        if (code == CBN_SELCHANGE && id == IDC_CAL_LINE) self->OnLineChanged(window);
        else if (code == LBN_SELCHANGE && id == IDC_CAL_POINTS) self->OnPointSelected(window);
        else if (code != BN_CLICKED) return 0;
        else if (id == IDOK) self->OnOK(window);
        else if (id == IDCANCEL) EndDialog(window, IDCANCEL);
        else if (id == IDC_CAL_ADD) self->OnAdd(window);
        else if (id == IDC_CAL_CHANGE) self->OnChange(window);
        else if (id == IDC_CAL_REMOVE) self->OnRemove(window);
        else if (id == IDC_CAL_FILL) self->OnFill(window);
        else if (id == IDC_CAL_PUT) self->OnPut(window);
        else return 0;
        return 1;
    default:
        return 0;
    }
}
