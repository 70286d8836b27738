// Numbers in settings texts: written and read the same in every process locale.
#pragma once

#include <qv/qvstring.h>

// "%d"
CQvStringW SettingInt(int value);
// "%5.1f" with a decimal point, never a comma.
CQvStringW SettingFloat(double value);
// Leading blanks are skipped, and a decimal comma reads as a point; false (value untouched) when the text
// holds no number.
bool ScanSettingInt(const wchar_t* text, int& value);
bool ScanSettingFloat(const wchar_t* text, float& value);
