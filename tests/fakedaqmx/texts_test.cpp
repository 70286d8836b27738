// The texts the stand-in hands out: lists under the size-query convention, scenario errors, the call log
// and the voltages, the last two read while another thread writes.
#include <algorithm>
#include <atomic>
#include <clocale>
#include <thread>
#include <vector>

#include "fake_library.h"

namespace {

using StringCall = std::function<int32(char*, uInt32)>;

class TextTest : public FakeDaqmxTest {};

// A buffer too small for an attribute string is refused, or under "strings truncate" filled as far as it goes
// with the truncation warning; the stand-in's own texts are always refused.
TEST_F(TextTest, StringQueriesFollowTheSizeConvention) {
    for (bool truncate : {false, true}) {
        SCOPED_TRACE(truncate ? "strings truncate" : "strings refused");
        Load(truncate ? "strings truncate\nboard Dev1" : "board Dev1");
        TaskHandle task = AOTask("Dev1/ao0");
        ASSERT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(task, 1, 1.0, 1.5, nullptr), 0);
        struct Case {
            const char* what;
            StringCall call;
            std::string expected;
            bool attribute;
        } cases[] = {
            {"dev names", DAQ(DAQmxGetSysDevNames), "Dev1", true},
            {"ao chans", [&](char* b, uInt32 n) { return DAQ(DAQmxGetDevAOPhysicalChans)("Dev1", b, n); },
             "Dev1/ao0, Dev1/ao1, Dev1/ao2, Dev1/ao3", true},
            {"product type", [&](char* b, uInt32 n) { return DAQ(DAQmxGetDevProductType)("Dev1", b, n); },
             "PCI-6272", true},
            {"voltages", DAQ(fakedaqmx_ListVoltages), "Dev1/ao0 1.5\n", false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            const int32 needed = static_cast<int32>(c.expected.size() + 1);
            std::vector<char> buf(needed + 8, 'x');
            EXPECT_EQ(c.call(nullptr, 0), needed);
            EXPECT_EQ(c.call(buf.data(), 0), needed);
            EXPECT_EQ(buf[0], 'x') << "a size query must not touch the buffer";

            const bool cut = truncate && c.attribute;
            EXPECT_EQ(c.call(buf.data(), needed - 1),
                      cut ? DAQmxWarningCAPIStringTruncatedToFitBuffer : DAQmxErrorBufferTooSmallForString);
            EXPECT_EQ(std::string(buf.data()), cut ? c.expected.substr(0, needed - 2) : "");
            for (size_t i = needed - 1; i < buf.size(); ++i)
                ASSERT_EQ(buf[i], 'x') << "wrote past the given size at " << i;

            EXPECT_EQ(c.call(buf.data(), needed), 0);
            EXPECT_EQ(std::string(buf.data()), c.expected);
            EXPECT_EQ(buf[needed], 'x');
        }
    }
}

TEST_F(TextTest, BadScenarioLinesAreReportedAndLeaveNoBoards) {
    struct {
        const char* text;
        int32 line;
    } cases[] = {
        {"board Dev1\nfrobnicate 1", 2},
        {"board Dev1 product six", 1},
        {"board Dev1\n\nboard dev1", 3},
        {"board Dev1 range 10 -10", 1},
        {"board Dev1\nchantype Dev1/ao9 10101", 2},
        {"board Dev1\nfault DAQmxStartTask", 2},
        {"version 8", 1},
        {"board Dev1 channels ao5:", 1},
        {"board U bus 12586 pci 2", 1},
        {"strings cut", 1},
        {"board Dev1\naom Dev1/ao0 sin2 2 2", 2},
        {"board Dev1\naom Dev1/ao9 sin2 0 5", 2},
        {"board Dev1\naom Dev1/ao0 sin2 0 5 noise -1", 2},
        {"board Dev1\naom Dev1/ao0 sin2 0 nan", 2},
        {"board Dev1\naom Dev1/ao0 sin2 0 5 full", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DAQ(fakedaqmx_LoadScenarioText)(c.text), c.line);
        std::string error = FetchString(DAQ(fakedaqmx_GetScenarioError));
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ":", 0), 0u) << error;
        EXPECT_EQ(DAQ(DAQmxGetSysDevNames)(nullptr, 0), 1);
    }
}

TEST_F(TextTest, VoltagesPerChannelIgnoringTheLocale) {
    // A process locale with a decimal comma must not leak into the texts.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    bool commaLocale = std::setlocale(LC_ALL, "German_Germany.1252") || std::setlocale(LC_ALL, "de-DE");
    TaskHandle a = AOTask("Dev1/ao0"), b = AOTask("Dev1/ao3");
    DAQ(DAQmxWriteAnalogScalarF64)(b, 1, 1.0, -0.125, nullptr);
    DAQ(DAQmxWriteAnalogScalarF64)(a, 1, 1.0, 1.0 / 3, nullptr);
    DAQ(DAQmxWriteAnalogScalarF64)(a, 1, 1.0, 2.5, nullptr);
    std::string list = FetchString(DAQ(fakedaqmx_ListVoltages));
    std::string log = CallLog();
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(list, "Dev1/ao0 2.5\nDev1/ao3 -0.125\n");
    EXPECT_NE(log.find("0.333, null) = 0"), std::string::npos) << log;
    EXPECT_EQ(LastVoltage("dev1/AO3"), -0.125);
    EXPECT_EQ(LastVoltage("Dev1/ao1"), -99);
    if (!commaLocale) GTEST_SKIP() << "no decimal-comma locale here; the texts were still checked";
}

TEST_F(TextTest, LogAndVoltagesAreWholeWhileAnotherThreadWrites) {
    TaskHandle task = AOTask("Dev1/ao0");
    DAQ(fakedaqmx_ClearCallLog)();
    constexpr int kWrites = 2000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kWrites; ++i)
            DAQ(DAQmxWriteAnalogScalarF64)(task, 1, 1.0, i / 1000.0, nullptr);
        done = true;
    });
    // The log grows between the size query and the fetch, so ask again as a driver would.
    auto growing = [&](const StringCall& call) {
        for (;;) {
            std::string text(static_cast<size_t>(call(nullptr, 0)), '\0');
            int32 status = call(&text[0], static_cast<uInt32>(text.size()));
            if (status == 0) return text.substr(0, text.find('\0'));
            if (status != DAQmxErrorBufferTooSmallForString) {
                ADD_FAILURE() << "status " << status;
                return std::string();
            }
        }
    };
    // Failures are only counted inside the loop: the writer must be joined whatever happens.
    int reads = 0, torn = 0;
    while (!done) {
        std::string log = growing(DAQ(fakedaqmx_GetCallLog));
        for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
            torn += log.compare(at, 4, "DAQm") != 0;
        growing(DAQ(fakedaqmx_ListVoltages));
        ++reads;
    }
    worker.join();
    EXPECT_EQ(torn, 0);
    std::string log = CallLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kWrites);
    EXPECT_EQ(LastVoltage("Dev1/ao0"), (kWrites - 1) / 1000.0);
    EXPECT_GT(reads, 0);
}

} // namespace
