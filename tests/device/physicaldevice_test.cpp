// The physical device through the host interfaces, before it is connected.
#include "devicemanager.h"
#include "logcapture.h"
#include "qvprint.h"
#include "moduleloader.h"

#include <aomtavodevice.h>
#include <aomtavopad.h>

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

namespace {

class PhysicalDevice : public ::testing::Test {
protected:
    LoadedModule module;
    DeviceRef object{module.Make("QV_ConstructorForCQvAOMTAVOSim")};
    IQvPhysicalDevice* device = object.device();
    CQvAOMTAVO* impl = dynamic_cast<CQvAOMTAVO*>(device);
};

TEST_F(PhysicalDevice, QueryInterfaceCountsOnlyThePhysicalDeviceInterface) {
    CQvClass* counted = object.counted();
    ASSERT_EQ(1, counted->GetRefCount());
    IQvInterface* itf = counted->QueryInterface("IQvPhysicalDevice");
    EXPECT_EQ(object.get(), itf);
    EXPECT_EQ(2, counted->GetRefCount());
    EXPECT_EQ(nullptr, counted->QueryInterface("IQvLogicalDevice"));
    EXPECT_EQ(nullptr, counted->QueryInterface("iqvphysicaldevice"));
    EXPECT_EQ(2, counted->GetRefCount());
    EXPECT_EQ(1, counted->Release());
    EXPECT_EQ(counted, object.get()->GetClassObject());
}

// The last release destroys the device; only with detail on does the log show it built and destroyed.
TEST(PhysicalDeviceLifetime, LastReleaseDestroysWithLogLinesInDetail) {
    LoadedModule module;
    for (bool detail : {true, false}) {
        long before = CQvClass::LiveObjects();
        LogCapture log(detail);
        IQvInterface* object = module.Make("QV_ConstructorForCQvAOMTAVO");
        ASSERT_NE(nullptr, object);
        EXPECT_EQ(before + 1, CQvClass::LiveObjects());
        EXPECT_EQ(0, object->GetClassObject()->Release());
        EXPECT_EQ(before, CQvClass::LiveObjects());
        std::vector<std::wstring> lines{L"CQvAOMTAVO constructor", L"CQvAOMNIDAQPort constructor",
                                        L"CQvAOMTAVO destructor"};
        EXPECT_EQ(detail ? lines : std::vector<std::wstring>{}, log.Lines()) << detail;
    }
}

// The identity and display texts as the host shows them are QvhostSession's (a script file asks for them).
TEST_F(PhysicalDevice, DisplayInfoServesAHostThatAsksForNothing) {
    EXPECT_EQ(DMRC_OK, device->GetDisplayInfo(nullptr, nullptr, nullptr));
}

TEST_F(PhysicalDevice, StartsDisconnectedAndRefusesConfiguredOnlyOperations) {
    EXPECT_EQ(0, device->GetDeviceState());
    EXPECT_TRUE(impl->m_bSimulator);
    for (int state : {0, 1, 3}) {
        impl->m_iState = state;
        IQvGUIElement* pad = nullptr;
        EXPECT_EQ(DMRC_WRONG_STATE, device->GetControlPad(&pad, nullptr)) << state;
        EXPECT_EQ(nullptr, pad);
        EXPECT_EQ(DMRC_WRONG_STATE, device->BeginChangeBatch(true)) << state;
        EXPECT_EQ(DMRC_WRONG_STATE, device->FlushChangeBatch()) << state;
        bool batching = true;
        EXPECT_EQ(DMRC_OK, device->GetBatching(&batching));
        EXPECT_FALSE(batching);
    }
    impl->m_iState = 2;
    IQvGUIElement* pad = nullptr;
    EXPECT_EQ(DMRC_OK, device->GetControlPad(&pad, nullptr));
    EXPECT_EQ(static_cast<IQvGUIElement*>(impl->m_pPad), pad);
    impl->m_iState = 0;
}

TEST_F(PhysicalDevice, GetControlPadAsksTheSiteForTheInstanceNumber) {
    struct Site : IQvDevicePadSite {
        uint32_t asked = 0;
        int GetSiteVersion() override { return 1; }
        HWND GetDockWindow() override { return nullptr; }
        double GetGuiZoom() override { return 1.0; }
        int RequestLayout() override { return 0; }
        int ShowPad(bool) override { return 0; }
        bool IsPadVisible() override { return false; }
        int SetPadTitle(const wchar_t*) override { return 0; }
        int GetPadCount() override { return 0; }
        int GetInstanceNumber(uint32_t physDevId) override {
            asked = physDevId;
            return 3;
        }
    } site;
    impl->m_iState = 2;
    impl->m_iPhysDevId = 77;
    EXPECT_EQ(DMRC_OK, device->GetControlPad(nullptr, &site));
    EXPECT_EQ(77u, site.asked);
    EXPECT_EQ(3, impl->m_iInstanceNumber);
    EXPECT_EQ(&site, impl->m_pPadSite);
    impl->m_iState = 0;
}

TEST_F(PhysicalDevice, HardwareUnitsListVisibleActiveDevicesOfThisDeviceOnly) {
    CQvHostDeviceManager manager;
    manager.Install();
    CQvHWUnitList units;
    // No id from the host yet: nothing is listed even though devices exist.
    manager.AddLogicalDevice({10, L"ml", 5, true, true, nullptr, nullptr});
    EXPECT_EQ(DMRC_OK, device->GetHWUnits(units));
    EXPECT_EQ(0, units.GetCount());

    impl->m_iPhysDevId = 6;
    EXPECT_EQ(DMRC_OK, device->GetHWUnits(units));
    EXPECT_EQ(0, units.GetCount()) << "devices of another physical device";

    manager.AddLogicalDevice({11, L"hidden", 6, false, true, nullptr, nullptr});
    manager.AddLogicalDevice({12, L"inactive", 6, true, false, nullptr, nullptr});
    EXPECT_EQ(DMRC_OK, device->GetHWUnits(units));
    EXPECT_EQ(0, units.GetCount());

    manager.AddLogicalDevice({13, L"shutter", 6, true, true, nullptr, nullptr});
    manager.AddLogicalDevice({14, L"laser", 6, true, true, nullptr, nullptr});
    EXPECT_EQ(DMRC_OK, device->GetHWUnits(units));
    ASSERT_EQ(1, units.GetCount());
    const SQvHWUnit& unit = units.GetAt(0);
    EXPECT_EQ(6, unit.iUnitType);
    EXPECT_TRUE(unit.sName.IsEmpty());
    ASSERT_EQ(2, unit.LogicalDeviceIds.GetCount());
    EXPECT_EQ(13u, unit.LogicalDeviceIds.GetAt(0));
    EXPECT_EQ(14u, unit.LogicalDeviceIds.GetAt(1));
}

TEST_F(PhysicalDevice, LockEnteredTwiceByOneThreadIsReportedNotDeadlocked) {
    LogCapture log;
    long before = QV_AssertCount();
    impl->DeviceLock().Enter(QV_WFILE, __LINE__);
    impl->DeviceLock().Enter(QV_WFILE, __LINE__); // would hang with a plain lock
    EXPECT_EQ(before + 1, QV_AssertCount());
    impl->DeviceLock().Leave(QV_WFILE, __LINE__);
    impl->DeviceLock().Leave(QV_WFILE, __LINE__);
    EXPECT_EQ(before + 2, QV_AssertCount()) << "the second leave finds the lock free";
    // The lock is usable again, also from another thread.
    HANDLE t = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            CQvAOMTAVO* d = static_cast<CQvAOMTAVO*>(p);
            { AOM_HOLD(d->UnitStateLock()); }
            { AOM_HOLD(d->DeviceLock()); }
            return 0;
        },
        impl, 0, nullptr);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    CloseHandle(t);
    EXPECT_EQ(before + 2, QV_AssertCount());
}

// The catalog of the host's language; a language without one falls back to the secondary (English) one.
TEST(Translation, DeviceLoadsTheCatalogOfTheHostLanguage) {
    LoadedModule module;
    const struct {
        LANGID language;
        const wchar_t* group;
    } cases[] = {{1031, L"Aufnahmesteuerung"}, {1057, L"Acquisition Controls"}};
    for (const auto& c : cases) {
        CQvLocale::SetHostLanguage(c.language);
        DeviceRef device(module.Make("QV_ConstructorForCQvAOMTAVO"));
        CQvStringW group;
        device.device()->GetDisplayInfo(nullptr, &group, nullptr);
        EXPECT_EQ(CQvStringW(c.group), group) << c.language;
    }
    CQvLocale::SetHostLanguage(1033);
}

} // namespace
