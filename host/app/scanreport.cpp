#include "scanreport.h"

#include "channelnumbers.h"
#include "configcheck.h"
#include "daqinventory.h"
#include "numbers.h"
#include "output.h"
#include "portscan.h"

#include <stdio.h>

namespace {
std::wstring Hex(uint32_t value) {
    wchar_t text[16];
    _snwprintf(text, 16, L"0x%X", value);
    text[15] = 0;
    return text;
}

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::wstring Describe(const SPortReport& report, int connectedPort) {
    switch (report.state) {
    case EPortState::Absent:
        return L"no such port";
    case EPortState::Busy:
        return report.port == connectedPort
                   ? L"busy: this host's device holds it; not probed (disconnect to probe it)"
                   : L"busy: in use by a program; not probed";
    case EPortState::Unusable:
        return L"cannot be used: " + report.detail;
    case EPortState::Stuck:
        return L"its driver did not finish opening and probing it within " + std::to_wstring(kPortBoundMs) +
               L" ms";
    case EPortState::Silent:
        return L"free; no answer to the version request within " + std::to_wstring(kProbeReplyMs) + L" ms";
    case EPortState::Unit:
        return L"free; the unit answered \"" + report.detail + L"\"";
    case EPortState::Other:
        return L"free; an answer that is not the unit's: \"" + report.detail + L"\"";
    }
    return std::wstring();
}

void PrintBoard(const SDaqBoard& board, size_t index, const std::vector<SNumberedChannel>& numbered) {
    std::wstring line = L"board " + Widen(board.name) + L": " +
                        (board.productType.empty() ? L"product unknown" : Widen(board.productType));
    if (board.hasProductNumber) line += L" (product number " + Hex(board.productNumber) + L")";
    line += L", bus " + (board.hasBusType ? DaqBusName(board.busType) : L"unknown") + L"; ";
    if (board.channels.empty()) {
        line += L"no analog outputs";
    } else {
        line += std::to_wstring(board.channels.size()) +
                (board.channels.size() == 1 ? L" analog output " : L" analog outputs ");
        for (size_t i = 0; i < board.channels.size(); ++i)
            line += (i ? L", " : L"") + Widen(board.channels[i]);
    }
    line += L"; ranges ";
    for (size_t i = 0; i + 1 < board.ranges.size(); i += 2)
        line += (i ? L", " : L"") + FormatFixed(board.ranges[i], 3) + L" to " +
                FormatFixed(board.ranges[i + 1], 3) + L" V";
    if (board.ranges.empty()) line += L"none";
    PrintLine(line);
    for (const std::wstring& problem : board.problems)
        PrintLine(L"board " + Widen(board.name) + L": " + problem);
    // The number a configuration text gives the channel (iIndex), as the device counts.
    for (const SNumberedChannel& channel : numbered)
        if (channel.board == index)
            PrintLine(L"channel " + Widen(channel.name) + L": " +
                      (channel.iIndex > 0 ? L"iIndex " + std::to_wstring(channel.iIndex)
                                          : L"no iIndex: " + channel.note));
}

// What NI-DAQmx has; the inventory is kept for the suggestion.
SDaqInventory PrintDaq() {
    SDaqInventory daq = ReadDaqInventory();
    if (!daq.loaded) {
        PrintLine(L"nidaqmx: " + daq.problem + L"; install NI-DAQmx, or give --daq-dir");
        return daq;
    }
    std::wstring version = daq.hasVersion
                               ? L"version " + std::to_wstring(daq.major) + L"." + std::to_wstring(daq.minor)
                               : L"no version: " + daq.versionProblem;
    if (daq.hasVersion && daq.major < 8) version += L" (the device needs version 8 or later)";
    PrintLine(L"nidaqmx: " + daq.libraryPath + L", " + version);
    if (!daq.problem.empty()) {
        PrintLine(L"nidaqmx: the boards cannot be listed: " + daq.problem);
        return daq;
    }
    if (daq.boards.empty()) PrintLine(L"nidaqmx: no board");
    std::vector<SNumberedChannel> numbered = NumberChannels(daq);
    for (size_t i = 0; i < daq.boards.size(); ++i)
        PrintBoard(daq.boards[i], i, numbered);
    return daq;
}

// Texts to paste into connect and configure for the first unit found, said to be a suggestion.
void PrintSuggestion(const std::vector<SPortReport>& reports, const SDaqInventory& daq) {
    int unit = 0;
    for (const SPortReport& report : reports)
        if (report.state == EPortState::Unit && !unit) unit = report.port;
    if (!unit) {
        PrintLine(L"suggestion: none, no unit answered");
        return;
    }
    std::vector<SCheckChannel> channels;
    std::vector<SCheckBoard> boards;
    ChannelsForCheck(daq, channels, boards);
    std::wstring range;
    std::wstring text = SuggestConfigurationText(channels, boards, range);
    PrintLine(L"suggestion: connect m_iCOMPort=" + std::to_wstring(unit) + L";");
    if (text.empty()) {
        PrintLine(L"suggestion: no configuration, NI-DAQmx lists no channel the device can use");
        return;
    }
    size_t fitted = channels.size() < 3 ? channels.size() : 3;
    PrintLine(L"suggestion: configure " + text);
    PrintLine(
        L"suggestion: a starting point only, unit lines 1" +
        (fitted > 1 ? L" to " + std::to_wstring(fitted) : std::wstring()) + L" on iIndex 1" +
        (fitted > 1 ? L" to " + std::to_wstring(fitted) : std::wstring()) + L" at " + range +
        L", placeholder wavelengths: set each line's fValLambda, fValMin and fValMax to its laser and AOM "
        L"(check TEXT tells what the device would take differently)");
}
} // namespace

void PrintScan(const std::vector<int>& ports, int connectedPort) {
    PrintLine(L"scan: the unit's version request (rVER, 9600 8N1) goes to each free COM port, at most " +
              std::to_wstring(kProbeReplyMs) + L" ms each; nothing else is sent or written");
    std::vector<SPortReport> reports = ScanComPorts(ports, connectedPort);
    if (reports.empty()) PrintLine(L"port: none found");
    for (const SPortReport& report : reports)
        PrintLine(L"port COM" + std::to_wstring(report.port) + L": " + Describe(report, connectedPort));
    PrintSuggestion(reports, PrintDaq());
}
