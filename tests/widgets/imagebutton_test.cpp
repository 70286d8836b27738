// The image button: its clicks reach the parent as a button's do; it keeps its place and title and draws
// the pool's gear.
#include "testwindow.h"

#include <qv/qvdevui.h>

#include <gtest/gtest.h>

namespace {

TEST(WidgetImageButton, ClicksReachTheParentUnlessDisabledOrSilentAndItDrawsThePoolsGear) {
    TestWindow host;
    CQvDevUI_ImageButton button;
    HBITMAP gear = CQvBitmapPool::AddImageBaseUI(L"SETTINGS", nullptr);
    button.SetId(1042);
    button.Init(gear, gear, true, true);
    ASSERT_TRUE(button.Create(host.Handle(), 30, 40, 128, 24));
    button.SetTitle(L"Configure...");
    auto mouse = [&](UINT message, int x) {
        SendMessageW(button.GetWindow(), message, 0, MAKELPARAM(x, 12));
    };

    RECT r = button.GetWindowRectangle();
    EXPECT_EQ((std::vector<LONG>{30, 40, 158, 64}), (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));
    EXPECT_EQ(L"Configure...", WindowText(button.GetWindow()));
    EXPECT_EQ(gear, CQvBitmapPool::AddImageBaseUI(L"settings", nullptr));
    EXPECT_EQ(nullptr, CQvBitmapPool::AddImageBaseUI(L"NO SUCH IMAGE", nullptr));
    int body = 0;
    for (int x = 0; x < 28; ++x)
        body += PrintedPixel(button.GetWindow(), x, 12) == RGB(120, 120, 120);
    EXPECT_GT(body, 2) << "the gear's body at the left";

    SendMessageW(button.GetWindow(), BM_CLICK, 0, 0);
    button.Click();
    mouse(WM_LBUTTONDOWN, 60);
    mouse(WM_LBUTTONUP, 61);
    mouse(WM_LBUTTONDOWN, 60);
    mouse(WM_LBUTTONUP, 500); // let go outside
    const WPARAM clicked = MAKEWPARAM(1042, BN_CLICKED);
    EXPECT_EQ((std::vector<WPARAM>{clicked, clicked, clicked}), host.commands);
    button.SetEnabled(false);
    button.Click();
    button.SetEnabled(true);
    button.Init(nullptr, nullptr, true, false);
    button.Click();
    EXPECT_EQ(3u, host.commands.size());
}

} // namespace
