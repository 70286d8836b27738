#include "aomconfigcheck.h"

#include "aomlog.h"
#include "aomtavodevice.h"

#include <qv/qvsystem.h>

#include <stdio.h>

namespace {
const int kLines = 3;
const int kKeyCount = 7;
const wchar_t* const kKeys[kKeyCount] = {L"bEmpty",     L"iIndex",        L"fValMin",  L"fValMax",
                                         L"fValLambda", L"sChannel_Name", L"sLineName"};
const int kFirstText = 5; // the keys before it hold numbers: two integers, then reals

bool Blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool Space(wchar_t c) {
    return Blank(c) || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

bool Digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring Trimmed(const std::wstring& text) {
    size_t start = 0, end = text.size();
    while (start < end && Blank(text[start]))
        ++start;
    while (end > start && Blank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

// The length of the number the device's readers take from the start of text, 0 when they take none: an
// integer as "%d" reads it, a real as QV_StringToDouble does (blanks, sign, digits, point, exponent).
size_t NumberLength(const std::wstring& text, bool real) {
    size_t i = 0;
    while (i < text.size() && (real ? Blank(text[i]) : Space(text[i])))
        ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && Digit(text[i]); ++i)
        ++digits;
    if (real && i < text.size() && text[i] == L'.')
        for (++i; i < text.size() && Digit(text[i]); ++i)
            ++digits;
    if (digits == 0) return 0;
    if (real && i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        size_t e = i + 1;
        if (e < text.size() && (text[e] == L'+' || text[e] == L'-')) ++e;
        if (e < text.size() && Digit(text[e])) {
            while (e < text.size() && Digit(text[e]))
                ++e;
            i = e;
        }
    }
    return i;
}

long long ReadInteger(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && !Digit(text[i]) && text[i] != L'-')
        ++i;
    bool negative = i < text.size() && text[i] == L'-';
    long long value = 0;
    for (i += negative ? 1 : 0; i < text.size() && Digit(text[i]) && value < 100000000000LL; ++i)
        value = value * 10 + (text[i] - L'0');
    return negative ? -value : value;
}

struct SValue {
    bool bPresent = false;
    std::wstring sText; // as written, between "=" and ";"
};

// As the device reads "key=value;": the first occurrence of the key decides and must be followed by "=".
SValue Find(const std::wstring& text, const std::wstring& key, bool& notFollowed) {
    SValue value;
    size_t at = text.find(key);
    notFollowed =
        at != std::wstring::npos && (at + key.size() >= text.size() || text[at + key.size()] != L'=');
    if (at == std::wstring::npos || notFollowed) return value;
    size_t start = at + key.size() + 1, end = text.find(L';', start);
    value.bPresent = true;
    value.sText = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    return value;
}

// NI-DAQmx's channel names ignore case.
bool SameChannel(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i] >= L'A' && a[i] <= L'Z' ? a[i] + 32 : a[i];
        wchar_t y = b[i] >= L'A' && b[i] <= L'Z' ? b[i] + 32 : b[i];
        if (x != y) return false;
    }
    return true;
}

bool NamesNone(const std::wstring& name) {
    std::wstring trimmed = Trimmed(name);
    return trimmed.empty() || trimmed == L"None";
}

// Three decimals and a point whatever the process locale.
std::wstring Volts(float value) {
    char text[48];
    snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    std::wstring wide;
    for (const char* c = text; *c; ++c)
        wide += *c == ',' ? L'.' : static_cast<wchar_t>(*c);
    return wide;
}

std::wstring Ranges(const SAOMCheckBoard& board) {
    std::wstring text;
    for (size_t i = 0; i + 1 < board.afRanges.size(); i += 2)
        text += (i ? L", " : L"") + Volts(board.afRanges[i]) + L" to " + Volts(board.afRanges[i + 1]) + L" V";
    return text;
}

bool InSomeRange(double value, const SAOMCheckBoard& board) {
    float v = static_cast<float>(value);
    for (size_t i = 0; i + 1 < board.afRanges.size(); i += 2)
        if (v >= board.afRanges[i] && v <= board.afRanges[i + 1]) return true;
    return false;
}
} // namespace

