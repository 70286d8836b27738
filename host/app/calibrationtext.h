// A line's power calibration as the module keeps it in the multi-laser's settings text
// ("m_sPowerCalibration<unit line - 1>=<unit> <volts>:<power> ...;"), read and written by the host.
#pragma once

#include "settingsvalue.h"

#include <string>
#include <vector>

struct SCalibrationPoint {
    double volts = 0.0;
    double power = 0.0;
};

struct SCalibration {
    std::wstring unit;
    std::vector<SCalibrationPoint> points;
};

// The key of a unit line's (1 to 3) calibration.
std::wstring CalibrationKey(int unitLine);
// "<unit> <volts>:<power> ..."; false when the text is not that.
bool ReadCalibration(const std::wstring& text, SCalibration& calibration);
std::wstring WriteCalibration(const SCalibration& calibration);
// Whether two calibrations have the same points, as far as the stored text keeps them.
bool SameCalibration(const SCalibration& a, const SCalibration& b);


// For each point, the share of the light it measured (percent of the way from the least to the most power)
// and the share the linear map from min volts (0 %) to max volts (100 %) gives at its voltage.
struct SPointShare {
    double measured = 0.0;
    double linear = 0.0;
};
std::vector<SPointShare> PointShares(const SCalibration& calibration, double min, double max);
