// Tasks, channels and writes as the driver uses them, with the checks the real library makes on them, and
// the faults injected into them.
#include "fake_library.h"

#include <cmath>
#include <thread>
#include <vector>

namespace {

class TaskTest : public FakeDaqmxTest {};

TEST_F(TaskTest, ChannelsMustExistAndTakeVoltsWithinARange) {
    TaskHandle task = nullptr;
    ASSERT_EQ(DAQ(DAQmxCreateTask)("", &task), 0);
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
        {"Dev1/ao0", 5, 5, DAQmx_Val_Volts, DAQmxErrorMinNotLessThanMax},
        {"Dev1/ao0", -10, 10, DAQmx_Val_Volts, 0},
        {"dev1/AO0", -10, 10, DAQmx_Val_Volts, DAQmxErrorVirtualChanNameUsed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(DAQ(DAQmxCreateAOVoltageChan)(task, c.channel, "", c.min, c.max, c.units, nullptr),
                  c.status);
    }
}

TEST_F(TaskTest, WritesNeedARunningTaskAndAValueWithinItsRange) {
    struct {
        const char* what;
        bool start, autoStart;
        double value;
        int32 status;
    } cases[] = {
        {"not started, no autostart", false, false, 1.0,
         DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunning},
        {"above max", true, false, 5.001, DAQmxErrorInvalidAODataWrite},
        {"below min", false, true, -5.5, DAQmxErrorInvalidAODataWrite},
        {"autostart", false, true, -5.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DAQ(fakedaqmx_Reset)();
        TaskHandle task = AOTask("Dev1/ao0", -5, 5);
        ASSERT_EQ(c.start ? DAQ(DAQmxStartTask)(task) : 0, 0);
        EXPECT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(task, c.autoStart, 1.0, c.value, nullptr), c.status);
        EXPECT_EQ(LastVoltage("Dev1/ao0"), c.status ? -99 : c.value);
    }
}

TEST_F(TaskTest, ChannelInUseByAnotherRunningTask) {
    TaskHandle first = AOTask("Dev1/ao0"), second = AOTask("Dev1/ao0");
    ASSERT_EQ(DAQ(DAQmxStartTask)(first), 0);
    EXPECT_EQ(DAQ(DAQmxStartTask)(second), DAQmxErrorPALResourceReserved);
    EXPECT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(second, 1, 1.0, 0.5, nullptr), DAQmxErrorPALResourceReserved);
    ASSERT_EQ(DAQ(DAQmxStopTask)(first), 0);
    EXPECT_EQ(DAQ(DAQmxStartTask)(second), 0);
}

// The slot number is a property of the boards in a slot; a board on another bus refuses it.
TEST_F(TaskTest, OnlyBoardsInASlotHaveASlotNumber) {
    Load("board P bus 12582 pci 7\nboard PE bus 13612\nboard X bus 12583\nboard XE bus 14706\n"
         "board U bus 12586\nboard C bus 14637\n");
    struct {
        const char* board;
        int32 status;
        uInt32 slot;
    } cases[] = {{"P", 0, 7},
                 {"PE", 0, 1},
                 {"X", 0, 2},
                 {"XE", 0, 3},
                 {"U", DAQmxErrorAttrNotSupported, 99},
                 {"C", DAQmxErrorAttrNotSupported, 99}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.board);
        uInt32 slot = 99;
        EXPECT_EQ(DAQ(DAQmxGetDevPCIDevNum)(c.board, &slot), c.status);
        EXPECT_EQ(slot, c.slot);
    }
    EXPECT_NE(ExtendedError().find("DAQmx_Dev_PCI_DevNum"), std::string::npos) << ExtendedError();
}

