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

// Waits for the device's own changes (the first poll's report, a front-panel change) instead of for a
// guessed time; bounded.
bool CScriptRunner::Await(const std::string& argument) {
    long long count = 0;
    if (!ParseInteger(argument, 1, SQvDMChangeRecord::MaxEntries, count))
        return Fail(DMRC_BAD_ARGUMENT, L"await takes a count of change records from 1 to " +
                                           std::to_wstring(SQvDMChangeRecord::MaxEntries) + L", not '" +
                                           Widen(argument) + L"'");
    CQvHostDeviceManager& manager = m_App.Host().Manager();
    ULONGLONG deadline = GetTickCount64() + kAwaitMs;
    for (;;) {
        size_t pending = manager.PendingChanges();
        if (pending >= static_cast<size_t>(count)) return Ok();
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return Fail(
                DMRC_NO_DEVICE,
                L"only " + std::to_wstring(pending) + L" of " + std::to_wstring(count) +
                    L" change records within " + std::to_wstring(kAwaitMs) + L" ms" +
                    (m_App.Session().IsConfigured()
                         ? L""
                         : L": the device reports changes once it is configured (use configure first)"));
        WaitForSingleObject(manager.ChangeEvent(), static_cast<DWORD>(deadline - now));
    }
}

bool CScriptRunner::Save(const std::string& argument) {
    if (!NoArgument("save", argument)) return false;
    std::wstring error;
    if (!m_App.Save(error)) return Fail(DMRC_NO_DEVICE, error);
    for (const auto& entry : m_App.Store().Values())
        PrintLine(L"setting " + entry.first + L"=" + entry.second);
    return Ok();
}
