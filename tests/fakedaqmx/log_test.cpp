// What the driver did, as the call log and the last voltage of each channel.
#include <algorithm>
#include <atomic>
#include <clocale>
#include <thread>

#include "fake_library.h"

namespace {

class LogTest : public FakeDaqmxTest {};

TEST_F(LogTest, VoltagesPerChannelIgnoringTheLocale) {
    // A process locale with a decimal comma must not leak into the texts.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    bool commaLocale = std::setlocale(LC_ALL, "German_Germany.1252") || std::setlocale(LC_ALL, "de-DE");
    TaskHandle a = AOTask("Dev1/ao0"), b = AOTask("Dev1/ao3");
    lib.DAQmxWriteAnalogScalarF64(b, 1, 1.0, -0.125, nullptr);
    lib.DAQmxWriteAnalogScalarF64(a, 1, 1.0, 1.0 / 3, nullptr);
    lib.DAQmxWriteAnalogScalarF64(a, 1, 1.0, 2.5, nullptr);
    std::string list = FetchString([&](char* buf, uInt32 n) { return lib.fakedaqmx_ListVoltages(buf, n); });
    std::string log = CallLog();
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(list, "Dev1/ao0 2.5\nDev1/ao3 -0.125\n");
    EXPECT_NE(log.find("0.333, null) = 0"), std::string::npos) << log;
    double v = 0;
    EXPECT_EQ(lib.fakedaqmx_GetLastVoltage("dev1/AO3", &v), 1);
    EXPECT_EQ(v, -0.125);
    EXPECT_EQ(lib.fakedaqmx_GetLastVoltage("Dev1/ao1", &v), 0);
    if (!commaLocale) GTEST_SKIP() << "no decimal-comma locale here; the texts were still checked";
}

TEST_F(LogTest, WorkerThreadWritesWhileTestsRead) {
    TaskHandle task = AOTask("Dev1/ao0");
    lib.fakedaqmx_ClearCallLog();
    constexpr int kWrites = 2000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kWrites; ++i)
            lib.DAQmxWriteAnalogScalarF64(task, 1, 1.0, i / 1000.0, nullptr);
        done = true;
    });
    // The log grows between the size query and the fetch, so ask again as a driver would.
    auto growing = [&](const std::function<int32(char*, uInt32)>& call) {
        for (;;) {
            std::string text(static_cast<size_t>(call(nullptr, 0)), '\0');
            int32 status = call(&text[0], static_cast<uInt32>(text.size()));
            if (status == 0) return text.substr(0, text.find('\0'));
            EXPECT_EQ(status, DAQmxErrorBufferTooSmallForString);
        }
    };
    int reads = 0;
    while (!done) {
        std::string log = growing([&](char* b, uInt32 n) { return lib.fakedaqmx_GetCallLog(b, n); });
        for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
            ASSERT_EQ(log.compare(at, 4, "DAQm"), 0) << log.substr(at, end - at);
        growing([&](char* b, uInt32 n) { return lib.fakedaqmx_ListVoltages(b, n); });
        ++reads;
    }
    worker.join();
    std::string log = CallLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kWrites);
    double v = 0;
    lib.fakedaqmx_GetLastVoltage("Dev1/ao0", &v);
    EXPECT_EQ(v, (kWrites - 1) / 1000.0);
    EXPECT_GT(reads, 0);
}

} // namespace
