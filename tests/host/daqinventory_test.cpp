// The scan's look at NI-DAQmx: every form in which the library says a buffer was too small is asked again,
// and the library is read with queries only. Its lists' split is QvhostScan's and the daq_list fuzzer's.
#include "daqbuffers.h"
#include "daqinventory.h"

#include "../fakedaqmx/fake_library.h"

#include <algorithm>
#include <string.h>

namespace {

// A list as the library answers it: the text may grow from one call to the next, and a read into a
// buffer that is too small gets one of the library's answers.
const int32_t kAnswersTheSize = 1; // the too-small read returns the size it needs
struct ScriptedList {
    std::vector<std::string> texts; // the text at each call; the last one stays
    int32_t tooSmall = kDaqErrorBufferTooSmallForString;
    uint32_t undercount = 0; // the size query names this much less than needed
    int calls = 0;
    uint32_t largest = 0; // the largest buffer it was given

    int32_t operator()(char* data, uint32_t size) {
        const std::string& text = texts[std::min(static_cast<size_t>(calls++), texts.size() - 1)];
        if (data) largest = std::max(largest, size);
        uint32_t needed = static_cast<uint32_t>(text.size()) + 1;
        if (!data || size == 0) return static_cast<int32_t>(needed - undercount);
        if (size >= needed) {
            memcpy(data, text.c_str(), needed);
            return 0;
        }
        if (tooSmall == kAnswersTheSize) return static_cast<int32_t>(needed);
        if (tooSmall == kDaqWarningStringTruncated) {
            memcpy(data, text.data(), size - 1);
            data[size - 1] = 0;
        } else {
            data[0] = 0;
        }
        return tooSmall;
    }
};

TEST(DaqBuffers, EveryTooSmallAnswerIsAskedAgainUntilTheWholeTextIsRead) {
    const std::vector<std::string> grows = {"Dev1", "Dev1, Dev2", "Dev1, Dev2"};
    struct {
        const char* what;
        ScriptedList list;
        int32_t status;
        std::string text;
    } cases[] = {
        {"steady", {{"Dev1, Dev2"}}, 0, "Dev1, Dev2"},
        {"grew, -200228", {grows, kDaqErrorBufferTooSmallForString}, 0, "Dev1, Dev2"},
        {"grew, -200229", {grows, kDaqErrorReadBufferTooSmall}, 0, "Dev1, Dev2"},
        {"grew, cut to fit with 200026", {grows, kDaqWarningStringTruncated}, 0, "Dev1, Dev2"},
        {"grew, answers the size", {grows, kAnswersTheSize}, 0, "Dev1, Dev2"},
        {"size named short, cut", {{"Dev1, Dev2"}, kDaqWarningStringTruncated, 6}, 0, "Dev1, Dev2"},
        {"keeps growing",
         {{"a", "ab", "abc", "abcd", "abcde", "abcdef", "abcdefg", "abcdefgh", "abcdefghi", "abcdefghij",
           "abcdefghijk", "abcdefghijkl"}},
         kDaqErrorBufferTooSmallForString,
         ""},
        {"empty", {{""}}, 0, ""},
    };
    for (auto& c : cases) {
        std::string text = "left over";
        ScriptedList& list = c.list;
        EXPECT_EQ(c.status, ReadDaqString([&](char* d, uint32_t n) { return list(d, n); }, text)) << c.what;
        EXPECT_EQ(c.text, text) << c.what;
        EXPECT_GT(64u, list.largest) << c.what << ": a warning's code is no size";
    }

    // A failure is passed on, and an answer beyond any sensible size is not allocated.
    std::string text;
    EXPECT_EQ(-200220, ReadDaqString([](char*, uint32_t) { return -200220; }, text));
    EXPECT_EQ(kDaqErrorBufferTooSmallForString,
              ReadDaqString([](char* d, uint32_t) { return d ? 0 : 0x7FFFFFFF; }, text));
    // The library's text is taken up to its NUL only, and never beyond the buffer.
    EXPECT_EQ(0, ReadDaqString(
                     [](char* d, uint32_t n) {
                         if (d) memset(d, 'x', n);
                         return d ? 0 : 4;
                     },
                     text));
    EXPECT_EQ("xxxx", text);
}

TEST(DaqBuffers, RangesAreAskedAgainWhenTheArrayIsTooSmall) {
    for (int32_t tooSmall : {kDaqErrorWriteBufferTooSmall, kDaqErrorReadBufferTooSmall, kAnswersTheSize}) {
        int calls = 0;
        std::vector<double> values;
        // Two ranges at the size query, three at the first read.
        int32_t status = ReadDaqArray(
            [&](double* data, uint32_t size) -> int32_t {
                uint32_t needed = ++calls == 1 ? 4 : 6;
                if (!data) return static_cast<int32_t>(needed);
                if (size < needed)
                    return tooSmall == kAnswersTheSize ? static_cast<int32_t>(needed) : tooSmall;
                for (uint32_t i = 0; i < needed; ++i)
                    data[i] = i % 2 ? 1.0 * (i + 1) : -1.0 * (i + 1);
                return 0;
            },
            values);
        EXPECT_EQ(0, status) << tooSmall;
        EXPECT_EQ(std::vector<double>({-1, 2, -3, 4, -5, 6}), values) << tooSmall;
    }
}

// The library, its version and its board list each say what is missing, read with queries only: no task,
// no voltage. The boards' own answers, and a query of one board that fails, are QvhostScan's.
TEST(DaqInventory, TheLibraryItsVersionAndItsBoardListSayWhatIsMissingReadWithQueriesOnly) {
    struct {
        const char* variant;
        const char* scenario;
        bool loaded, hasVersion;
        unsigned major, minor;
        const wchar_t* problem; // the start of it
        const wchar_t* versionProblem;
        size_t boards;
    } cases[] = {
        {"full", "", true, true, 8, 9, L"", L"", 0},
        {"v7", "board Dev1", true, true, 7, 4, L"", L"", 1},
        {"noversion", "board Dev1", true, false, 0, 0, L"",
         L"the library has no function DAQmxGetSysNIDAQMajorVersion", 1},
        {"full", "board Dev1\nfault DAQmxGetSysDevNames -200220", true, true, 8, 9,
         L"DAQmxGetSysDevNames failed with NI-DAQmx code -200220", L"", 0},
        {"full", "fault DAQmxGetSysNIDAQMinorVersion -200220", true, false, 8, 0, L"",
         L"DAQmxGetSysNIDAQMinorVersion failed with NI-DAQmx code -200220", 0},
        {"none", nullptr, false, false, 0, 0, L"nicaiu.dll was not found: ", L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + ": " + (c.scenario ? c.scenario : "no library"));
        // Loaded here too, so that its call log outlives the inventory's own load.
        std::wstring dir = FakeDaqmxDir(c.variant);
        SetDllDirectoryW(dir.c_str());
        HMODULE daq = LoadLibraryW((dir + L"\\nicaiu.dll").c_str());
        if (c.scenario) {
            ASSERT_EQ(0, FAKEDAQMX(daq, fakedaqmx_LoadScenarioText)(c.scenario));
        }
        SDaqInventory inventory = ReadDaqInventory();
        SetDllDirectoryW(nullptr);
        EXPECT_EQ(c.loaded, inventory.loaded);
        EXPECT_EQ(c.hasVersion, inventory.hasVersion);
        if (c.hasVersion) {
            EXPECT_EQ(c.major, inventory.major);
            EXPECT_EQ(c.minor, inventory.minor);
        }
        EXPECT_EQ(0u, inventory.problem.find(c.problem))
            << std::string(inventory.problem.begin(), inventory.problem.end());
        EXPECT_EQ(0u, inventory.versionProblem.find(c.versionProblem))
            << std::string(inventory.versionProblem.begin(), inventory.versionProblem.end());
        EXPECT_EQ(c.boards, inventory.boards.size());
        if (!daq) continue;
        std::string log = FetchString(FAKEDAQMX(daq, fakedaqmx_GetCallLog));
        for (size_t start = 0, end; start < log.size(); start = end + 1) {
            end = log.find('\n', start);
            EXPECT_EQ(0u, log.compare(start, 8, "DAQmxGet")) << log.substr(start, end - start);
        }
        EXPECT_EQ(0, FAKEDAQMX(daq, fakedaqmx_TaskCount)());
        FreeLibrary(daq);
    }
}

} // namespace
