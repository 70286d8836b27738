// The calibration dialog where nothing can be measured: it says why and offers nothing that would write.
#include "devicehost.h"
#include "person.h"

#include <aomtavomultilaser.h>

#include <res/resource.h>

#include <gtest/gtest.h>

namespace {

struct SSeen {
    std::wstring note;
    bool ok = false, put = false, fill = false;
};

SSeen Look(HWND dialog) {
    SSeen seen;
    seen.note = WindowText(GetDlgItem(dialog, IDC_CAL_NOTE));
    seen.ok = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
    seen.put = IsWindowEnabled(GetDlgItem(dialog, IDC_CAL_PUT)) != FALSE;
    seen.fill = IsWindowEnabled(GetDlgItem(dialog, IDC_CAL_FILL)) != FALSE;
    return seen;
}

// Opens the dialog, lets the person look at the chosen line (by its place in the list) and cancels.
SSeen Open(DeviceHost& host, int item) {
    SSeen seen;
    Person person([&] {
        HWND dialog = WaitForWindow(L"Calibrate Line Powers");
        ASSERT_TRUE(dialog) << "the calibration dialog did not appear";
        SelectItem(dialog, IDC_CAL_LINE, item);
        seen = Look(dialog);
        ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(DMRC_CANCELLED, host->m_pMultiLaser->ShowCalibrationDialog(nullptr));
    person.join();
    return seen;
}

TEST(CalibrationDialog, WithoutAConnectionOrAChannelItSaysWhyAndOffersNothingToWrite) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartUnit("standard"));
    SSeen away = Open(host, 0);
    EXPECT_EQ(L"The device is not connected: connect it to calibrate its lines.", away.note);
    EXPECT_FALSE(away.ok || away.put || away.fill);

    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(DMRC_OK, host.Configure(kTwoLineConfiguration));
    SSeen red = Open(host, 2); // the third line is fitted without a channel
    EXPECT_EQ(L"This line has no AOM channel: choose one in the line configuration first.", red.note);
    EXPECT_TRUE(red.ok) << "the other lines' calibrations may still be stored";
    EXPECT_FALSE(red.put || red.fill);
    SSeen blue = Open(host, 0);
    EXPECT_TRUE(blue.ok && blue.put && blue.fill) << blue.note.c_str();
}

} // namespace
