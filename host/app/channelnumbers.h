// The device's numbering of the analog outputs, which a configuration text's iIndex counts in: the boards
// in the library's order, each board's channels in its order, counted from 1. The device leaves out the
// channels of a board whose queries fail and what does not fit its tables; so does this numbering.
#pragma once

#include "daqinventory.h"

#include <string>
#include <vector>

struct SNumberedChannel {
    std::string name;  // "Dev1/ao0"
    size_t board = 0;  // index into the inventory's boards
    int iIndex = 0;    // 1 and up; 0: the device lists it nowhere
    std::wstring note; // why it has no iIndex
};

// Every analog output of the inventory in board order, each with its iIndex or why it has none.
std::vector<SNumberedChannel> NumberChannels(const SDaqInventory& inventory);
// Only those with an iIndex, in iIndex order.
std::vector<SNumberedChannel> IndexedChannels(const SDaqInventory& inventory);

struct SCheckChannel;
struct SCheckBoard;
// The inventory as the configuration check and the suggestion take it: the channels with an iIndex, in its
// order, and every board with its ranges.
void ChannelsForCheck(const SDaqInventory& inventory, std::vector<SCheckChannel>& channels,
                      std::vector<SCheckBoard>& boards);
