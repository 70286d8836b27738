// Widgets come and go: windows removed, copies independent, nothing leaked.
#include "testwidgets.h"
#include "testwindow.h"

#include <handles.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(WidgetLifecycle, DestroyRemovesTheWindowsTakesNoTypedTextAndAClosingParentTakesThemAlong) {
    TestWindow host;
    Laser laser(3);
    RecordingShutter shutter;
    RecordingLines lines;
    CQvDevUI_ImageButton button;
    lines.Init(&laser, false, false);
    ASSERT_TRUE(shutter.Create(host.Handle(), 0, 80) && lines.Create(host.Handle(), 0, 0) &&
                button.Create(host.Handle(), 100, 80, 128, 24));
    HWND row = lines.GetLine(2)->GetWindow();
    EXPECT_EQ(3 + 1 + 3 * 5 + 1, DescendantCount(host.Handle())) << "shutter, lines with their rows, button";
    shutter.Destroy();
    lines.Destroy();
    button.Destroy();
    shutter.Destroy();
    EXPECT_EQ(0, DescendantCount(host.Handle()));
    EXPECT_FALSE(IsWindow(row));

    // Text typed but not taken stays untaken when the rows close, and when their owner goes.
    auto typed = std::make_unique<RecordingLines>();
    typed->Init(&laser, false, false);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(typed->Create(host.Handle(), 0, 0));
        HWND edit = typed->Control(1, CQvDevUI_MultiLaserLine::ControlPowerText);
        ::SetFocus(edit);
        SendMessageW(edit, WM_CHAR, L'5', 1);
        if (round == 0) typed->Destroy();
    }
    EXPECT_TRUE(typed->powers.empty());
    typed.reset();

    ASSERT_TRUE(lines.Create(host.Handle(), 0, 0));
    DestroyWindow(host.Handle());
    EXPECT_EQ(nullptr, lines.GetWindow());
    EXPECT_EQ(nullptr, lines.GetLine(0)->GetWindow());
}

TEST(WidgetLifecycle, CopiesTakeTheSettingsNotTheWindow) {
    TestWindow host;
    Laser laser(2);
    RecordingShutter shutter, other;
    shutter.SetAutomaticallyResizable(true, 64, 95);
    shutter.SetTitle(L"Main");
    shutter.SetState(true);
    ASSERT_TRUE(shutter.Create(host.Handle(), 0, 0));
    RecordingShutter copy(shutter);
    EXPECT_EQ(nullptr, copy.GetWindow());
    ASSERT_TRUE(copy.Create(host.Handle(), 0, 30));
    EXPECT_EQ(shutter.GetWidth(), copy.GetWidth());
    EXPECT_TRUE(copy.GetState());
    other.SetTitle(L"Second");
    shutter = other;
    EXPECT_NE(nullptr, shutter.Switch()) << "the window stays and shows the new title";
    EXPECT_STREQ(L"Main", copy.GetTitle());

    RecordingLines lines;
    lines.Init(&laser, false, false);
    lines.GetLine(1)->SetName(L"Green");
    RecordingLines linesCopy(lines);
    ASSERT_TRUE(lines.Create(host.Handle(), 0, 60) && linesCopy.Create(host.Handle(), 0, 120));
    EXPECT_STREQ(L"Green", linesCopy.GetLine(1)->GetName());
    SendMessageW(linesCopy.Control(1, CQvDevUI_MultiLaserLine::ControlUsed), BM_CLICK, 0, 0);
    EXPECT_EQ(1u, linesCopy.uses.size()) << "the copy's rows call the copy";
    EXPECT_TRUE(lines.uses.empty());
}

void OneCycle(HWND parent, IQvDeviceMultiLaser* laser) {
    RecordingShutter shutter;
    RecordingLines lines;
    CQvDevUI_ImageButton button;
    HBITMAP gear = CQvBitmapPool::AddImageBaseUI(L"SETTINGS", nullptr);
    button.Init(gear, gear, true, true);
    lines.Init(laser, false, false);
    shutter.Create(parent, 0, 100);
    lines.Create(parent, 0, 0);
    button.Create(parent, 100, 100, 128, 24);
    shutter.SetTitle(L"Shutter");
    shutter.SetState(true);
    for (int i = 0; i < lines.GetCount(); ++i) {
        lines.GetLine(i)->SetWavelength(405 + 100 * i);
        lines.GetLine(i)->SetLaserShine(true);
    }
    UpdateWindow(parent);
    for (HWND painted : {lines.GetLine(0)->GetWindow(), button.GetWindow(), shutter.Switch()})
        PrintedPixel(painted, 10, 12);
}

TEST(WidgetLifecycle, ManyCyclesLeakNoWindowsHandlesOrGdiObjects) {
    TestWindow host;
    Laser laser(4);
    OneCycle(host.Handle(), &laser); // shared fonts and images are made once
    int gdi = GdiObjectCount(), handles = OpenHandleCount();
    for (int i = 0; i < 30; ++i)
        OneCycle(host.Handle(), &laser);
    EXPECT_EQ(0, DescendantCount(host.Handle()));
    EXPECT_EQ(handles, OpenHandleCount());
    if (gdi < 0) GTEST_SKIP() << "GDI objects cannot be counted here";
    EXPECT_EQ(gdi, GdiObjectCount());
}

} // namespace
