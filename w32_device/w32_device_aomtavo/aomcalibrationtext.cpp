#include "aomcalibrationtext.h"

#include <qv/qvlocale.h>

namespace {
const wchar_t kSourceFile[] = L"aomcalibration";

CQvStringW Text(const wchar_t* english, bool translated) {
    return translated ? QV_GetTranslation(english, kSourceFile) : CQvStringW(english);
}
} // namespace

CQvStringW AOMCalibrationFaultText(const SAOMCalibration& c, const SAOMCalibrationCheck& check, double min,
                                   double max, bool translated) {
    // Points are numbered from 1; the check gives numbers within the calibration.
    auto point = [&](int number) -> const SAOMCalibration::SPoint& {
        return c.aPoints[number >= 1 && number <= c.iCount ? number - 1 : 0];
    };
    const SAOMCalibration::SPoint &a = point(check.iFirst), &b = point(check.iSecond);
    CQvStringW text;
    switch (check.eFault) {
    case AOMCalibrationOK:
        break;
    case AOMCalibrationSyntax:
        text.Format(Text(L"The calibration is not written as \"<unit> <volts>:<power> ...\" (at character %d).",
                         translated),
                    check.iFirst + 1);
        break;
    case AOMCalibrationUnit:
        text = Text(L"The unit of the powers needs 1 to 8 characters, without blanks or any of ; = : _, and must "
                    L"not begin like a number.",
                    translated);
        break;
    case AOMCalibrationCount:
        text.Format(Text(L"A calibration needs 2 to 64 points, not %d.", translated), check.iFirst);
        break;
    case AOMCalibrationNegative:
        text.Format(Text(L"Point %d (%.3f V) has a power below 0.", translated), check.iFirst, a.dVolts);
        break;
    case AOMCalibrationSameVoltage:
        text.Format(Text(L"Points %d and %d have the same voltage, %.3f V.", translated), check.iFirst,
                    check.iSecond, a.dVolts);
        break;
    case AOMCalibrationOutside:
        text.Format(Text(L"Point %d (%.3f V) lies outside the line's range, %.2f V to %.2f V.", translated),
                    check.iFirst, a.dVolts, min < max ? min : max, min < max ? max : min);
        break;
    case AOMCalibrationFlat:
        text = Text(L"The first and the last point have the same power: the curve neither rises nor falls.",
                    translated);
        break;
    case AOMCalibrationNotMonotone: {
        bool rising = point(c.iCount).dPower > point(1).dPower;
        text.Format(Text(rising ? L"The curve rises, but its power falls from point %d (%.3f V, %g %s) to point %d "
                                  L"(%.3f V, %g %s)."
                                : L"The curve falls, but its power rises from point %d (%.3f V, %g %s) to point %d "
                                  L"(%.3f V, %g %s).",
                         translated),
                    check.iFirst, a.dVolts, a.dPower, c.szUnit, check.iSecond, b.dVolts, b.dPower, c.szUnit);
        break;
    }
    }
    return text;
}
