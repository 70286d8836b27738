// What a hand-written line configuration text gets wrong, read as the device reads it: a key not followed
// by "=", a value that does not scan, a fitted line without a channel, iIndex and sChannel_Name naming
// different channels, a minimum or maximum outside every range of the channel's board. The device takes
// such a text as documented and logs the same findings as WARNING lines; the texts are the same.
#pragma once

#include <string>
#include <vector>

struct SCheckBoard {
    std::wstring name;
    std::vector<double> ranges; // low and high of each, in pairs
};

struct SCheckChannel {
    std::wstring name; // at iIndex = position + 1
    size_t board = 0;  // into the boards
};

std::vector<std::wstring> CheckConfigurationText(const std::wstring& text,
                                                 const std::vector<SCheckChannel>& channels,
                                                 const std::vector<SCheckBoard>& boards);

// A configuration text to start from: the unit's three lines fitted on the first channels (as many as there
// are), 0 % at 0 V and 100 % at up to 5 V within a range of each channel's board, placeholder wavelengths,
// the other lines empty. Empty when there is no channel. range receives the voltages of the first line.
std::wstring SuggestConfigurationText(const std::vector<SCheckChannel>& channels,
                                      const std::vector<SCheckBoard>& boards, std::wstring& range);
