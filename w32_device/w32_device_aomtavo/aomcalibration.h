// A line's power calibration: what a power meter read behind the line's AOM at measured control voltages,
// and the voltage that gives a share of the light. Free of Win32 and of the C library's wide functions, so
// that the parse also builds natively for the fuzzers (with 16-bit wide characters, as on Windows).
#pragma once

#include <stddef.h>

struct SAOMCalibration {
    enum { MinPoints = 2, MaxPoints = 64, MaxUnit = 8 };
    struct SPoint {
        double dVolts;
        double dPower;
    };
    int iCount = 0; // 0: the line is not calibrated and its power maps linearly onto its span
    SPoint aPoints[MaxPoints] = {};
    wchar_t szUnit[MaxUnit + 1] = {}; // the meter's unit, kept for display

    bool IsSet() const { return iCount > 0; }
};

// Why a calibration is refused; the points concerned are numbered from 1 in voltage order.
enum EAOMCalibrationFault {
    AOMCalibrationOK,
    AOMCalibrationSyntax,      // not "<unit> <volts>:<power> ...": character at iFirst (from 0)
    AOMCalibrationUnit,        // the unit is missing, too long or has a character a settings text cannot keep
    AOMCalibrationCount,       // fewer than MinPoints or more than MaxPoints
    AOMCalibrationNegative,    // point iFirst has a power below 0 (or a number that is none)
    AOMCalibrationSameVoltage, // points iFirst and iSecond have the same voltage
    AOMCalibrationOutside,     // point iFirst lies outside the line's span (or a million volts away)
    AOMCalibrationFlat,        // the first and the last point have the same power
    AOMCalibrationNotMonotone, // from point iFirst to iSecond the power turns against the curve's direction
};
struct SAOMCalibrationCheck {
    EAOMCalibrationFault eFault = AOMCalibrationOK;
    int iFirst = 0, iSecond = 0;
};

// "<unit> <volts>:<power> <volts>:<power> ...", numbers with a decimal point, volts below a million, of length characters (the
// value of a settings entry need not be ended). The points are sorted by voltage and checked for all but
// the span. False with the fault when the text is refused; out then holds what was read, for the message.
bool AOMParseCalibration(const wchar_t* text, size_t length, SAOMCalibration& out, SAOMCalibrationCheck& check);
// The checks of the parse on a calibration built point by point, and the line's span from min to max
// (either way round) when checkSpan is set. The points are sorted here and rounded as the settings text
// keeps them (volts to 0.1 mV, powers to six digits), so that the curve in use survives a restart.
bool AOMCheckCalibration(SAOMCalibration& calibration, bool checkSpan, double min, double max,
                         SAOMCalibrationCheck& check);
// The text the parse reads, ended, cut to capacity (at least 2048 characters hold any calibration).
void AOMFormatCalibration(const SAOMCalibration& calibration, wchar_t* text, size_t capacity);
// The voltage at which the measured curve reaches percent of the way from its smallest to its largest
// power, interpolated linearly between neighbouring points.
double AOMCalibratedVoltage(const SAOMCalibration& calibration, double percent);