// Each thread reads the text of its own last failure, as the library keeps it.
TEST_F(TaskTest, ErrorTextsAreKeptPerThread) {
    TaskHandle none = nullptr;
    EXPECT_EQ(DAQ(DAQmxClearTask)(none), DAQmxErrorInvalidTask);
    std::string other;
    std::thread([&] {
        uInt32 slot = 0;
        EXPECT_EQ(DAQ(DAQmxGetDevPCIDevNum)("Dev9", &slot), DAQmxErrorInvalidDeviceID);
        other = ExtendedError();
    }).join();
    EXPECT_NE(other.find("-200220"), std::string::npos) << other;
    EXPECT_NE(ExtendedError().find("-200088"), std::string::npos) << ExtendedError();
    std::thread([&] { other = ExtendedError(); }).join();
    EXPECT_EQ(other, "") << "a thread without a failure has no text";
}

// A fault hits its function (or every one, "*"), limited to a device or channel when one is named.
TEST_F(TaskTest, FaultsHitOnlyWhatTheyName) {
    Load("board Dev1\nboard Dev2");
    TaskHandle ao0 = AOTask("Dev1/ao0"), ao1 = AOTask("Dev1/ao1"), other = AOTask("Dev2/ao0");
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
        DAQ(fakedaqmx_ClearFaults)();
        ASSERT_EQ(DAQ(fakedaqmx_SetFault)(c.fn, c.arg, c.status), 0);
        EXPECT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(ao0, 1, 1.0, 1.0, nullptr), c.ao0);
        EXPECT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(ao1, 1, 1.0, 1.0, nullptr), c.ao1);
        EXPECT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(other, 1, 1.0, 1.0, nullptr), c.other);
    }
}

} // namespace

namespace {

class BoardTest : public FakeDaqmxTest {};

// A reset aborts the board's tasks and puts its outputs at 0 V; a board that left the system refuses every
// task call until it is back, and comes back as after a reset. Other boards are untouched throughout.
TEST_F(BoardTest, AResetOrALeavingBoardAbortsItsTasksAndZeroesItsOutputs) {
    Load("board Dev1\nboard Dev2");
    TaskHandle one = AOTask("Dev1/ao0"), two = AOTask("Dev2/ao0");
    auto write = [&](TaskHandle task, double volts) {
        return DAQ(DAQmxWriteAnalogScalarF64)(task, 0, 10.0, volts, nullptr);
    };
    ASSERT_EQ(DAQ(DAQmxStartTask)(one), 0);
    ASSERT_EQ(DAQ(DAQmxStartTask)(two), 0);
    ASSERT_EQ(write(one, 2.5), 0);
    ASSERT_EQ(write(two, 1.5), 0);

    ASSERT_EQ(DAQ(DAQmxResetDevice)("Dev1"), 0);
    EXPECT_EQ(LastVoltage("Dev1/ao0"), 0.0);
    EXPECT_EQ(LastVoltage("Dev1/ao3"), 0.0) << "every output of the board, written or not";
    EXPECT_EQ(write(one, 2.0), DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunning);
    EXPECT_EQ(write(two, 1.0), 0);
    ASSERT_EQ(DAQ(DAQmxStartTask)(one), 0);
    EXPECT_EQ(write(one, 2.0), 0);

    ASSERT_EQ(DAQ(fakedaqmx_RemoveDevice)("Dev2"), 0);
    EXPECT_EQ(write(two, 1.0), DAQmxErrorDevCannotBeAccessed);
    EXPECT_NE(ExtendedError().find("Device cannot be accessed"), std::string::npos) << ExtendedError();
    TaskHandle fresh = nullptr;
    ASSERT_EQ(DAQ(DAQmxCreateTask)("", &fresh), 0);
    EXPECT_EQ(DAQ(DAQmxCreateAOVoltageChan)(fresh, "Dev2/ao1", "", -10, 10, DAQmx_Val_Volts, nullptr),
              DAQmxErrorDevCannotBeAccessed);
    EXPECT_EQ(DAQ(DAQmxResetDevice)("Dev2"), DAQmxErrorDevCannotBeAccessed);
    uInt32 product = 0;
    EXPECT_EQ(DAQ(DAQmxGetDevProductNum)("Dev2", &product), 0) << "its configuration is still listed";
    EXPECT_EQ(write(one, 1.0), 0);
    EXPECT_EQ(DAQ(fakedaqmx_RemoveDevice)("Dev9"), DAQmxErrorInvalidDeviceID);

    ASSERT_EQ(DAQ(fakedaqmx_AttachDevice)("Dev2"), 0);
    EXPECT_EQ(LastVoltage("Dev2/ao0"), 0.0);
    EXPECT_EQ(write(two, 1.0), DAQmxErrorCannotWriteWhenAutoStartFalseAndTaskNotRunning);
    ASSERT_EQ(DAQ(DAQmxStartTask)(two), 0);
    EXPECT_EQ(write(two, 1.0), 0);
    EXPECT_EQ(LastVoltage("Dev1/ao0"), 1.0);
}

// A warning takes the place of success on a call that did its work; a size query still answers its size.
TEST_F(BoardTest, AWarningAnswersACallThatSucceeded) {
    Load("board Dev1 range -5 5\nwarn DAQmxGetDevAOVoltageRngs Dev1 200024");
    float64 ranges[2] = {};
    EXPECT_EQ(DAQ(DAQmxGetDevAOVoltageRngs)("Dev1", nullptr, 0), 2);
    EXPECT_EQ(DAQ(DAQmxGetDevAOVoltageRngs)("Dev1", ranges, 2), DAQmxWarningPropertyVersionNew);
    EXPECT_EQ(ranges[0], -5.0);
    EXPECT_EQ(ranges[1], 5.0);
    EXPECT_EQ(DAQ(DAQmxGetDevAOVoltageRngs)("Dev1", ranges, 1), DAQmxErrorWriteBufferTooSmall);
}

} // namespace

