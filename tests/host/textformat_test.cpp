// The host's own readers and writers of text: numbers typed in scripts, numbers printed, change records
// turned into lines, the two numberings of the lines, and mistyped commands.
#include "changetext.h"
#include "linenumbers.h"
#include "numbers.h"
#include "scriptline.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <string.h>

namespace {

TEST(HostNumbers, IntegersAreReadStrictly) {
    struct {
        const char* text;
        bool ok;
        long long value;
    } cases[] = {
        {"0", true, 0},      {"60000", true, 60000},
        {"+7", true, 7},     {"-1", false, 0},
        {"60001", false, 0}, {"", false, 0},
        {"-", false, 0},     {" 1", false, 0},
        {"1 ", false, 0},    {"1.0", false, 0},
        {"0x10", false, 0},  {"1e3", false, 0},
        {"١", false, 0},     {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        long long value = 12345;
        EXPECT_EQ(c.ok, ParseInteger(c.text, 0, 60000, value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : 12345, value) << c.text << ": a refused text leaves the value alone";
    }
}

TEST(HostNumbers, DecimalsAreReadStrictlyInAnyLocale) {
    // A decimal comma in the C runtime must not change what a script means.
    std::string saved = setlocale(LC_ALL, nullptr);
    bool german = setlocale(LC_ALL, "German_Germany.1252") && localeconv()->decimal_point[0] == ',';
    struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"50", true, 50.0},     {"12.5", true, 12.5}, {"0.1", true, 0.1},
        {"-0.25", true, -0.25}, {"100.0", true, 100}, {"50,5", false, 0},
        {"5.", false, 0},       {".5", false, 0},     {"1e1", false, 0},
        {"nan", false, 0},      {"inf", false, 0},    {"", false, 0},
        {"1.2.3", false, 0},    {"12 ", false, 0},    {"1234567890123456", false, 0},
    };
    for (const auto& c : cases) {
        double value = -99.0;
        EXPECT_EQ(c.ok, ParseDecimal(c.text, value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : -99.0, value) << c.text;
    }
    EXPECT_EQ(L"2.250", FormatFixed(2.25, 3));
    setlocale(LC_ALL, saved.c_str());
    EXPECT_TRUE(german) << "the C runtime must accept a German locale for this test to mean anything";
}

TEST(HostNumbers, FixedPointTextRoundsToTheDigitsAsked) {
    struct {
        double value;
        int decimals;
        const wchar_t* text;
    } cases[] = {
        {0.0, 1, L"0.0"},      {50.0, 1, L"50.0"}, {25.56, 1, L"25.6"},   {0.04, 1, L"0.0"},
        {-0.25, 3, L"-0.250"}, {1.5, 3, L"1.500"}, {0.0006, 3, L"0.001"}, {7.0, 0, L"7"},
        {-0.04, 1, L"0.0"},    {1e300, 1, L"inf"}, {-1e300, 3, L"-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, FormatFixed(c.value, c.decimals)) << c.value;
}

// A record of kind 3, subkind 1, all zero.
SHostChange Change(uint32_t key) {
    return SHostChange{key, 3, 1, std::vector<uint8_t>(SQvDMChangeRecord::DataSize, 0)};
}

template <class T> void Put(SHostChange& change, size_t offset, T value) {
    memcpy(change.data.data() + offset, &value, sizeof value);
}

// Implausible contents stay inside the record. The shutter's records, as the multi-laser's with a position
// the unit chose, are read in QvhostSession.SimulatorSessionEndToEnd.
TEST(HostChangeText, RecordsReadAsOneLineWithinTheRecord) {
    SHostChange laser = Change(101);
    Put<uint32_t>(laser, 0, 3);
    Put<uint8_t>(laser, 5, 1);
    Put<uint8_t>(laser, 6, 7); // any non-zero flag is "used"
    Put<double>(laser, 104 + 8, 50.0);
    Put<double>(laser, 104 + 16, 99.96);
    Put<int32_t>(laser, 372, 2);
    EXPECT_EQ(L"multilaser 101 used 0 1 1 power 0.0 50.0 100.0 position 2 (unit line 3)",
              DescribeChange(laser, 101, 102));

    EXPECT_EQ(L"change 7 kind 3 subkind 1", DescribeChange(Change(7), 101, 102));

    laser = Change(101);
    Put<uint32_t>(laser, 0, 0xFFFFFFFFu); // a line count far beyond the record
    std::wstring text = DescribeChange(laser, 101, 102);
    EXPECT_EQ(0u, text.find(L"multilaser 101 used 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 power")) << text;

    SHostChange shortRecord = Change(101);
    shortRecord.data.resize(2);
    EXPECT_EQ(L"multilaser 101 used power position 0 (unit line 1)", DescribeChange(shortRecord, 101, 102));
}

// The host counts visible lines from 0, skipping empty positions; the unit numbers its lines 1 to 3.
TEST(HostLineNumbers, EachVisibleLineIsNamedWithTheUnitsLine) {
    struct {
        const wchar_t* configuration;
        uint32_t visible;
        std::vector<int> unitLines;
    } cases[] = {
        {L"", 3, {1, 2, 3}}, // no flag: not empty
        {L"bEmpty[0]=1;sLineName[0]=Off;", 2, {2, 3}},
        {L"fValMax[0]=  5.0;sLineName[1]=Two;bEmpty[2]=1;", 2, {1, 2}},
        {L"bEmpty[0]=0;bEmpty[1]=1;bEmpty[2]=0;", 2, {1, 3}},
        {L"bEmpty[1]= 1;bEmpty[2]=1 ;", 1, {1}},
        {L"bEmpty[0]=1;bEmpty[0]=0;", 3, {1, 2, 3}}, // the last entry counts
        {L"bEmpty[0]=1;", 3, {}},                    // the device says otherwise: unknown
        {L"bEmpty[3]=1;bEmpty[x]=1;xbEmpty[1]=1;bEmpty[1]", 3, {1, 2, 3}},
        {L"sLineName[0]=a;bEmpty[1]=1;b;", 2, {1, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.unitLines, UnitLinesOfVisibleLines(c.configuration, c.visible)) << c.configuration;
    EXPECT_EQ(L"", UnitLineNote({2, 3}, 2));
    EXPECT_EQ(L"", UnitLineNote({}, 0));
}

TEST(HostScriptLine, AMistypedCommandNamesTheNearestOneOnly) {
    const std::vector<std::string> names = {"lines",         "power", "used",  "connect", "configure",
                                            "configuration", "scan",  "state", "save",    "help"};
    struct {
        const char* word;
        const char* nearest;
    } cases[] = {
        {"LINES", "lines"}, // letter case aside
        {"line", "lines"},  // a letter dropped
        {"halp", "help"},   // changed
        {"help!", "help"},  // added
        {"configuraton", "configuration"},
        {"sav", "save"},
        {"pwr", ""}, // two edits are more than half of a short word
        {"frobnicate", ""},
        {"x", ""},
        {"", ""},
        {std::string(100, 'a').c_str(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nearest, NearestWord(c.word, names)) << c.word;
}

} // namespace
