// Faults injected per function, optionally for one device or channel, from the scenario or at run time.
#include "fake_library.h"

namespace {

class FaultTest : public FakeDaqmxTest {
protected:
    void SetUp() override {
        FakeDaqmxTest::SetUp();
        Load("board Dev1\nboard Dev2\nfault DAQmxGetDevPCIDevNum Dev2 -200220");
    }
    int32 Slot(const char* device) {
        uInt32 slot = 0;
        return lib.DAQmxGetDevPCIDevNum(device, &slot);
    }
    int32 Write(TaskHandle task, double value) {
        return lib.DAQmxWriteAnalogScalarF64(task, 1, 1.0, value, nullptr);
    }
};

TEST_F(FaultTest, ScenarioFaultHitsOnlyItsDevice) {
    EXPECT_EQ(Slot("Dev1"), 0);
    EXPECT_EQ(Slot("dev2"), -200220);
    EXPECT_NE(ExtendedError().find("DAQmxGetDevPCIDevNum"), std::string::npos);
    lib.fakedaqmx_SetFault("DAQmxGetDevPCIDevNum", "Dev2", 0);
    EXPECT_EQ(Slot("Dev2"), 0);
}

TEST_F(FaultTest, RunTimeFaults) {
    TaskHandle ao0 = AOTask("Dev1/ao0");
    TaskHandle ao1 = AOTask("Dev1/ao1");
    TaskHandle other = AOTask("Dev2/ao0");
    struct {
        const char* fn;
        const char* arg;
        int32 status;
        int32 ao0, ao1, other; // what writing to each task then returns
    } cases[] = {
        {"DAQmxWriteAnalogScalarF64", nullptr, -200010, -200010, -200010, -200010},
        {"DAQmxWriteAnalogScalarF64", "Dev1/ao1", -50103, 0, -50103, 0},
        {"DAQmxWriteAnalogScalarF64", "Dev2", -200220, 0, 0, -200220},
        {"*", "Dev1", -1, -1, -1, 0},
        {"DAQmxWriteAnalogScalarF64", "Dev1/ao7", -1, 0, 0, 0},
        {"DAQmxWriteAnalogF64", nullptr, -1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fn) + " " + (c.arg ? c.arg : "(any)"));
        lib.fakedaqmx_ClearFaults();
        ASSERT_EQ(lib.fakedaqmx_SetFault(c.fn, c.arg, c.status), 0);
        EXPECT_EQ(Write(ao0, 1.0), c.ao0);
        EXPECT_EQ(Write(ao1, 1.0), c.ao1);
        EXPECT_EQ(Write(other, 1.0), c.other);
    }
    lib.fakedaqmx_ClearFaults();
    EXPECT_EQ(Slot("Dev2"), 0) << "ClearFaults also drops the scenario's faults";
}

TEST_F(FaultTest, FaultedCallChangesNothingAndIsLogged) {
    TaskHandle task = AOTask("Dev1/ao0");
    lib.fakedaqmx_SetFault("DAQmxClearTask", nullptr, -200088);
    EXPECT_EQ(lib.DAQmxClearTask(task), -200088);
    EXPECT_EQ(lib.fakedaqmx_TaskCount(), 1);
    EXPECT_NE(CallLog().find("DAQmxClearTask(task=1) = -200088\n"), std::string::npos);
    lib.fakedaqmx_SetFault("DAQmxClearTask", nullptr, 0);
    EXPECT_EQ(lib.DAQmxClearTask(task), 0);
    EXPECT_EQ(lib.fakedaqmx_TaskCount(), 0);
    EXPECT_EQ(lib.fakedaqmx_SetFault(nullptr, nullptr, -1), DAQmxErrorNULLPtrForC_Api);
}

} // namespace
