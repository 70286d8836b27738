#include "configcheck.h"

#include "numbers.h"
#include "settingsvalue.h"

#include <qv/qvsystem.h>

namespace {
const int kLines = 3;
const wchar_t* const kKeys[] = {L"bEmpty",     L"iIndex",        L"fValMin",  L"fValMax",
                                L"fValLambda", L"sChannel_Name", L"sLineName"};

bool Blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Trimmed(const std::wstring& text) {
    size_t start = 0, end = text.size();
    while (start < end && Blank(text[start]))
        ++start;
    while (end > start && Blank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

bool Digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The length of the number the device reads at the start of text (after blanks), 0 when it reads none: an
// integer with an optional sign, or a real that may have a point, a fraction and an exponent.
size_t NumberLength(const std::wstring& text, bool real) {
    size_t i = 0;
    while (i < text.size() && (Blank(text[i]) || (!real && (text[i] == L'\r' || text[i] == L'\n' ||
                                                            text[i] == L'\v' || text[i] == L'\f'))))
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

struct SValue {
    bool present = false;
    std::wstring text; // as written, between "=" and ";"
};

// The device's reading of "key=value;": the first occurrence of the key decides, and must be followed by
// "="; notFollowed tells when it is there without one.
SValue Find(const std::wstring& text, const std::wstring& key, bool& notFollowed) {
    SValue value;
    value.present = SettingsValue(text, key, value.text);
    notFollowed = !value.present && text.find(key) != std::wstring::npos;
    return value;
}

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

std::wstring Ranges(const SCheckBoard& board) {
    std::wstring text;
    for (size_t i = 0; i + 1 < board.ranges.size(); i += 2)
        text += (i ? L", " : L"") + FormatFixed(board.ranges[i], 3) + L" to " +
                FormatFixed(board.ranges[i + 1], 3) + L" V";
    return text;
}

// Compared in single precision, as the device keeps both the value and the ranges.
bool InSomeRange(double value, const SCheckBoard& board) {
    float v = static_cast<float>(value);
    for (size_t i = 0; i + 1 < board.ranges.size(); i += 2)
        if (v >= static_cast<float>(board.ranges[i]) && v <= static_cast<float>(board.ranges[i + 1]))
            return true;
    return false;
}

// The number NumberLength found, read as the device reads it.
double ReadReal(const std::wstring& text) {
    double value = 0.0;
    return QV_StringToDouble(text.c_str(), &value) ? value : 0.0;
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
} // namespace

std::vector<std::wstring> CheckConfigurationText(const std::wstring& text,
                                                 const std::vector<SCheckChannel>& channels,
                                                 const std::vector<SCheckBoard>& boards) {
    std::vector<std::wstring> findings;
    for (int i = 0; i < kLines; ++i) {
        std::wstring index = L"[" + std::to_wstring(i) + L"]";
        SValue values[7];
        bool scanned[7] = {};
        for (int k = 0; k < 7; ++k) {
            std::wstring key = kKeys[k] + index;
            bool notFollowed = false;
            values[k] = Find(text, key, notFollowed);
            if (notFollowed) findings.push_back(key + L" is not followed by \"=\": it is not read");
            if (!values[k].present || k > 4) continue;
            size_t length = NumberLength(values[k].text, k > 1);
            std::wstring shown = key + L"=" + Trimmed(values[k].text);
            scanned[k] = length > 0;
            if (length == 0)
                findings.push_back(shown + L" is not a number: it is not read");
            else if (!Trimmed(values[k].text.substr(length)).empty())
                findings.push_back(shown + L" is read as " + Trimmed(values[k].text.substr(0, length)) +
                                   L": the rest is ignored");
        }
        // A key the text leaves out keeps the device's earlier value: only what the text says is judged.
        if (scanned[0] && ReadInteger(values[0].text) != 0) continue; // an empty position
        if (!scanned[1]) continue;
        long long channel = ReadInteger(values[1].text);
        if (channel < 0 || channel > 256) continue; // refused, the earlier index kept
        const SValue& name = values[5];
        if (channel == 0) {
            if (scanned[0])
                findings.push_back(L"line " + index + L" is fitted but has no channel (iIndex" + index +
                                   L"=0): its power changes fail");
            continue;
        }
        const SCheckChannel* listed = static_cast<size_t>(channel) <= channels.size()
                                          ? &channels[static_cast<size_t>(channel) - 1]
                                          : nullptr;
        bool named = name.present && !NamesNone(name.text);
        if (name.present && (!listed || !named || !SameChannel(name.text, listed->name))) {
            std::wstring finding =
                L"iIndex" + index + L"=" + std::to_wstring(channel) + L" names " +
                (listed ? listed->name : L"no channel (" + std::to_wstring(channels.size()) + L" found)") +
                L" but sChannel_Name" + index + L" names " + (named ? name.text : L"none");
            findings.push_back(finding + (named ? L": the line's voltage goes to " + name.text
                                                : std::wstring(L": its power changes fail")));
        }
        // The board of the channel the voltage goes to, else of the one iIndex names.
        const SCheckChannel* target = listed;
        for (const SCheckChannel& c : channels)
            if (named && SameChannel(name.text, c.name)) target = &c;
        if (!target || target->board >= boards.size() || boards[target->board].ranges.empty()) continue;
        const SCheckBoard& board = boards[target->board];
        for (int k = 2; k <= 3; ++k) {
            if (!scanned[k]) continue;
            if (InSomeRange(ReadReal(values[k].text), board)) continue;
            findings.push_back(std::wstring(kKeys[k]) + index + L"=" + Trimmed(values[k].text) +
                               L" is outside every range of " + board.name + L" (" + Ranges(board) +
                               L"): NI-DAQmx refuses it");
        }
    }
    return findings;
}

namespace {
// %5.1f with a point whatever the locale, rounded toward the inside of [low, high].
std::wstring SettingVolts(double value, bool up) {
    double tenths = value * 10.0;
    long long rounded = static_cast<long long>(tenths);
    if (up && rounded < tenths) ++rounded;
    if (!up && rounded > tenths) --rounded;
    std::wstring text = FormatFixed(static_cast<double>(rounded) / 10.0, 1);
    return text.size() < 5 ? std::wstring(5 - text.size(), L' ') + text : text;
}
} // namespace

std::wstring SuggestConfigurationText(const std::vector<SCheckChannel>& channels,
                                      const std::vector<SCheckBoard>& boards, std::wstring& range) {
    static const wchar_t* const kWavelengths[kLines] = {L"488.0", L"561.0", L"640.0"};
    const double kHighest = 5.0;
    std::wstring text;
    range.clear();
    if (channels.empty()) return text;
    for (int i = 0; i < kLines; ++i) {
        std::wstring index = L"[" + std::to_wstring(i) + L"]";
        if (static_cast<size_t>(i) >= channels.size()) {
            text += L"bEmpty" + index + L"=1;iIndex" + index + L"=0;fValMin" + index + L"=  0.0;fValMax" +
                    index + L"=  0.0;fValLambda" + index + L"=" + kWavelengths[i] + L";sChannel_Name" +
                    index + L"=None;";
            continue;
        }
        const SCheckChannel& channel = channels[static_cast<size_t>(i)];
        // The first range of the board that holds 0 V and more, else its first range.
        double low = 0.0, high = kHighest;
        if (channel.board < boards.size() && boards[channel.board].ranges.size() >= 2) {
            const std::vector<double>& r = boards[channel.board].ranges;
            low = r[0];
            high = r[1];
            for (size_t k = 0; k + 1 < r.size(); k += 2)
                if (r[k] <= 0.0 && r[k + 1] > 0.0) {
                    low = 0.0;
                    high = r[k + 1] < kHighest ? r[k + 1] : kHighest;
                    break;
                }
        }
        std::wstring minimum = SettingVolts(low, true), maximum = SettingVolts(high, false);
        if (i == 0) range = Trimmed(minimum) + L" to " + Trimmed(maximum) + L" V";
        text += L"bEmpty" + index + L"=0;iIndex" + index + L"=" + std::to_wstring(i + 1) + L";fValMin" +
                index + L"=" + minimum + L";fValMax" + index + L"=" + maximum + L";fValLambda" + index +
                L"=" + kWavelengths[i] + L";sChannel_Name" + index + L"=" + channel.name + L";";
    }
    return text;
}
