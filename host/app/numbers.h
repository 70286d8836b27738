// Numbers typed by a person or a script: read strictly and the same in every locale.
#pragma once

#include <string>

// Optional sign and decimal digits only; false when anything else is there or the value is outside
// [min, max].
bool ParseInteger(const std::string& text, long long min, long long max, long long& value);
// Optional sign, digits, optionally a point and more digits ("50", "12.5", "-0.25"); no exponent, no
// comma, at most 15 digits. False when the text is anything else.
bool ParseDecimal(const std::string& text, double& value);
// Fixed-point text with a decimal point whatever the locale: FormatFixed(2.5, 3) is "2.500".
std::wstring FormatFixed(double value, int decimals);
