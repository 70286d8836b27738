// NI MAX's test panel and "Reset Device": one voltage on one channel, or a board reset, through NI-DAQmx.
#include "script.h"

#include "daqtestpanel.h"
#include "numbers.h"
#include "output.h"
#include "scriptline.h"

namespace {
std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return s;
}

// The line (0 to 2) of the configuration text whose sChannel_Name is the channel, -1 for none.
int LineOfChannel(const std::wstring& configuration, const std::wstring& channel) {
    for (int i = 0; i < 3; ++i) {
        std::wstring key = L"sChannel_Name[" + std::to_wstring(i) + L"]=";
        size_t at = configuration.find(key);
        if (at == std::wstring::npos) continue;
        size_t start = at + key.size(), end = configuration.find(L';', start);
        std::wstring name =
            configuration.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (Lower(name) == Lower(channel)) return i;
    }
    return -1;
}
} // namespace

bool CScriptRunner::Daq(const std::string& argument) {
    std::vector<std::string> words = ScriptWords(argument);
    const wchar_t* usage = L"usage: daq write CHANNEL VOLTS, or daq reset DEVICE";
    if (words.empty() || (words[0] != "write" && words[0] != "reset")) return Fail(DMRC_BAD_ARGUMENT, usage);
    if (words[0] == "reset") {
        if (words.size() != 2) return Fail(DMRC_BAD_ARGUMENT, usage);
        SDaqAnswer answer = ResetDaqDevice(words[1]);
        if (!answer.ok) return Fail(DMRC_NO_DEVICE, L"daq reset: " + answer.text);
        PrintLine(L"daq " + answer.text);
        return Ok();
    }
    double volts = 0.0;
    if (words.size() != 3) return Fail(DMRC_BAD_ARGUMENT, usage);
    if (!ParseDecimal(words[2], volts))
        return Fail(DMRC_BAD_ARGUMENT,
                    L"daq write takes the volts as a number such as 2.5, not '" + Widen(words[2]) + L"'");
    // The connected device builds its line tasks on the channels of the configuration the host gave it.
    std::wstring channel = Widen(words[1]);
    int line = m_App.HoldsItsPorts()
                   ? LineOfChannel(m_App.Store().Get(CHostSession::kConfigurationKey), channel)
                   : -1;
    if (line >= 0)
        return Fail(DMRC_WRONG_STATE, L"daq write: " + channel + L" drives unit line " +
                                          std::to_wstring(line + 1) +
                                          L" of the connected device: disconnect it first");
    SDaqAnswer answer = WriteDaqVoltage(words[1], volts);
    if (!answer.ok) return Fail(DMRC_NO_DEVICE, L"daq write: " + answer.text);
    PrintLine(L"daq " + answer.text);
    return Ok();
}
