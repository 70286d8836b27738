// The shutter widget driven as a person and as a pad drive it.
#include "testwidgets.h"
#include "testwindow.h"

#include <gtest/gtest.h>

namespace {

class WidgetShutter : public ::testing::Test {
protected:
    void SetUp() override { shutter.SetAutomaticallyResizable(true, 64, 95); }
    // The middle of the aperture the switch draws at its left.
    COLORREF Aperture() { return PrintedPixel(shutter.Switch(), 4 + 8, shutter.GetHeight() / 2 - 2); }
    TestWindow host;
    RecordingShutter shutter;
};

TEST_F(WidgetShutter, SwitchFlipsAndReportsSettingsButtonOnlyAsksAndThePadsStateIsShownNotReported) {
    ASSERT_TRUE(shutter.Create(host.Handle(), 10, 10, -1, -1));
    ASSERT_NE(nullptr, shutter.SettingsButton());
    SendMessageW(shutter.Switch(), BM_CLICK, 0, 0);
    EXPECT_TRUE(shutter.GetState());
    SendMessageW(shutter.Switch(), BM_CLICK, 0, 0);
    shutter.Toggle();
    SendMessageW(shutter.SettingsButton(), BM_CLICK, 0, 0);
    EXPECT_EQ((std::vector<bool>{true, false, true}), shutter.states);
    EXPECT_EQ(1, shutter.settings);

    COLORREF open = Aperture();
    shutter.SetState(false);
    COLORREF closed = Aperture();
    EXPECT_EQ(3u, shutter.states.size());
    EXPECT_GT(GetRValue(open), GetBValue(open) + 100) << "open lets yellow light through";
    EXPECT_EQ(GetRValue(closed), GetBValue(closed)) << "closed is grey";
}

TEST_F(WidgetShutter, WidthFitsTheTitleWithinItsLimitsAndFollowsTheZoom) {
    ASSERT_TRUE(shutter.Create(host.Handle(), 6, 50, -1, -1));
    EXPECT_EQ(64, GetWndWidth(shutter.GetWindow()));
    EXPECT_EQ(24, shutter.GetHeight());
    shutter.SetTitle(L"A shutter with a very long name indeed");
    EXPECT_EQ(95, shutter.GetWidth());
    shutter.SetTitle(L"Main");
    int width = shutter.GetWidth();
    EXPECT_GT(width, 64);
    EXPECT_LT(width, 95);
    shutter.SetTitle(L"Main");
    shutter.Update(12345, true, true, true);
    EXPECT_EQ(width, shutter.GetWidth()) << "the same title keeps the same size";
    EXPECT_EQ(6, shutter.GetPositionX());
    RECT settings{};
    GetWindowRect(shutter.SettingsButton(), &settings);
    MapWindowPoints(HWND_DESKTOP, shutter.GetWindow(), reinterpret_cast<POINT*>(&settings), 2);
    EXPECT_LE(settings.right, width) << "the settings button moves with the right edge";
    EXPECT_GT(settings.left, width - 24);

    RecordingShutter fixed;
    fixed.SetTitle(L"A shutter with a very long name indeed");
    CQvGUILayoutManager::SetGuiZoom(1.5);
    ASSERT_TRUE(fixed.Create(host.Handle(), 6, 80, -1, -1));
    EXPECT_EQ(96, fixed.GetWidth());
    EXPECT_EQ(36, fixed.GetHeight());
}

} // namespace
