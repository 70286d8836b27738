// Task lifecycle, channel creation and attributes, and the checks a write goes through.
#include "fake_library.h"

namespace {

class TaskTest : public FakeDaqmxTest {
protected:
    bool HasVoltage(const char* chan) {
        double v = 0;
        return lib.fakedaqmx_GetLastVoltage(chan, &v) == 1;
    }
};

TEST_F(TaskTest, Lifecycle) {
    TaskHandle a = nullptr, b = nullptr;
    ASSERT_EQ(lib.DAQmxCreateTask("", &a), 0);
    ASSERT_EQ(lib.DAQmxCreateTask("", &b), 0);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(lib.fakedaqmx_TaskCount(), 2);

    ASSERT_EQ(lib.DAQmxCreateAOVoltageChan(a, "Dev1/ao0", "", -10, 10, DAQmx_Val_Volts, nullptr), 0);
    ASSERT_EQ(lib.DAQmxStartTask(a), 0);
    ASSERT_EQ(lib.DAQmxWriteAnalogScalarF64(a, 0, 10.0, 2.5, nullptr), 0);
    ASSERT_EQ(lib.DAQmxStopTask(a), 0);
    ASSERT_EQ(lib.DAQmxClearTask(a), 0);
    EXPECT_EQ(lib.fakedaqmx_TaskCount(), 1);

    EXPECT_EQ(lib.DAQmxWriteAnalogScalarF64(a, 1, 10.0, 3.0, nullptr), DAQmxErrorInvalidTask);
    std::string error = ExtendedError();
    EXPECT_NE(error.find("invalid"), std::string::npos) << error;
    EXPECT_NE(error.find("-200088"), std::string::npos) << error;
    EXPECT_EQ(lib.DAQmxClearTask(a), DAQmxErrorInvalidTask);
    double volts = 0;
    EXPECT_EQ(lib.fakedaqmx_GetLastVoltage("Dev1/ao0", &volts), 1);
    EXPECT_EQ(volts, 2.5);

    lib.fakedaqmx_Reset();
    EXPECT_EQ(lib.fakedaqmx_TaskCount(), 0);
    EXPECT_EQ(lib.DAQmxStartTask(b), DAQmxErrorInvalidTask) << "a reset invalidates old handles";
}

TEST_F(TaskTest, RejectedWrites) {
    struct {
        const char* what;
        const char* channels;
        bool start;
        bool autoStart;
        double value;
        int32 status;
    } cases[] = {
        {"not started, no autostart", "Dev1/ao0", false, false, 1.0,
         DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunningOrCommitted},
        {"above max", "Dev1/ao0", true, false, 5.001, DAQmxErrorSuppliedVoltageDataOutsideRange},
        {"below min", "Dev1/ao0", false, true, -5.5, DAQmxErrorSuppliedVoltageDataOutsideRange},
        {"two channels", "Dev1/ao0, Dev1/ao1", true, false, 1.0, DAQmxErrorWriteNumChansMismatch},
        {"counter", "Dev1/ctr0", true, false, 1.0, DAQmxErrorWriteChanTypeMismatch},
        {"autostart", "Dev1/ao0", false, true, -5.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load("board Dev1 range -10 10 range -5 5");
        TaskHandle task = nullptr;
        ASSERT_EQ(lib.DAQmxCreateTask("", &task), 0);
        const bool counter = std::string(c.channels).find("ctr") != std::string::npos;
        ASSERT_EQ(counter
                      ? lib.DAQmxCreateCOPulseChanTicks(task, c.channels, "", "", 10214, 0, 2, 2)
                      : lib.DAQmxCreateAOVoltageChan(task, c.channels, "", -5, 5, DAQmx_Val_Volts, nullptr),
                  0);
        ASSERT_EQ(c.start ? lib.DAQmxStartTask(task) : 0, 0);
        EXPECT_EQ(lib.DAQmxWriteAnalogScalarF64(task, c.autoStart, 1.0, c.value, nullptr), c.status);
        EXPECT_EQ(HasVoltage("Dev1/ao0"), c.status == 0);
    }
}

TEST_F(TaskTest, RejectedChannelsAndTasks) {
    TaskHandle task = nullptr, named = nullptr;
    ASSERT_EQ(lib.DAQmxCreateTask("ramp", &named), 0);
    EXPECT_EQ(lib.DAQmxCreateTask("Ramp", &task), DAQmxErrorDuplicateTask);
    EXPECT_EQ(lib.DAQmxCreateTask("", nullptr), DAQmxErrorNULLPtrForC_Api);
    ASSERT_EQ(lib.DAQmxCreateTask("", &task), 0);
    struct {
        const char* channel;
        double min, max;
        int32 units;
        int32 status;
    } cases[] = {
        {"Dev1/ao4", -10, 10, DAQmx_Val_Volts, DAQmxErrorPhysicalChanDoesNotExist},
        {"Dev9/ao0", -10, 10, DAQmx_Val_Volts, DAQmxErrorPhysicalChanDoesNotExist},
        {"Dev1/ctr0", -10, 10, DAQmx_Val_Volts, DAQmxErrorPhysicalChanDoesNotExist},
        {"Dev1/ao0", -10, 10, 10349, DAQmxErrorInvalidAttributeValue},
        {"Dev1/ao0", -20, 10, DAQmx_Val_Volts, DAQmxErrorInvalidAttributeValue},
        {"Dev1/ao0", 5, 5, DAQmx_Val_Volts, DAQmxErrorInvalidAttributeValue},
        {"Dev1/ao0", -10, 10, DAQmx_Val_Volts, 0},
        {"dev1/AO0", -10, 10, DAQmx_Val_Volts, DAQmxErrorVirtualChanNameUsed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(lib.DAQmxCreateAOVoltageChan(task, c.channel, "", c.min, c.max, c.units, nullptr),
                  c.status);
    }
    EXPECT_EQ(lib.DAQmxCreateAOVoltageChan(nullptr, "Dev1/ao1", "", -1, 1, DAQmx_Val_Volts, nullptr),
              DAQmxErrorInvalidTask);
}

TEST_F(TaskTest, ChannelAttributes) {
    Load("board Dev1 bits 12 range -10 10 range -5 5");
    TaskHandle task = nullptr;
    ASSERT_EQ(lib.DAQmxCreateTask("", &task), 0);
    ASSERT_EQ(lib.DAQmxCreateAOVoltageChan(task, "Dev1/ao1", "out", -2, 2, DAQmx_Val_Volts, nullptr), 0);
    double high = 0, low = 0, bits = 0;
    EXPECT_EQ(lib.DAQmxGetAODACRngHigh(task, "out", &high), 0);
    EXPECT_EQ(lib.DAQmxGetAODACRngLow(task, "Dev1/ao1", &low), 0);
    EXPECT_EQ(lib.DAQmxGetAOResolution(task, "", &bits), 0);
    EXPECT_EQ(high, 5.0);
    EXPECT_EQ(low, -5.0);
    EXPECT_EQ(bits, 12.0);
    EXPECT_EQ(lib.DAQmxResetAODACRngHigh(task, "out"), 0);
    EXPECT_EQ(lib.DAQmxResetAODACRngLow(task, "out"), 0);
    EXPECT_EQ(lib.DAQmxSetAOVoltageUnits(task, "out", DAQmx_Val_Volts), 0);
    EXPECT_EQ(lib.DAQmxSetAOVoltageUnits(task, "out", DAQmx_Val_Bits), DAQmxErrorInvalidAttributeValue);
    EXPECT_EQ(lib.DAQmxSetAOResolutionUnits(task, "out", DAQmx_Val_Bits), 0);
    EXPECT_EQ(lib.DAQmxSetAOResolutionUnits(task, "out", DAQmx_Val_Volts), DAQmxErrorInvalidAttributeValue);
    EXPECT_EQ(lib.DAQmxGetAOResolution(task, "Dev1/ao0", &bits), DAQmxErrorInvalidChannel);
    EXPECT_EQ(lib.DAQmxGetAOResolution(task, "out", nullptr), DAQmxErrorNULLPtrForC_Api);

    TaskHandle clock = nullptr;
    int32 type = 0;
    ASSERT_EQ(lib.DAQmxCreateTask("", &clock), 0);
    ASSERT_EQ(lib.DAQmxCreateCOPulseChanTicks(clock, "Dev1/ctr0", "", "", 10214, 0, 2, 2), 0);
    EXPECT_EQ(lib.DAQmxGetChanType(clock, "", &type), 0);
    EXPECT_EQ(type, DAQmx_Val_CO);
    EXPECT_EQ(lib.DAQmxGetAOOutputType(clock, "", &type), DAQmxErrorAttributeNotSupportedInTaskContext);
}

TEST_F(TaskTest, ChannelInUseByAnotherRunningTask) {
    TaskHandle first = AOTask("Dev1/ao0"), second = AOTask("Dev1/ao0");
    ASSERT_EQ(lib.DAQmxStartTask(first), 0);
    EXPECT_EQ(lib.DAQmxStartTask(second), DAQmxErrorPALResourceReserved);
    EXPECT_EQ(lib.DAQmxWriteAnalogScalarF64(second, 1, 1.0, 0.5, nullptr), DAQmxErrorPALResourceReserved);
    ASSERT_EQ(lib.DAQmxStopTask(first), 0);
    EXPECT_EQ(lib.DAQmxStartTask(second), 0);
}

TEST_F(TaskTest, BufferedWriteKeepsLastSampleOfEachChannel) {
    const double byChannel[] = {1, 2, 3, -1, -2, -3};
    const double byScan[] = {1, -1, 2, -2, 3, -3};
    for (int32 layout : {DAQmx_Val_GroupByChannel, DAQmx_Val_GroupByScanNumber}) {
        lib.fakedaqmx_Reset();
        TaskHandle task = AOTask("Dev1/ao0, Dev1/ao1");
        int32 written = 0;
        ASSERT_EQ(lib.DAQmxCfgSampClkTiming(task, "", 1000.0, 10280, 10178, 3), 0);
        ASSERT_EQ(
            lib.DAQmxWriteAnalogF64(task, 3, 0, 1.0, layout, layout ? byScan : byChannel, &written, nullptr),
            0);
        EXPECT_EQ(written, 3);
        double v0 = 0, v1 = 0;
        lib.fakedaqmx_GetLastVoltage("Dev1/ao0", &v0);
        lib.fakedaqmx_GetLastVoltage("Dev1/ao1", &v1);
        EXPECT_EQ(v0, 3.0);
        EXPECT_EQ(v1, -3.0);
    }
}

} // namespace
