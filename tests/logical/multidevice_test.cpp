// Several devices in one host process: each on its own COM port and unit, sharing the module and the one
// NI-DAQmx library.
#include "devicehost.h"
#include "fakedaqmx_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A deadlock must fail the run, not hang it.
void JoinWithin(DWORD ms, std::vector<std::thread>& threads) {
    Within(ms, "the devices", [&] {
        for (std::thread& t : threads)
            t.join();
    });
    threads.clear();
}

TEST(FourDevices, ConnectTogetherAndEndEqualToTheirUnitsUnderConcurrentUse) {
    const int kDevices = 4;
    std::vector<std::unique_ptr<DeviceHost>> hosts;
    for (int i = 0; i < kDevices; ++i)
        hosts.emplace_back(new DeviceHost);
    std::vector<std::thread> threads;
    std::atomic<int> started{0};
    // All four load the NI-DAQmx library and discover at the same moment.
    for (int d = 0; d < kDevices; ++d)
        threads.emplace_back(
            [&, d] { started += hosts[static_cast<size_t>(d)]->StartReal(d % 2 ? "extended" : "standard"); });
    JoinWithin(60000, threads);
    ASSERT_EQ(kDevices, started.load());

    const int kCallsPerThread = 200;
    std::atomic<unsigned> slowest{0};
    for (int d = 0; d < kDevices; ++d) {
        DeviceHost& host = *hosts[static_cast<size_t>(d)];
        for (int t = 0; t < 2; ++t)
            threads.emplace_back([&, t] {
                for (int i = t; i < t + kCallsPerThread; ++i) {
                    ULONGLONG start = GetTickCount64();
                    if (i % 3 == 0)
                        host.shutter().SetState(i % 2 == 0);
                    else if (i % 3 == 1)
                        host.laser().SetLineUsed(i % 3, (i & 4) == 0);
                    else
                        host.laser().SetPower(i % 2, (i % 100) * 1.0);
                    unsigned took = static_cast<unsigned>(GetTickCount64() - start);
                    for (unsigned s = slowest; took > s && !slowest.compare_exchange_weak(s, took);) {
                    }
                }
            });
        threads.emplace_back([&host] { // the unit's front panel
            for (int i = 0; i < 30; ++i)
                host.unit().select_line(i % 4);
        });
    }
    JoinWithin(120000, threads);
    EXPECT_LT(slowest.load(), 20000u) << "every call is bounded by the worker's time-outs";

    // Each unit ends on its own line; each host's view follows its own unit.
    for (int d = 0; d < kDevices; ++d)
        ASSERT_TRUE(hosts[static_cast<size_t>(d)]->unit().select_line(d % 3 + 1));
    for (int d = 0; d < kDevices; ++d) {
        SCOPED_TRACE("device " + std::to_string(d));
        DeviceHost& host = *hosts[static_cast<size_t>(d)];
        EXPECT_TRUE(WaitUntil(5000, [&] {
            bool open = false, used = false;
            host.shutter().GetState(&open);
            host.laser().GetLineUsed(d % 3, &used);
            return open && used;
        }));
        const char* states[] = {"line 1 mask 1 bino 0", "line 2 mask 2 bino 0", "line 3 mask 4 bino 0"};
        EXPECT_EQ(states[d % 3], host.unit().state());
    }
}

// One device refuses the library's version and unloads it while another device's voltage write is inside
// the library: the write finishes and the other device keeps writing.
TEST(SharedDaqLibrary, ARefusedVersionElsewhereLeavesAWriteInTheLibraryRunning) {
    DeviceHost writer;
    ASSERT_TRUE(writer.StartReal("standard"));
    auto stall = FakeDaqmx<decltype(&fakedaqmx_Stall)>("fakedaqmx_Stall");
    auto stalled = FakeDaqmx<decltype(&fakedaqmx_WaitStalled)>("fakedaqmx_WaitStalled");
    stall("DAQmxWriteAnalogScalarF64");
    std::thread write([&] { writer.laser().SetPower(0, 40.0); });
    ASSERT_EQ(1, stalled(5000));

    SetDaqFault("DAQmxGetSysNIDAQMajorVersion", -200001); // the next device reads no version
    DeviceHost refused;
    EXPECT_FALSE(refused.StartReal("standard"));
    stall(nullptr);
    write.join();
    SetDaqFault("DAQmxGetSysNIDAQMajorVersion", 0);
    EXPECT_DOUBLE_EQ(2.0, LastVoltage("Dev1/ao0"));
    EXPECT_EQ(DMRC_OK, writer.laser().SetPower(0, 60.0));
    EXPECT_DOUBLE_EQ(3.0, LastVoltage("Dev1/ao0"));
}

// A host that releases a connected device without disconnecting it: the device's NI-DAQmx tasks go with it,
// so that the device the host creates again drives the same channels.
TEST(DeviceAgain, ReleasedWhileConnectedLeavesTheChannelsToTheNext) {
    UseDaqVariant("full");
    tavosim_unit::TavoSimUnit unit;
    ASSERT_TRUE(unit.ok()) << unit.error();
    LoadedModule module;
    const std::wstring connection = L"m_iCOMPort=" + std::to_wstring(unit.com_port()) + L";";
    HMODULE library = nullptr; // a reference of the test's own keeps the library's tasks between devices
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "the first device" : "the device created again");
        DeviceRef ref(module.Make("QV_ConstructorForCQvAOMTAVO"));
        IQvPhysicalDevice* device = ref.device();
        ASSERT_NE(nullptr, device);
        device->ConnectDevice(connection.c_str());
        if (!library) {
            ASSERT_TRUE(GetModuleHandleExW(0, L"nicaiu.dll", &library));
        }
        SQvLogicalDeviceList list;
        ASSERT_EQ(DMRC_OK, device->ConfigureDevice(kTwoLineConfiguration, CHostSession::kPhysDevId, list));
        IQvDeviceMultiLaser* laser = nullptr;
        for (int i = 0; i < list.GetCount(); ++i) {
            CQvStringW kind;
            list.GetAt(i)->GetInterfaceName(kind);
            if (kind == L"IDeviceMultiLaser") laser = static_cast<IQvDeviceMultiLaser*>(list.GetAt(i));
        }
        ASSERT_NE(nullptr, laser);
        const double percent = round == 0 ? 40.0 : 60.0;
        EXPECT_EQ(DMRC_OK, laser->SetPower(0, percent));
        EXPECT_DOUBLE_EQ(percent / 20.0, LastVoltage("Dev1/ao0"));
    } // each device released while connected
    FreeLibrary(library);
}

} // namespace
