// A line's power calibration: shown, set or removed through the multi-laser's settings text, which is where
// the module keeps it, and measured point by point with a power meter (a person reading one, or the NI-DAQmx
// stand-in's). The host puts each voltage on the AOM as the module's documented linear map does: with the
// line's calibration removed meanwhile, a power of p % gives min + (max - min) * p / 100 volts.
#include "script.h"

#include "calibrationtext.h"
#include "daqstandin.h"
#include "numbers.h"
#include "output.h"
#include "scriptline.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

namespace {
const int kDefaultPoints = 11;
const int kMaxPoints = 64;
const int kMaxAnswerTries = 3;

bool ConfigurationNumber(const std::wstring& configuration, const std::wstring& key, double& value) {
    std::wstring text;
    if (!SettingsValue(configuration, key, text)) return false;
    std::string narrow;
    for (wchar_t c : text)
        if (c != L' ') narrow.push_back(static_cast<char>(c < 0x80 ? c : '?'));
    return ParseDecimal(narrow, value);
}
} // namespace

bool CScriptRunner::CalibratedLine(const std::string& word, SCalibratedLine& out) {
    if (!NeedMultiLaser() || !LineIndex(word, out.line)) return false;
    std::vector<int> unitLines = m_App.UnitLines();
    if (unitLines.size() <= static_cast<size_t>(out.line))
        return Fail(DMRC_WRONG_STATE, L"the configuration text the host keeps does not tell which unit line line " +
                                          std::to_wstring(out.line) + L" is: configure the device with a text first");
    out.unitLine = unitLines[static_cast<size_t>(out.line)];
    std::wstring configuration = m_App.Store().Get(CHostSession::kConfigurationKey);
    std::wstring index = L"[" + std::to_wstring(out.unitLine - 1) + L"]";
    double channelIndex = 0.0;
    out.hasChannel = ConfigurationNumber(configuration, L"iIndex" + index, channelIndex) && channelIndex != 0.0 &&
                     SettingsValue(configuration, L"sChannel_Name" + index, out.channel);
    if (!ConfigurationNumber(configuration, L"fValMin" + index, out.min) ||
        !ConfigurationNumber(configuration, L"fValMax" + index, out.max))
        return Fail(DMRC_WRONG_STATE, L"the configuration text the host keeps has no fValMin" + index +
                                          L" and fValMax" + index + L" for line " + std::to_wstring(out.line));
    return true;
}

std::wstring CScriptRunner::LineName(const SCalibratedLine& line) const {
    return L"line " + std::to_wstring(line.line) + L" (unit line " + std::to_wstring(line.unitLine) + L")";
}

std::vector<double> CScriptRunner::LinePowers() {
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    uint32_t count = 0;
    laser->GetLineCount(&count);
    std::vector<double> powers(count, 0.0);
    for (uint32_t i = 0; i < count; ++i)
        laser->GetLinePower(static_cast<int>(i), &powers[i]);
    return powers;
}

void CScriptRunner::LoadMultiLaserSettings(const std::wstring& settings, const std::vector<double>& powers) {
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    laser->LoadSettings(settings.c_str(), CHostSession::kMultiLaserId);
    // The text keeps powers to a tenth of a percent, rounded: each line gets back exactly what it had.
    for (size_t i = 0; i < powers.size(); ++i)
        laser->SetPower(static_cast<int>(i), powers[i]);
}

bool CScriptRunner::StoreCalibration(const SCalibratedLine& line, const SCalibration* calibration) {
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    std::vector<double> powers = LinePowers();
    CQvStringW settings;
    laser->SaveSettings(settings);
    std::wstring key = CalibrationKey(line.unitLine);
    std::wstring value = calibration ? WriteCalibration(*calibration) : L"";
    LoadMultiLaserSettings(WithSettingsValue(settings.GetString(), key, calibration ? &value : nullptr), powers);
    CQvStringW kept;
    laser->SaveSettings(kept);
    std::wstring keptValue;
    SCalibration keptCalibration;
    bool has = SettingsValue(kept.GetString(), key, keptValue) && ReadCalibration(keptValue, keptCalibration);
    if (calibration ? !has || !SameCalibration(keptCalibration, *calibration) : has)
        return Fail(DMRC_BAD_ARGUMENT, L"the module did not take the calibration of " + LineName(line) +
                                           L" (its log line says why); it is as it was");
    std::wstring error;
    if (!m_App.Save(error)) return Fail(DMRC_WRONG_STATE, L"the calibration is in use, but " + error);
    PrintLine(calibration ? LineName(line) + L" calibrated: " + keptValue
                          : LineName(line) + L" not calibrated: its power maps linearly onto its voltage range");
    return Ok();
}

