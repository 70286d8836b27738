// The commands on the logical devices: the multi-laser's lines and the shutter.
#include "script.h"

#include "linenumbers.h"
#include "numbers.h"
#include "output.h"

bool CScriptRunner::Lines(const std::string& argument) {
    if (!NoArgument("lines", argument) || !NeedMultiLaser()) return false;
    IQvDeviceMultiLaser* laser = m_App.Session().MultiLaser();
    uint32_t count = 0;
    laser->GetLineCount(&count);
    std::vector<std::wstring> rows;
    std::vector<int> unitLines = m_App.UnitLines();
    CQvStringW settings;
    laser->SaveSettings(settings);
    for (uint32_t i = 0; i < count; ++i) {
        int line = static_cast<int>(i);
        bool used = false;
        double power = 0.0;
        uint32_t nm = 0;
        CQvStringW name;
        EDeviceManagerReturnCode result = laser->GetLineUsed(line, &used);
        if (result == DMRC_OK) result = laser->GetLinePower(line, &power);
        if (result == DMRC_OK) result = laser->GetWavelength(line, &nm);
        if (result == DMRC_OK) result = laser->GetLineName(line, name);
        if (result != DMRC_OK) return Fail(result, L"cannot read line " + std::to_wstring(i));
        rows.push_back(L"line " + std::to_wstring(i) + UnitLineNote(unitLines, line) + L" used " +
                       (used ? L"1" : L"0") + L" power " + FormatFixed(power, 1) + L" wavelength " +
                       std::to_wstring(nm) + L" name " + (name.IsEmpty() ? L"-" : name.GetString()));
        std::wstring calibration;
        if (i < unitLines.size() && SettingsValue(settings.GetString(), CalibrationKey(unitLines[i]), calibration))
            rows.back() += L" calibrated";
    }
    for (const std::wstring& row : rows)
        PrintLine(row);
    return Ok();
}

bool CScriptRunner::Power(const std::string& argument) {
    std::vector<std::string> words;
    int line = 0;
    double percent = 0.0;
    if (!NeedMultiLaser() || !Words(argument, 2, L"power <line> <percent>", words) ||
        !LineIndex(words[0], line))
        return false;
    if (!ParseDecimal(words[1], percent) || percent < 0.0 || percent > 100.0)
        return Fail(DMRC_BAD_ARGUMENT,
                    L"power takes a percentage from 0 to 100, such as 12.5, not '" + Widen(words[1]) + L"'");
    return Result(m_App.Session().MultiLaser()->SetPower(line, percent), DMRC_OK, L"setting the power");
}

bool CScriptRunner::Used(const std::string& argument) {
    std::vector<std::string> words;
    int line = 0;
    if (!NeedMultiLaser() || !Words(argument, 2, L"used <line> <0|1>", words) || !LineIndex(words[0], line))
        return false;
    if (words[1] != "0" && words[1] != "1")
        return Fail(DMRC_BAD_ARGUMENT, L"used takes 0 or 1, not '" + Widen(words[1]) + L"'");
    return Result(m_App.Session().MultiLaser()->SetLineUsed(line, words[1] == "1"), DMRC_OK,
                  L"switching the line");
}

bool CScriptRunner::Shutter(const std::string& argument) {
    if (!NeedDevice()) return false;
    if (argument != "open" && argument != "close")
        return Fail(DMRC_BAD_ARGUMENT, L"usage: shutter open|close");
    IQvDeviceShutter* shutter = m_App.Session().Shutter();
    if (!shutter) return Fail(DMRC_WRONG_STATE, L"not configured: use configure first");
    return Result(shutter->SetState(argument == "open"), DMRC_OK, L"switching the shutter");
}
