// The power calibration dialog: a line's measured points (voltage, meter reading), a button that puts a
// point's voltage on the line's AOM for the meter, and a plot of the curve beside the linear map.
#pragma once

#include "aomcalibration.h"
#include "aomtavoapi.h"

#include <qv/qvstring.h>

class CQvAOMTAVOMultiLaser;

class CCalibDlg {
public:
    enum { Lines = 3 };
    explicit CCalibDlg(CQvAOMTAVOMultiLaser* laser);

    // Modal. DMRC_OK when OK stored the calibrations, DMRC_CANCELLED when the person cancelled.
    EDeviceManagerReturnCode DoModal(HWND parent);
    static INT_PTR CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // A line as the dialog edits it: points in voltage order, a power of NaN not measured yet.
    struct SLine {
        bool bShown = false; // fitted: in the line list
        bool bChannel = false;
        float fMin = 0.0f, fMax = 0.0f;
        bool bChanged = false;
        SAOMCalibration calibration;
    };

    void OnInitDialog(HWND window);
    void OnLineChanged(HWND window);
    void OnPointSelected(HWND window);
    void OnAdd(HWND window);
    void OnChange(HWND window);
    void OnRemove(HWND window);
    void OnFill(HWND window);
    void OnPut(HWND window);
    bool OnOK(HWND window);
    void OnDrawPlot(const DRAWITEMSTRUCT& item);
    // Ends the session of test voltages, which gives the line its power back.
    void EndTest();

    void ShowLine(HWND window);
    void ShowPoints(HWND window, int select);
    void ShowNote(HWND window, const wchar_t* text);
    // The edits' voltage and power (the power may be left empty: not measured); false after a message.
    bool ReadPoint(HWND window, SAOMCalibration::SPoint& point, bool needPower);
    // Adds in voltage order; returns the point's index, -1 after a message.
    int Insert(HWND window, const SAOMCalibration::SPoint& point, int except);
    // The unit's edit into the line's calibration; false after a message when it is too long to keep.
    bool ReadUnit(HWND window);
    int SelectedPoint(HWND window) const;
    void Error(HWND window, const wchar_t* text);

    CQvAOMTAVOMultiLaser* m_pLaser;
    bool m_bConnected = false;
    SLine m_aLines[Lines];
    int m_iLine = -1; // the position shown
    int m_iTestLine = -1;
    uint64_t m_uTestSession = 0;
};