void CScriptRunner::ShowCalibration(const SCalibratedLine& line, const SCalibration& calibration) {
    PrintLine(LineName(line) + L": " + std::to_wstring(calibration.points.size()) + L" points in " +
              calibration.unit + L", linear map from " + FormatFixed(line.min, 3) + L" V (0 %) to " +
              FormatFixed(line.max, 3) + L" V (100 %)");
    std::vector<SPointShare> shares = PointShares(calibration, line.min, line.max);
    double worst = 0.0;
    size_t worstAt = 0;
    for (size_t i = 0; i < shares.size(); ++i) {
        const SCalibrationPoint& p = calibration.points[i];
        PrintLine(L"point " + std::to_wstring(i + 1) + L" volts " + FormatFixed(p.volts, 4) + L" power " +
                  FormatFixed(p.power, 4) + L" " + calibration.unit + L" light " + FormatFixed(shares[i].measured, 1) +
                  L" % linear map " + FormatFixed(shares[i].linear, 1) + L" %");
        double error = fabs(shares[i].measured - shares[i].linear);
        if (error > worst) worst = error, worstAt = i;
    }
    if (!shares.empty())
        PrintLine(L"the linear map is off by up to " + FormatFixed(worst, 1) + L" % of full scale (at " +
                  FormatFixed(calibration.points[worstAt].volts, 4) + L" V)");
}

bool CScriptRunner::ReadAnswer(const std::wstring& prompt, std::string& answer) {
    PrintLine(prompt);
    fflush(stdout);
    char buffer[256];
    if (!m_pInput || !fgets(buffer, sizeof buffer, m_pInput)) return false;
    answer = buffer;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r' || answer.back() == ' '))
        answer.pop_back();
    answer.erase(0, answer.find_first_not_of(' '));
    return true;
}

bool CScriptRunner::Calibration(const std::string& argument) {
    std::vector<std::string> words = ScriptWords(argument);
    SCalibratedLine line;
    if (words.empty()) return Fail(DMRC_BAD_ARGUMENT, L"usage: calibration LINE [TEXT|clear]");
    if (!CalibratedLine(words[0], line)) return false;
    std::string text = argument.substr(argument.find(words[0]) + words[0].size());
    text.erase(0, text.find_first_not_of(" \t"));
    if (text == "clear") return StoreCalibration(line, nullptr);
    if (!text.empty()) {
        SCalibration calibration;
        if (!ReadCalibration(Widen(text), calibration))
            return Fail(DMRC_BAD_ARGUMENT, L"a calibration is written \"<unit> <volts>:<power> ...\", such as "
                                           L"\"mW 0:0.1 2.5:48 5:97\", not '" + Widen(text) + L"'");
        double low = fmin(line.min, line.max), high = fmax(line.min, line.max);
        for (size_t i = 0; i < calibration.points.size(); ++i)
            if (calibration.points[i].volts < low || calibration.points[i].volts > high)
                return Fail(DMRC_BAD_ARGUMENT, L"point " + std::to_wstring(i + 1) + L" (" +
                                                   FormatFixed(calibration.points[i].volts, 3) + L" V) lies outside " +
                                                   LineName(line) + L"'s range, " + FormatFixed(low, 2) + L" V to " +
                                                   FormatFixed(high, 2) + L" V");
        std::sort(calibration.points.begin(), calibration.points.end(),
                  [](const SCalibrationPoint& a, const SCalibrationPoint& b) { return a.volts < b.volts; });
        return StoreCalibration(line, &calibration);
    }
    CQvStringW settings;
    m_App.Session().MultiLaser()->SaveSettings(settings);
    std::wstring value;
    SCalibration calibration;
    if (!SettingsValue(settings.GetString(), CalibrationKey(line.unitLine), value) ||
        !ReadCalibration(value, calibration)) {
        PrintLine(LineName(line) + L" not calibrated: its power maps linearly onto " + FormatFixed(line.min, 3) +
                  L" V to " + FormatFixed(line.max, 3) + L" V");
        return Ok();
    }
    ShowCalibration(line, calibration);
    PrintLine(L"text " + value);
    return Ok();
}