std::vector<std::wstring> AOMCheckConfiguration(const wchar_t* configuration,
                                                const std::vector<SAOMCheckChannel>& channels,
                                                const std::vector<SAOMCheckBoard>& boards) {
    std::vector<std::wstring> findings;
    std::wstring text = configuration ? configuration : L"";
    for (int i = 0; i < kLines; ++i) {
        std::wstring index = L"[" + std::to_wstring(i) + L"]";
        SValue values[kKeyCount];
        bool scanned[kKeyCount] = {};
        for (int k = 0; k < kKeyCount; ++k) {
            std::wstring key = kKeys[k] + index;
            bool notFollowed = false;
            values[k] = Find(text, key, notFollowed);
            if (notFollowed) findings.push_back(key + L" is not followed by \"=\": it is not read");
            if (!values[k].bPresent || k >= kFirstText) continue;
            size_t length = NumberLength(values[k].sText, k > 1);
            std::wstring shown = key + L"=" + Trimmed(values[k].sText);
            scanned[k] = length > 0;
            if (length == 0)
                findings.push_back(shown + L" is not a number: it is not read");
            else if (!Trimmed(values[k].sText.substr(length)).empty())
                findings.push_back(shown + L" is read as " + Trimmed(values[k].sText.substr(0, length)) +
                                   L": the rest is ignored");
        }
        // A key the text leaves out keeps the device's earlier value: only what the text says is judged.
        if (scanned[0] && ReadInteger(values[0].sText) != 0) continue; // an empty position
        if (!scanned[1]) continue;
        long long channel = ReadInteger(values[1].sText);
        if (channel < 0 || channel > 256) continue; // refused, the earlier index kept
        const SValue& name = values[5];
        if (channel == 0) {
            if (scanned[0])
                findings.push_back(L"line " + index + L" is fitted but has no channel (iIndex" + index +
                                   L"=0): its power changes fail");
            continue;
        }
        const SAOMCheckChannel* listed = static_cast<size_t>(channel) <= channels.size()
                                             ? &channels[static_cast<size_t>(channel) - 1]
                                             : nullptr;
        bool named = name.bPresent && !NamesNone(name.sText);
        if (name.bPresent && (!listed || !named || !SameChannel(name.sText, listed->sName))) {
            std::wstring finding =
                L"iIndex" + index + L"=" + std::to_wstring(channel) + L" names " +
                (listed ? listed->sName : L"no channel (" + std::to_wstring(channels.size()) + L" found)") +
                L" but sChannel_Name" + index + L" names " + (named ? name.sText : std::wstring(L"none"));
            findings.push_back(finding + (named ? L": the line's voltage goes to " + name.sText
                                                : std::wstring(L": its power changes fail")));
        }
        // The ranges of the board the voltage goes to, else of the one iIndex names.
        const SAOMCheckChannel* target = listed;
        for (const SAOMCheckChannel& c : channels)
            if (named && SameChannel(name.sText, c.sName)) target = &c;
        if (!target || target->iBoard < 0 || static_cast<size_t>(target->iBoard) >= boards.size()) continue;
        const SAOMCheckBoard& board = boards[static_cast<size_t>(target->iBoard)];
        if (board.afRanges.empty()) continue;
        for (int k = 2; k <= 3; ++k) {
            double volts = 0.0;
            if (!scanned[k] || !QV_StringToDouble(values[k].sText.c_str(), &volts) ||
                InSomeRange(volts, board))
                continue;
            findings.push_back(std::wstring(kKeys[k]) + index + L"=" + Trimmed(values[k].sText) +
                               L" is outside every range of " + board.sName + L" (" + Ranges(board) +
                               L"): NI-DAQmx refuses it");
        }
    }
    return findings;
}

void AOMWarnAboutConfiguration(const CQvAOMTAVO& device, const wchar_t* text) {
    std::vector<SAOMCheckBoard> boards;
    int boardCount =
        device.m_iDAQBoardCount < AOM_MAX_DAQ_BOARDS ? device.m_iDAQBoardCount : AOM_MAX_DAQ_BOARDS;
    for (int b = 0; b < boardCount; ++b) {
        const SDAQBoard& found = device.m_DAQBoards[b];
        SAOMCheckBoard board;
        board.sName = found.sName.GetString();
        int ranges = found.iAORangeCount < AOM_MAX_AO_RANGES ? found.iAORangeCount : AOM_MAX_AO_RANGES;
        for (int r = 0; r < ranges; ++r) {
            board.afRanges.push_back(found.afAORangeLow[r]);
            board.afRanges.push_back(found.afAORangeHigh[r]);
        }
        // A board filled without its list (the simulator's) still has the range it uses.
        if (ranges <= 0 && found.fAORangeLow < found.fAORangeHigh) {
            board.afRanges.push_back(found.fAORangeLow);
            board.afRanges.push_back(found.fAORangeHigh);
        }
        boards.push_back(board);
    }
    std::vector<SAOMCheckChannel> channels;
    int channelCount =
        device.m_iAOChannelCount < AOM_MAX_AO_CHANNELS ? device.m_iAOChannelCount : AOM_MAX_AO_CHANNELS;
    for (int c = 0; c < channelCount; ++c)
        channels.push_back({device.m_AOChannelNames[c].GetString(), device.m_AOChannels[c].iBoardIndex});
    // The merged list ends in ", ", which leaves an empty end entry: no channel.
    while (!channels.empty() && channels.back().sName.empty())
        channels.pop_back();
    for (const std::wstring& finding : AOMCheckConfiguration(text, channels, boards))
        AOM_ALWAYS(L"WARNING: CQvAOMTAVO::ConfigureDevice - %s", finding.c_str());
}
