// Why a calibration is refused, in words: in the person's language for the calibration dialog, in English
// for the log.
#pragma once

#include "aomcalibration.h"

#include <qv/qvstring.h>

// min and max: the line's span, named when a point lies outside it.
CQvStringW AOMCalibrationFaultText(const SAOMCalibration& calibration, const SAOMCalibrationCheck& check,
                                   double min, double max, bool translated);
