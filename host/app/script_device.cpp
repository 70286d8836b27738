// The commands on the physical device: module records, creating, connecting, configuring and the state.
#include "script.h"

#include "output.h"

bool CScriptRunner::Classes(const std::string& argument) {
    if (!NoArgument("classes", argument)) return false;
    for (const std::string& c : m_App.Host().Classes())
        PrintLine(L"class " + Widen(c));
    return Ok();
}

bool CScriptRunner::Versions(const std::string& argument) {
    if (!NoArgument("versions", argument)) return false;
    std::vector<std::wstring> lines;
    std::wstring error;
    if (!m_App.Host().ReadVersionRecords(lines, error)) return Fail(DMRC_NO_DEVICE, error);
    for (const std::wstring& l : lines)
        PrintLine(L"record " + l);
    return Ok();
}

bool CScriptRunner::Create(const std::string& argument) {
    std::string name = argument.empty() ? m_App.Options().className : argument;
    std::wstring error;
    if (!m_App.Create(name, error))
        return Fail(m_App.IsConnected() ? DMRC_WRONG_STATE : DMRC_NO_DEVICE, error);
    PrintLine(L"created " + Widen(name));
    return Ok();
}

bool CScriptRunner::Info(const std::string& argument) {
    if (!NoArgument("info", argument) || !NeedDevice()) return false;
    IQvPhysicalDevice* device = m_App.Device();
    for (int i = 1; i <= 4; ++i)
        PrintLine(L"info " + std::to_wstring(i) + L" " + device->GetInfoString(i).GetString());
    CQvStringW name, group;
    uint32_t icon = 0;
    device->GetDisplayInfo(&name, &group, &icon);
    PrintLine(L"display name " + std::wstring(name.GetString()) + L" group " + group.GetString() + L" icon " +
              std::to_wstring(icon));
    return Ok();
}

bool CScriptRunner::Connect(const std::string& argument) {
    if (!NeedDevice()) return false;
    if (m_App.IsConnected()) return Fail(DMRC_WRONG_STATE, L"already connected: disconnect first");
    std::wstring text = Widen(argument);
    m_App.Connect(argument.empty() ? nullptr : &text);
    PrintLine(L"state " + std::to_wstring(m_App.DeviceState()));
    return Ok();
}

bool CScriptRunner::Configure(const std::string& argument) {
    if (!NeedDevice()) return false;
    std::wstring text = Widen(argument), saveError;
    EDeviceManagerReturnCode result = m_App.Configure(argument.empty() ? nullptr : &text, saveError);
    int state = m_App.DeviceState();
    PrintLine(L"result " + std::to_wstring(result) + L" state " + std::to_wstring(state));
    if (result == DMRC_WRONG_STATE && state == 0)
        return Fail(result, L"the device is not connected: use connect first");
    if (result == DMRC_WRONG_STATE)
        return Fail(result,
                    L"the device is not connected: its connect failed (a log line says why); "
                    L"disconnect, remove the cause (scan shows the ports and boards) and connect again");
    if (result != DMRC_OK) return Fail(result, L"the device refused the configuration");
    return saveError.empty() ? Ok() : Fail(DMRC_NO_DEVICE, saveError);
}

// The configuration text the host keeps for the device: the one it configured with, or the line dialog's.
bool CScriptRunner::Configuration(const std::string& argument) {
    if (!NoArgument("configuration", argument) || !NeedDevice()) return false;
    PrintLine(L"configuration " + m_App.Store().Get(CHostSession::kConfigurationKey));
    return Ok();
}

bool CScriptRunner::Reset(const std::string& argument) {
    if (!NoArgument("reset", argument) || !NeedDevice()) return false;
    EDeviceManagerReturnCode result = m_App.Reset();
    int state = m_App.DeviceState();
    PrintLine(L"result " + std::to_wstring(result) + L" state " + std::to_wstring(state));
    if (result == DMRC_RESET_OK) return Ok();
    return Fail(result, state == 0 ? L"the device is not connected: use connect first"
                                   : L"the device refused the reset");
}

bool CScriptRunner::Disconnect(const std::string& argument) {
    if (!NoArgument("disconnect", argument) || !NeedDevice()) return false;
    m_App.Disconnect();
    PrintLine(L"state " + std::to_wstring(m_App.DeviceState()));
    return Ok();
}

bool CScriptRunner::State(const std::string& argument) {
    if (!NoArgument("state", argument) || !NeedDevice()) return false;
    PrintLine(L"state " + std::to_wstring(m_App.DeviceState()) + L" shutter " + m_App.ShutterText());
    return Ok();
}
