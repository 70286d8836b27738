// Settings texts (connection, configuration, multi-laser and shutter) as 16-bit wide text, as on Windows:
// every key the device reads, plain and indexed, and a line's calibration, whose text must read back as
// written and whose voltages stay within its points.
#include "aomcalibration.h"
#include "aomparse.h"

#include <stdlib.h>

#include <stddef.h>
#include <stdint.h>
#include <vector>

static_assert(sizeof(wchar_t) == 2, "built with 16-bit wide characters, as on Windows");

static void CheckCalibration(const wchar_t* value, size_t length) {
    SAOMCalibration calibration, again;
    SAOMCalibrationCheck check;
    if (!AOMParseCalibration(value, length, calibration, check)) return;
    wchar_t written[2048], rewritten[2048];
    AOMFormatCalibration(calibration, written, 2048);
    size_t n = 0;
    while (written[n])
        ++n;
    if (n + 1 >= 2048 || !AOMParseCalibration(written, n, again, check)) abort(); // cut, or unreadable
    AOMFormatCalibration(again, rewritten, 2048);
    for (size_t i = 0; i <= n; ++i)
        if (written[i] != rewritten[i]) abort();
    double low = calibration.aPoints[0].dVolts, high = calibration.aPoints[calibration.iCount - 1].dVolts;
    for (double percent : {-5.0, 0.0, 37.5, 100.0, 250.0}) {
        double volts = AOMCalibratedVoltage(calibration, percent);
        if (!(volts >= low && volts <= high)) abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<wchar_t> text(size / 2 + 1, 0);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[i / 2] = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const wchar_t* keys[] = {L"m_iCOMPort",       L"bEmpty[0]",
                             L"iIndex[1]",        L"fValMin[2]",
                             L"fValMax[0]",       L"fValLambda[1]",
                             L"sChannel_Name[2]", L"sLineName[0]",
                             L"m_dPower1",        L"m_uWavelengthExcitation2",
                             L"ShutterType",      L""};
    for (const wchar_t* key : keys) {
        const wchar_t* value = nullptr;
        size_t length = 0;
        if (AOMFindKeyValue(text.data(), key, &value, &length)) {
            volatile wchar_t sum = 0; // reads the whole value
            for (size_t i = 0; i < length; ++i)
                sum = sum + value[i];
        }
    }
    const wchar_t* value = nullptr;
    size_t length = 0;
    if (AOMFindKeyValue(text.data(), L"m_sPowerCalibration0", &value, &length)) CheckCalibration(value, length);
    return 0;
}
