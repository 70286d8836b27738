// The check of a configuration text against NI-DAQmx's boards, before the device takes it.
#include "script.h"

#include "channelnumbers.h"
#include "configcheck.h"
#include "output.h"

bool CScriptRunner::Check(const std::string& argument) {
    std::wstring text =
        argument.empty() ? m_App.Store().Get(CHostSession::kConfigurationKey) : Widen(argument);
    if (text.empty()) return Fail(DMRC_BAD_ARGUMENT, L"check: no text given and none stored");
    SDaqInventory daq = ReadDaqInventory();
    std::vector<SCheckChannel> channels;
    std::vector<SCheckBoard> boards;
    ChannelsForCheck(daq, channels, boards);
    std::vector<std::wstring> findings = CheckConfigurationText(text, channels, boards);
    bool listed = daq.loaded && daq.problem.empty();
    if (!listed) {
        // Without the boards, only what the text itself says can be checked.
        PrintLine(L"check: the channels and ranges are not checked: " +
                  (daq.loaded ? daq.problem : L"NI-DAQmx: " + daq.problem));
        std::vector<std::wstring> own;
        for (const std::wstring& finding : findings)
            if (finding.find(L"iIndex[") != 0 &&
                finding.find(L" is outside every range ") == std::wstring::npos)
                own.push_back(finding);
        findings.swap(own);
    }
    for (const std::wstring& finding : findings)
        PrintLine(L"finding " + finding);
    PrintLine(findings.empty()
                  ? std::wstring(L"check: nothing found")
                  : L"check: " + std::to_wstring(findings.size()) +
                        (findings.size() == 1 ? L" finding" : L" findings") +
                        L"; configure takes the text as it is and logs the same as WARNING lines");
    return Ok();
}