bool CScriptRunner::Calibrate(const std::string& argument) {
    const wchar_t* usage = L"usage: calibrate LINE [POINTS] [--meter sim] [--unit UNIT]";
    std::vector<std::string> words = ScriptWords(argument);
    if (words.empty()) return Fail(DMRC_BAD_ARGUMENT, usage);
    long long count = kDefaultPoints;
    bool simulated = false;
    std::wstring unit = L"mW";
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--meter" && i + 1 < words.size() && words[i + 1] == "sim") simulated = true, ++i;
        else if (words[i] == "--unit" && i + 1 < words.size()) unit = Widen(words[++i]);
        else if (i == 1 && ParseInteger(words[i], 2, kMaxPoints, count)) continue;
        else return Fail(DMRC_BAD_ARGUMENT, usage + std::wstring(L" (POINTS: 2 to 64)"));
    }
    SCalibratedLine line;
    if (!CalibratedLine(words[0], line)) return false;
    if (!line.hasChannel) return Fail(DMRC_NO_DEVICE, LineName(line) + L" has no AOM channel: configure one first");
    if (!m_App.HoldsItsPorts())
        return Fail(DMRC_WRONG_STATE, L"the device does not hold its NI-DAQ channels: connect and configure it");
    double reading = 0.0;
    std::wstring error;
    if (simulated && !ReadStandInMeter(line.channel, reading, error)) return Fail(DMRC_NOT_SUPPORTED, error);

    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    std::vector<double> powers = LinePowers();
    CQvStringW original;
    laser->SaveSettings(original);
    std::wstring key = CalibrationKey(line.unitLine);
    // Measured through the linear map; whatever happens, the line gets its calibration and power back.
    LoadMultiLaserSettings(WithSettingsValue(original.GetString(), key, nullptr), powers);
    auto restore = [&]() { LoadMultiLaserSettings(original.GetString(), powers); };
    SCalibration calibration;
    calibration.unit = unit;
    for (long long k = 0; k < count; ++k) {
        int steps = static_cast<int>(llround(1000.0 * static_cast<double>(k) / static_cast<double>(count - 1)));
        double percent = steps / 10.0;
        EDeviceManagerReturnCode result = laser->SetPower(line.line, percent);
        SCalibrationPoint point;
        point.volts = line.min + (line.max - line.min) / 100.0 * (static_cast<int>(percent * 10.0) / 10.0);
        if (result != DMRC_OK) {
            restore();
            return Fail(result, L"the voltage " + FormatFixed(point.volts, 4) + L" V could not be put on the AOM of " +
                                    LineName(line) + L"; nothing changed");
        }
        std::wstring where = L"point " + std::to_wstring(k + 1) + L" of " + std::to_wstring(count) + L": " +
                             FormatFixed(point.volts, 4) + L" V on the AOM";
        if (simulated) {
            if (!ReadStandInMeter(line.channel, point.power, error)) {
                restore();
                return Fail(DMRC_NOT_SUPPORTED, error);
            }
            PrintLine(where + L"; the meter reads " + FormatFixed(point.power, 4) + L" " + unit);
        } else {
            bool read = false;
            for (int tries = 0; tries < kMaxAnswerTries && !read; ++tries) {
                std::string answer;
                if (!ReadAnswer(where + L"; the meter's reading in " + unit + L" (or cancel):", answer) ||
                    answer == "cancel") {
                    restore();
                    return Fail(DMRC_CANCELLED, L"calibration cancelled; " + LineName(line) + L" is as it was");
                }
                read = ParseDecimal(answer, point.power) && point.power >= 0.0;
                if (!read) PrintLine(L"not a reading: '" + Widen(answer) + L"' (a number of 0 or more, such as 12.5)");
            }
            if (!read) {
                restore();
                return Fail(DMRC_BAD_ARGUMENT, L"no reading for " + where + L"; " + LineName(line) + L" is as it was");
            }
        }
        calibration.points.push_back(point);
    }
    restore();
    ShowCalibration(line, calibration);
    std::string answer;
    if (!ReadAnswer(L"store this calibration for " + LineName(line) + L"? (yes/no)", answer) ||
        (answer != "yes" && answer != "y"))
        return Fail(DMRC_CANCELLED, L"not stored; " + LineName(line) + L" is as it was");
    if (line.max < line.min) std::reverse(calibration.points.begin(), calibration.points.end());
    return StoreCalibration(line, &calibration);
}
