// The commands on what the host received and keeps: notifications, macro texts, the stand-in's
// voltages, the store; and waiting.
#include "script.h"

#include "changetext.h"
#include "daqstandin.h"
#include "numbers.h"
#include "output.h"

#include <windows.h>

bool CScriptRunner::Notifications(const std::string& argument) {
    if (!NoArgument("notifications", argument)) return false;
    for (const SHostChange& change : m_App.Host().Manager().TakeChanges())
        PrintLine(DescribeChange(change, CHostSession::kMultiLaserId, CHostSession::kShutterId));
    return Ok();
}

bool CScriptRunner::Macros(const std::string& argument) {
    if (!NoArgument("macros", argument)) return false;
    for (const std::wstring& macro : m_App.Host().Manager().TakeMacros())
        PrintLine(L"macro " + macro);
    return Ok();
}

bool CScriptRunner::Voltages(const std::string& argument) {
    if (!NoArgument("voltages", argument)) return false;
    std::vector<SChannelVoltage> voltages;
    std::wstring error;
    if (!ReadStandInVoltages(voltages, error)) return Fail(DMRC_NOT_SUPPORTED, error);
    for (const SChannelVoltage& v : voltages)
        PrintLine(L"channel " + v.channel + L" volts " + FormatFixed(v.volts, 3));
    return Ok();
}

bool CScriptRunner::Wait(const std::string& argument) {
    long long ms = 0;
    if (!ParseInteger(argument, 0, kMaxWaitMs, ms))
        return Fail(DMRC_BAD_ARGUMENT, L"wait takes milliseconds from 0 to " + std::to_wstring(kMaxWaitMs) +
                                           L", not '" + Widen(argument) + L"'");
    Sleep(static_cast<DWORD>(ms));
    return Ok();
}

bool CScriptRunner::Save(const std::string& argument) {
    if (!NoArgument("save", argument)) return false;
    std::wstring error;
    if (!m_App.Save(error)) return Fail(DMRC_NO_DEVICE, error);
    for (const auto& entry : m_App.Store().Values())
        PrintLine(L"setting " + entry.first + L"=" + entry.second);
    return Ok();
}