// The AOM behind a channel passes sin^2 of the voltage's share of its span; the meter reads that within its
// noise, never below 0, the same readings for the same seed; a board away passes no light.
TEST_F(BoardTest, AnAomPassesSinSquaredLightThatTheMeterReadsWithinItsNoise) {
    const char* scenario = "board Dev1 range 0 10\naom Dev1/ao0 sin2 1 5 full 80 noise 2 seed 7";
    Load(scenario);
    auto light = [&](bool meter) {
        double mw = -1;
        auto read = meter ? FAKEDAQMX(lib, fakedaqmx_ReadMeter) : FAKEDAQMX(lib, fakedaqmx_ReadLight);
        EXPECT_EQ(read("dev1/AO0", &mw), 1);
        return mw;
    };
    double none = 0;
    EXPECT_EQ(DAQ(fakedaqmx_ReadLight)("Dev1/ao1", &none), 0) << "no AOM on that channel";
    EXPECT_EQ(light(false), 0.0) << "a channel never written is at 0 V, below the span";
    TaskHandle task = AOTask("Dev1/ao0", 0, 10);
    ASSERT_EQ(DAQ(DAQmxStartTask)(task), 0);
    const struct {
        double volts, share;
    } points[] = {{1.0, 0.0}, {2.0, 0.14644660940672624}, {3.0, 0.5}, {5.0, 1.0}, {9.0, 1.0}};
    std::vector<double> readings;
    for (const auto& p : points) {
        ASSERT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(task, 0, 10.0, p.volts, nullptr), 0);
        EXPECT_NEAR(light(false), 80 * p.share, 1e-9) << p.volts << " V";
        for (int i = 0; i < 50; ++i) {
            double reading = light(true);
            EXPECT_GE(reading, 0.0);
            EXPECT_LE(std::fabs(reading - 80 * p.share), 0.02 * 80 + 1e-12) << p.volts << " V";
            readings.push_back(reading);
        }
    }
    EXPECT_NE(readings[50], readings[51]) << "the meter has noise";
    Load(scenario);
    task = AOTask("Dev1/ao0", 0, 10);
    ASSERT_EQ(DAQ(DAQmxStartTask)(task), 0);
    ASSERT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(task, 0, 10.0, 1.0, nullptr), 0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(light(true), readings[i]) << "the same seed gives the same readings";
    ASSERT_EQ(DAQ(DAQmxWriteAnalogScalarF64)(task, 0, 10.0, 5.0, nullptr), 0);
    ASSERT_EQ(DAQ(fakedaqmx_RemoveDevice)("Dev1"), 0);
    EXPECT_EQ(light(false), 0.0) << "a board away drives nothing";
}
