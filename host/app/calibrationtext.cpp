#include "calibrationtext.h"

#include "numbers.h"

#include <math.h>

namespace {
std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(L" \t", at)) != std::wstring::npos) {
        size_t end = text.find_first_of(L" \t", at);
        words.push_back(text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        at = end;
    }
    return words;
}

// The stored text's numbers: a point, an optional exponent for very small or large powers.
bool ReadNumber(const std::wstring& text, double& value) {
    std::string narrow = Narrow(text);
    size_t e = narrow.find_first_of("eE");
    double mantissa = 0.0;
    long long exponent = 0;
    if (!ParseDecimal(narrow.substr(0, e), mantissa)) return false;
    if (e != std::string::npos && !ParseInteger(narrow.substr(e + 1), -300, 300, exponent)) return false;
    value = mantissa * pow(10.0, static_cast<double>(exponent));
    return isfinite(value);
}
} // namespace

std::wstring CalibrationKey(int unitLine) {
    return L"m_sPowerCalibration" + std::to_wstring(unitLine - 1);
}

bool ReadCalibration(const std::wstring& text, SCalibration& calibration) {
    std::vector<std::wstring> words = Words(text);
    if (words.empty()) return false;
    SCalibration read;
    read.unit = words[0];
    for (size_t i = 1; i < words.size(); ++i) {
        size_t colon = words[i].find(L':');
        SCalibrationPoint point;
        if (colon == std::wstring::npos || !ReadNumber(words[i].substr(0, colon), point.volts) ||
            !ReadNumber(words[i].substr(colon + 1), point.power))
            return false;
        read.points.push_back(point);
    }
    calibration = read;
    return true;
}

std::wstring WriteCalibration(const SCalibration& calibration) {
    std::wstring text = calibration.unit;
    for (const SCalibrationPoint& p : calibration.points)
        text += L" " + FormatFixed(p.volts, 4) + L":" + FormatFixed(p.power, 6);
    return text;
}

bool SameCalibration(const SCalibration& a, const SCalibration& b) {
    if (a.unit != b.unit || a.points.size() != b.points.size()) return false;
    for (size_t i = 0; i < a.points.size(); ++i)
        if (fabs(a.points[i].volts - b.points[i].volts) > 5e-5 ||
            fabs(a.points[i].power - b.points[i].power) > 5e-5 + 1e-5 * fabs(a.points[i].power))
            return false;
    return true;
}

std::vector<SPointShare> PointShares(const SCalibration& calibration, double min, double max) {
    std::vector<SPointShare> shares;
    if (calibration.points.empty()) return shares;
    double least = calibration.points[0].power, most = least;
    for (const SCalibrationPoint& p : calibration.points) {
        least = fmin(least, p.power);
        most = fmax(most, p.power);
    }
    for (const SCalibrationPoint& p : calibration.points) {
        SPointShare share;
        share.measured = most > least ? 100.0 * (p.power - least) / (most - least) : 0.0;
        share.linear = max != min ? 100.0 * (p.volts - min) / (max - min) : 0.0;
        shares.push_back(share);
    }
    return shares;
}
