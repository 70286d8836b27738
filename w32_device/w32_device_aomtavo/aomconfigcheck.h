// Findings on a configuration text written by hand: a key not followed by "=", a value that does not scan,
// a fitted line without a channel, iIndex and sChannel_Name naming different channels, a minimum or maximum
// outside every range of the channel's board. The device takes the text as documented whatever they say;
// each finding is an always-written WARNING line, in the words the host's own check uses.
#pragma once

#include <string>
#include <vector>

class CQvAOMTAVO;

struct SAOMCheckBoard {
    std::wstring sName;
    std::vector<float> afRanges; // low and high of each range, in pairs
};

struct SAOMCheckChannel {
    std::wstring sName; // at iIndex = position + 1
    int iBoard = -1;    // into the boards, -1 when unknown
};

// The findings, in the order of the lines and of their keys.
std::vector<std::wstring> AOMCheckConfiguration(const wchar_t* text,
                                                const std::vector<SAOMCheckChannel>& channels,
                                                const std::vector<SAOMCheckBoard>& boards);
// Checks the text against the channels and boards the device discovered, and writes each finding as
// "WARNING: CQvAOMTAVO::ConfigureDevice - <finding>".
void AOMWarnAboutConfiguration(const CQvAOMTAVO& device, const wchar_t* text);
