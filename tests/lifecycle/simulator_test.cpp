// Connecting, configuring, resetting and disconnecting the simulator, as the host does it.
#include "devicehost.h"
#include "logcapture.h"

#include <aomnidaqport.h>
#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>

#include <gtest/gtest.h>

namespace {

TEST(SimulatorLifecycle, StatesAndLogLinesThroughTheWholeCycle) {
    DeviceHost host;
    LogCapture log;
    // Out of order, before the connect: nothing changes, the host's list stays untouched.
    SQvLogicalDeviceList list;
    list.Add(nullptr);
    EXPECT_EQ(DMRC_WRONG_STATE, host->ConfigureDevice(L"", 42, list));
    EXPECT_EQ(42u, host->m_iPhysDevId);
    EXPECT_EQ(DMRC_WRONG_STATE, host->ResetDevice(list));
    EXPECT_EQ(1, list.GetCount());
    host->DisconnectDevice();
    EXPECT_EQ(0, host->GetDeviceState());
    EXPECT_EQ(DMRC_WRONG_STATE, host->ConnectDevice(L""));
    EXPECT_TRUE(host->m_bConnected);
    EXPECT_EQ(3, host->GetDeviceState());
    for (int i = 0; i < 3; ++i) // the firmware and the mode are in the log lines
        EXPECT_EQ(i + 1, host->m_Lines[i].iIndex);

    // The host's list is refilled, multi-laser first, not appended to.
    host.list().Add(nullptr);
    EXPECT_EQ(DMRC_OK, host.Configure());
    EXPECT_EQ(2, host->GetDeviceState());
    ASSERT_EQ(2, host.list().GetCount());
    EXPECT_EQ(static_cast<IQvLogicalDevice*>(host->m_pMultiLaser), host.list().GetAt(0));
    EXPECT_EQ(static_cast<IQvLogicalDevice*>(host->m_pShutter), host.list().GetAt(1));
    EXPECT_EQ(DMRC_RESET_OK, host->ResetDevice(host.list()));
    EXPECT_EQ(1, host->GetDeviceState());
    EXPECT_EQ(0, host.list().GetCount());
    host->DisconnectDevice();
    EXPECT_EQ(0, host->GetDeviceState());
    EXPECT_FALSE(host->m_bConnected);
    EXPECT_EQ(nullptr, host->m_hWorkerThread);

    const std::vector<std::wstring> expected = {
        L"CQvAOMTAVO::ConfigureDevice - BEGIN",
        L"CQvAOMTAVO::ConfigureDevice - END, error - not connected",
        L"CQvAOMTAVO::ResetDevice - BEGIN",
        L"CQvAOMTAVO::DisconnectDevice - BEGIN",
        L"CQvAOMTAVO::ConnectDevice - BEGIN",
        L"CQvAOMTAVO::C_Connect - begin",
        L"CQvAOMTAVO::C_Connect - FW version Simulator",
        L"CQvAOMTAVO::C_Connect - Standard Mode",
        L"CQvAOMTAVO::C_Connect - end - LRESULT=0x00000000",
        L"CQvAOMTAVO::ConnectDevice - END, success",
        L"CQvAOMTAVO::ConfigureDevice - BEGIN",
        L"CQvAOMTAVO::ConfigureDevice - END, success",
        L"CQvAOMTAVO::ResetDevice - BEGIN",
        L"CQvAOMTAVO::ResetDevice - END, success",
        L"CQvAOMTAVO::DisconnectDevice - BEGIN",
        L"CQvAOMTAVO::C_Disconnect - begin",
        L"CQvAOMTAVO::C_Disconnect - end - LRESULT=0xffffffff",
        L"CQvAOMTAVO::DisconnectDevice - END, success",
    };
    EXPECT_EQ(expected, log.Lines());
}


TEST(SimulatorLifecycle, ReleasingAConnectedDeviceStopsItsWorker) {
    LoadedModule module;
    IQvInterface* object = module.Make("QV_ConstructorForCQvAOMTAVOSim");
    CQvAOMTAVO* device = dynamic_cast<CQvAOMTAVO*>(object);
    device->ConnectDevice(L"");
    ASSERT_TRUE(device->m_bConnected);
    DWORD worker = device->m_dwWorkerThreadId;
    object->GetClassObject()->Release();
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, worker);
    if (thread) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0)) << "worker still running after release";
        CloseHandle(thread);
    }
}

} // namespace
