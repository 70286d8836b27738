#include "channelnumbers.h"

#include "configcheck.h"

namespace {
// The device's tables: boards it reads, channels it keeps of a board, entries of its channel list (the
// last kept for the list's empty end) and characters of the merged list text ("Dev1/ao0, Dev1/ao1, ").
const size_t kMaxBoards = 16;
const size_t kMaxChannelsPerBoard = 16;
const size_t kMaxListed = 255;
const size_t kMaxMergedText = 4095;

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
} // namespace

std::vector<SNumberedChannel> NumberChannels(const SDaqInventory& inventory) {
    std::vector<SNumberedChannel> numbered;
    int next = 1;
    size_t merged = 0;
    for (size_t b = 0; b < inventory.boards.size(); ++b) {
        const SDaqBoard& board = inventory.boards[b];
        for (size_t c = 0; c < board.channels.size(); ++c) {
            SNumberedChannel channel;
            channel.name = board.channels[c];
            channel.board = b;
            if (b >= kMaxBoards) {
                channel.note = L"the device reads the first " + std::to_wstring(kMaxBoards) + L" boards only";
            } else if (!board.deviceQueryFailed.empty()) {
                channel.note = L"the device leaves out the channels of " + Widen(board.name) + L": its " +
                               board.deviceQueryFailed + L" query failed";
            } else if (c >= kMaxChannelsPerBoard) {
                channel.note = L"the device keeps the first " + std::to_wstring(kMaxChannelsPerBoard) +
                               L" channels of a board";
            } else if (static_cast<size_t>(next) > kMaxListed ||
                       merged + channel.name.size() + 2 > kMaxMergedText) {
                channel.note = L"the device's channel list is full";
            } else {
                channel.iIndex = next++;
                merged += channel.name.size() + 2;
            }
            numbered.push_back(channel);
        }
    }
    return numbered;
}

std::vector<SNumberedChannel> IndexedChannels(const SDaqInventory& inventory) {
    std::vector<SNumberedChannel> indexed;
    for (const SNumberedChannel& channel : NumberChannels(inventory))
        if (channel.iIndex > 0) indexed.push_back(channel);
    return indexed;
}

void ChannelsForCheck(const SDaqInventory& inventory, std::vector<SCheckChannel>& channels,
                      std::vector<SCheckBoard>& boards) {
    channels.clear();
    boards.clear();
    for (const SDaqBoard& board : inventory.boards)
        boards.push_back({Widen(board.name), board.ranges});
    for (const SNumberedChannel& channel : IndexedChannels(inventory))
        channels.push_back({Widen(channel.name), channel.board});
}
