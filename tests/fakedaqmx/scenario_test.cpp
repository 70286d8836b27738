// Boards described at run time, from text or from the file FAKEDAQMX_SCENARIO names.
#include <cstdio>

#include "fake_library.h"

namespace {

class ScenarioTest : public FakeDaqmxTest {
protected:
    std::string AOChans(const char* device) {
        return FetchString([&](char* b, uInt32 n) { return lib.DAQmxGetDevAOPhysicalChans(device, b, n); });
    }
    std::string DevNames() {
        return FetchString([&](char* b, uInt32 n) { return lib.DAQmxGetSysDevNames(b, n); });
    }
};

TEST_F(ScenarioTest, TwoBoards) {
    Load("# two boards\n"
         "version 8 5\r\n"
         "board Dev1 product 6733 pci 3 range -10 10 channels ao0:7\n"
         "board Dev2 product 6229 bus 12583 pci 4 serial 1234 range -5 5 range -1 +1 channels ao0 ao1\n");
    EXPECT_EQ(DevNames(), "Dev1, Dev2");
    EXPECT_EQ(AOChans("Dev2"), "Dev2/ao0, Dev2/ao1");
    EXPECT_EQ(AOChans("dev1"),
              "Dev1/ao0, Dev1/ao1, Dev1/ao2, Dev1/ao3, Dev1/ao4, Dev1/ao5, Dev1/ao6, Dev1/ao7");
    struct {
        const char* device;
        uInt32 product, slot, serial;
        int32 bus;
        int32 ranges;
    } cases[] = {{"Dev1", 6733, 3, 0, DAQmx_Val_PCI, 2}, {"Dev2", 6229, 4, 1234, DAQmx_Val_PXI, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        uInt32 product = 0, slot = 0, serial = 99;
        int32 bus = 0;
        EXPECT_EQ(lib.DAQmxGetDevProductNum(c.device, &product), 0);
        EXPECT_EQ(lib.DAQmxGetDevPCIDevNum(c.device, &slot), 0);
        EXPECT_EQ(lib.DAQmxGetDevSerialNum(c.device, &serial), 0);
        EXPECT_EQ(lib.DAQmxGetDevBusType(c.device, &bus), 0);
        EXPECT_EQ(lib.DAQmxGetDevAOVoltageRngs(c.device, nullptr, 0), c.ranges);
        EXPECT_EQ(product, c.product);
        EXPECT_EQ(slot, c.slot);
        EXPECT_EQ(serial, c.serial);
        EXPECT_EQ(bus, c.bus);
    }
    uInt32 product = 0;
    EXPECT_EQ(lib.DAQmxGetDevProductNum("Dev3", &product), DAQmxErrorInvalidDeviceID);
    EXPECT_NE(ExtendedError().find("Dev3"), std::string::npos);
}

TEST_F(ScenarioTest, BadLinesAreReportedAndLeaveNoBoards) {
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(lib.fakedaqmx_LoadScenarioText(c.text), c.line);
        std::string error =
            FetchString([&](char* b, uInt32 n) { return lib.fakedaqmx_GetScenarioError(b, n); });
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ":", 0), 0u) << error;
        EXPECT_EQ(lib.DAQmxGetSysDevNames(nullptr, 0), 1);
    }
}

TEST_F(ScenarioTest, FileNamedByTheEnvironment) {
    char dir[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameA(dir, "fdq", 0, path), 0u);
    FILE* file = std::fopen(path, "w");
    ASSERT_NE(file, nullptr);
    std::fputs("board PXI1Slot2 bus 12583 channels ao0 ao1\n", file);
    std::fclose(file);

    SetEnvironmentVariableA("FAKEDAQMX_SCENARIO", path);
    lib.fakedaqmx_Reset();
    EXPECT_EQ(DevNames(), "PXI1Slot2");
    DeleteFileA(path);
    lib.fakedaqmx_Reset();
    EXPECT_EQ(DevNames(), "");
    std::string error = FetchString([&](char* b, uInt32 n) { return lib.fakedaqmx_GetScenarioError(b, n); });
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    SetEnvironmentVariableA("FAKEDAQMX_SCENARIO", nullptr);
}

TEST_F(ScenarioTest, ChannelsOfTheWrongKind) {
    Load("board Dev1\nchantype Dev1/ao2 10101\noutputtype Dev1/ao3 10134");
    struct {
        const char* channel;
        int32 chanType, outputType;
    } cases[] = {{"Dev1/ao0", DAQmx_Val_AO, DAQmx_Val_Voltage},
                 {"Dev1/ao2", 10101, DAQmx_Val_Voltage},
                 {"Dev1/ao3", DAQmx_Val_AO, DAQmx_Val_Current}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        TaskHandle task = AOTask(c.channel);
        int32 chanType = 0, outputType = 0;
        EXPECT_EQ(lib.DAQmxGetChanType(task, c.channel, &chanType), 0);
        EXPECT_EQ(lib.DAQmxGetAOOutputType(task, "", &outputType), 0);
        EXPECT_EQ(chanType, c.chanType);
        EXPECT_EQ(outputType, c.outputType);
        lib.DAQmxClearTask(task);
    }
}

} // namespace
