// The size-query convention, and what a buffer that is too small gets.
#include <cstring>
#include <vector>

#include "fake_library.h"

namespace {

using StringCall = std::function<int32(char*, uInt32)>;

class BufferTest : public FakeDaqmxTest {};

TEST_F(BufferTest, StringQueriesFollowTheSizeConvention) {
    TaskHandle task = AOTask("Dev1/ao0");
    ASSERT_EQ(lib.DAQmxWriteAnalogScalarF64(task, 1, 1.0, 1.5, nullptr), 0);
    struct Case {
        const char* what;
        StringCall call;
        std::string expected;
    } cases[] = {
        {"dev names", [&](char* b, uInt32 n) { return lib.DAQmxGetSysDevNames(b, n); }, "Dev1"},
        {"ao chans", [&](char* b, uInt32 n) { return lib.DAQmxGetDevAOPhysicalChans("Dev1", b, n); },
         "Dev1/ao0, Dev1/ao1, Dev1/ao2, Dev1/ao3"},
        {"co chans", [&](char* b, uInt32 n) { return lib.DAQmxGetDevCOPhysicalChans("Dev1", b, n); },
         "Dev1/ctr0, Dev1/ctr1"},
        {"product type", [&](char* b, uInt32 n) { return lib.DAQmxGetDevProductType("Dev1", b, n); },
         "PCI-6272"},
        {"voltages", [&](char* b, uInt32 n) { return lib.fakedaqmx_ListVoltages(b, n); }, "Dev1/ao0 1.5\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32 needed = static_cast<int32>(c.expected.size() + 1);
        std::vector<char> buf(needed + 8, 'x');
        EXPECT_EQ(c.call(nullptr, 0), needed);
        EXPECT_EQ(c.call(buf.data(), 0), needed);
        EXPECT_EQ(buf[0], 'x') << "a size query must not touch the buffer";

        EXPECT_EQ(c.call(buf.data(), needed - 1), DAQmxErrorBufferTooSmallForString);
        EXPECT_EQ(buf[0], '\0');
        for (size_t i = needed - 1; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], 'x') << "wrote past the given size at " << i;

        EXPECT_EQ(c.call(buf.data(), needed), 0);
        EXPECT_EQ(std::string(buf.data()), c.expected);
        EXPECT_EQ(buf[needed], 'x');
    }
}

TEST_F(BufferTest, ErrorTextIsTruncatedWithAWarning) {
    lib.DAQmxGetDevProductNum("NoSuchDev", nullptr);
    const std::string full = ExtendedError();
    ASSERT_GT(full.size(), 20u);
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(lib.DAQmxGetExtendedErrorInfo(buf, 10), DAQmxWarningCAPIStringTruncatedToFitBuffer);
    EXPECT_EQ(std::string(buf), full.substr(0, 9));
    EXPECT_EQ(buf[10], 'x');
}

TEST_F(BufferTest, ArraysCountElements) {
    Load("board Dev1 range -10 10 range -5 5");
    std::vector<double> ranges(6, 99.0);
    EXPECT_EQ(lib.DAQmxGetDevAOVoltageRngs("Dev1", nullptr, 0), 4);
    EXPECT_EQ(lib.DAQmxGetDevAOVoltageRngs("Dev1", ranges.data(), 3), DAQmxErrorWriteBufferTooSmall);
    EXPECT_EQ(ranges[0], 99.0);
    ASSERT_EQ(lib.DAQmxGetDevAOVoltageRngs("Dev1", ranges.data(), 4), 0);
    EXPECT_EQ(ranges, (std::vector<double>{-10, 10, -5, 5, 99, 99}));
}

} // namespace
