#include "aomsettingstext.h"

#include <qv/qvsystem.h>

#include <stdio.h>
#include <wchar.h>

CQvStringW SettingInt(int value) {
    CQvStringW text;
    text.Format(L"%d", value);
    return text;
}

CQvStringW SettingFloat(double value) {
    CQvStringW formatted;
    formatted.Format(L"%5.1f", value);
    // The C runtime formats in the process locale; the texts must not change with it.
    CQvStringW text;
    for (const wchar_t* p = formatted.GetString(); *p; ++p)
        text.AddChar(*p == L',' ? L'.' : *p);
    return text;
}

bool ScanSettingInt(const wchar_t* text, int& value) {
    int scanned = 0;
    if (!text || swscanf(text, L"%d", &scanned) != 1) return false;
    value = scanned;
    return true;
}

bool ScanSettingFloat(const wchar_t* text, float& value) {
    if (!text) return false;
    // A text written in a decimal-comma locale ("  4,5") reads as written.
    CQvStringW point;
    for (const wchar_t* p = text; *p; ++p)
        point.AddChar(*p == L',' ? L'.' : *p);
    double scanned = 0.0;
    if (!QV_StringToDouble(point, &scanned)) return false;
    value = static_cast<float>(scanned);
    return true;
}
