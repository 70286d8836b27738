#include "aomcalibration.h"

#include <math.h>
#include <stdio.h>

namespace {
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// A decimal number with a point, whatever the process locale: [sign] digits [. digits] [e [sign] digits].
// Advances at past it; false when no number starts there.
bool ParseNumber(const wchar_t* text, size_t length, size_t& at, double& value) {
    size_t i = at;
    bool negative = false;
    if (i < length && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    double mantissa = 0.0;
    int exponent = 0, digits = 0;
    for (; i < length && IsDigit(text[i]); ++i, ++digits)
        mantissa = mantissa * 10.0 + (text[i] - L'0');
    if (i < length && text[i] == L'.')
        for (++i; i < length && IsDigit(text[i]); ++i, ++digits, --exponent)
            mantissa = mantissa * 10.0 + (text[i] - L'0');
    if (digits == 0 || digits > 30) return false;
    if (i < length && (text[i] == L'e' || text[i] == L'E')) {
        size_t e = i + 1;
        bool down = false;
        if (e < length && (text[e] == L'-' || text[e] == L'+')) down = text[e++] == L'-';
        int power = 0, powerDigits = 0;
        for (; e < length && IsDigit(text[e]) && powerDigits < 4; ++e, ++powerDigits)
            power = power * 10 + (text[e] - L'0');
        if (powerDigits == 0 || (e < length && IsDigit(text[e]))) return false;
        exponent += down ? -power : power;
        i = e;
    }
    value = mantissa * pow(10.0, exponent);
    if (negative) value = -value;
    if (!isfinite(value)) return false;
    at = i;
    return true;
}

// A unit a settings entry can keep whole and no key can be found in: no blank, ";", "=", ":" or "_", and
// not starting like a number.
bool IsUnitCharacter(wchar_t c, bool first) {
    if (c < 0x20 || IsBlank(c) || c == L';' || c == L'=' || c == L':' || c == L'_' || c == 0x7f) return false;
    return !first || !(IsDigit(c) || c == L'-' || c == L'+' || c == L'.');
}

void SortByVoltage(SAOMCalibration& c) {
    for (int i = 1; i < c.iCount; ++i)
        for (int j = i; j > 0 && c.aPoints[j].dVolts < c.aPoints[j - 1].dVolts; --j) {
            SAOMCalibration::SPoint swap = c.aPoints[j];
            c.aPoints[j] = c.aPoints[j - 1];
            c.aPoints[j - 1] = swap;
        }
}

// Volts a settings text keeps: below a million, so that any calibration's text stays short.
const double kVoltsLimit = 1e6;
const char kVoltsFormat[] = "%.4f";
const char kPowerFormat[] = "%.6g";

// A number as the settings text keeps it: printed as the format prints it and read back, so that the curve
// in use is the one the next session reads.
double AsStored(double value, const char* format) {
    char printed[64];
    int n = snprintf(printed, sizeof printed, format, value);
    if (n <= 0 || n >= static_cast<int>(sizeof printed)) return value;
    wchar_t wide[64];
    for (int i = 0; i < n; ++i)
        wide[i] = printed[i] == ',' ? L'.' : static_cast<wchar_t>(printed[i]); // whatever the locale
    size_t at = 0;
    double read = value;
    return ParseNumber(wide, static_cast<size_t>(n), at, read) && at == static_cast<size_t>(n) ? read : value;
}

bool Refuse(SAOMCalibrationCheck& check, EAOMCalibrationFault fault, int first, int second = 0) {
    check.eFault = fault;
    check.iFirst = first;
    check.iSecond = second;
    return false;
}
} // namespace

bool AOMCheckCalibration(SAOMCalibration& c, bool checkSpan, double min, double max, SAOMCalibrationCheck& check) {
    check = SAOMCalibrationCheck();
    if (c.iCount < SAOMCalibration::MinPoints || c.iCount > SAOMCalibration::MaxPoints)
        return Refuse(check, AOMCalibrationCount, c.iCount);
    int unit = 0;
    for (; unit <= SAOMCalibration::MaxUnit && c.szUnit[unit]; ++unit)
        if (!IsUnitCharacter(c.szUnit[unit], unit == 0)) return Refuse(check, AOMCalibrationUnit, unit);
    if (unit == 0 || unit > SAOMCalibration::MaxUnit) return Refuse(check, AOMCalibrationUnit, unit);
    for (int i = 0; i < c.iCount; ++i) {
        SAOMCalibration::SPoint& p = c.aPoints[i];
        if (isfinite(p.dVolts) && fabs(p.dVolts) < kVoltsLimit) p.dVolts = AsStored(p.dVolts, kVoltsFormat);
        if (isfinite(p.dPower)) p.dPower = AsStored(p.dPower, kPowerFormat);
    }
    SortByVoltage(c);
    // The span's ends as the points are kept: a configured 0.1 V (a float, a little above) holds a 0.1 V point.
    double low = AsStored(min < max ? min : max, kVoltsFormat), high = AsStored(min < max ? max : min, kVoltsFormat);
    for (int i = 0; i < c.iCount; ++i) {
        const SAOMCalibration::SPoint& p = c.aPoints[i];
        if (!isfinite(p.dPower) || !isfinite(p.dVolts) || p.dPower < 0.0)
            return Refuse(check, AOMCalibrationNegative, i + 1);
        if (i > 0 && p.dVolts == c.aPoints[i - 1].dVolts) return Refuse(check, AOMCalibrationSameVoltage, i, i + 1);
        if ((checkSpan && (p.dVolts < low || p.dVolts > high)) || fabs(p.dVolts) >= kVoltsLimit)
            return Refuse(check, AOMCalibrationOutside, i + 1);
    }
    double first = c.aPoints[0].dPower, last = c.aPoints[c.iCount - 1].dPower;
    if (first == last) return Refuse(check, AOMCalibrationFlat, 1, c.iCount);
    bool rising = last > first;
    for (int i = 1; i < c.iCount; ++i) {
        double step = c.aPoints[i].dPower - c.aPoints[i - 1].dPower;
        if (rising ? step < 0.0 : step > 0.0) return Refuse(check, AOMCalibrationNotMonotone, i, i + 1);
    }
    return true;
}

bool AOMParseCalibration(const wchar_t* text, size_t length, SAOMCalibration& c, SAOMCalibrationCheck& check) {
    check = SAOMCalibrationCheck();
    c = SAOMCalibration();
    size_t i = 0;
    while (i < length && IsBlank(text[i]))
        ++i;
    int unit = 0;
    for (; i < length && !IsBlank(text[i]); ++i) {
        if (unit == SAOMCalibration::MaxUnit || !IsUnitCharacter(text[i], unit == 0))
            return Refuse(check, AOMCalibrationUnit, static_cast<int>(i));
        c.szUnit[unit++] = text[i];
    }
    while (i < length) {
        while (i < length && IsBlank(text[i]))
            ++i;
        if (i == length) break;
        if (c.iCount == SAOMCalibration::MaxPoints) return Refuse(check, AOMCalibrationCount, c.iCount + 1);
        SAOMCalibration::SPoint& p = c.aPoints[c.iCount];
        if (!ParseNumber(text, length, i, p.dVolts) || fabs(p.dVolts) >= kVoltsLimit || i >= length ||
            text[i++] != L':' ||
            !ParseNumber(text, length, i, p.dPower) || (i < length && !IsBlank(text[i])))
            return Refuse(check, AOMCalibrationSyntax, static_cast<int>(i));
        ++c.iCount;
    }
    return AOMCheckCalibration(c, false, 0.0, 0.0, check);
}

void AOMFormatCalibration(const SAOMCalibration& c, wchar_t* text, size_t capacity) {
    if (capacity == 0) return;
    size_t at = 0;
    auto put = [&](const char* part) {
        for (; *part && at + 1 < capacity; ++part)
            text[at++] = *part == ',' ? L'.' : static_cast<wchar_t>(static_cast<unsigned char>(*part));
    };
    for (int u = 0; u < SAOMCalibration::MaxUnit && c.szUnit[u] && at + 1 < capacity; ++u)
        text[at++] = c.szUnit[u];
    for (int i = 0; i < c.iCount; ++i) {
        // The C library writes the process locale's decimal separator: put() makes it a point.
        char number[64];
        snprintf(number, sizeof number, kVoltsFormat, c.aPoints[i].dVolts);
        put(" ");
        put(number);
        snprintf(number, sizeof number, kPowerFormat, c.aPoints[i].dPower);
        put(":");
        put(number);
    }
    text[at] = 0;
}

double AOMCalibratedVoltage(const SAOMCalibration& c, double percent) {
    const SAOMCalibration::SPoint* p = c.aPoints;
    int n = c.iCount;
    if (n < 1) return 0.0;
    if (n == 1) return p[0].dVolts;
    // Walked from the end with the least light, so that a falling curve reads like a rising one.
    bool rising = p[n - 1].dPower >= p[0].dPower;
    auto at = [&](int k) -> const SAOMCalibration::SPoint& { return rising ? p[k] : p[n - 1 - k]; };
    double least = at(0).dPower, most = at(n - 1).dPower;
    double target = least + (most - least) * percent / 100.0;
    for (int k = 0; k + 1 < n; ++k) {
        const SAOMCalibration::SPoint &a = at(k), &b = at(k + 1);
        if (target > b.dPower && k + 2 < n) continue;
        if (b.dPower == a.dPower) return a.dVolts;
        double share = (target - a.dPower) / (b.dPower - a.dPower);
        if (!(share > 0.0)) return a.dVolts;
        if (share >= 1.0) return b.dVolts;
        // Rounding must not carry the voltage past its neighbours.
        double volts = a.dVolts + (b.dVolts - a.dVolts) * share;
        double lower = a.dVolts < b.dVolts ? a.dVolts : b.dVolts, upper = a.dVolts < b.dVolts ? b.dVolts : a.dVolts;
        return volts < lower ? lower : volts > upper ? upper : volts;
    }
    return at(n - 1).dVolts;
}
