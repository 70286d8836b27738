// The multi-laser rows driven as a person and as a pad drive them.
#include "testwidgets.h"
#include "testwindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using Line = CQvDevUI_MultiLaserLine;
using Powers = std::vector<std::pair<int, double>>;

class WidgetLines : public ::testing::Test {
protected:
    void SetUp() override {
        lines.Init(&laser, false, false);
        ASSERT_TRUE(lines.Create(host.Handle(), 0, 0));
    }
    HWND Track(int line) { return lines.Control(line, Line::ControlPower); }
    HWND Edit(int line) { return lines.Control(line, Line::ControlPowerText); }
    LRESULT Position(int line) { return SendMessageW(Track(line), TBM_GETPOS, 0, 0); }
    void Type(int line, const wchar_t* text, WPARAM key) {
        ::SetFocus(Edit(line));
        SendMessageW(Edit(line), EM_SETSEL, 0, -1);
        for (const wchar_t* c = text; *c; ++c)
            SendMessageW(Edit(line), WM_CHAR, *c, 1);
        if (key) SendMessageW(Edit(line), WM_KEYDOWN, key, 1);
    }
    LPARAM Over(int line) {
        RECT r{};
        GetWindowRect(lines.GetLine(line)->GetWindow(), &r);
        return MAKELPARAM(r.left + 5, r.top + 5);
    }
    TestWindow host;
    Laser laser{4};
    RecordingLines lines;
};

TEST_F(WidgetLines, OneRowPerLineStackedAndScaledByTheZoom) {
    ASSERT_EQ(4, lines.GetCount());
    EXPECT_EQ(4 * 24, lines.GetHeight());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(i * 24, lines.GetLine(i)->GetWindowPosition().y);
    EXPECT_EQ(nullptr, lines.GetLine(4));
    EXPECT_EQ(nullptr, lines.GetLine(-1));
    CQvGUILayoutManager::SetGuiZoom(2.0);
    ASSERT_TRUE(lines.Create(host.Handle(), 0, 0));
    EXPECT_EQ(4 * 48, lines.GetHeight());
    EXPECT_EQ(2 * 256, lines.GetWidth());
    Laser many(12);
    lines.Init(&many, false, false);
    EXPECT_EQ(CQvDevUI_MultiLaserLines::MaxLines, lines.GetCount());
}

TEST_F(WidgetLines, CheckBoxReportsTheLineAndTheCalleeHasTheLastWord) {
    SendMessageW(lines.Control(2, Line::ControlUsed), BM_CLICK, 0, 0);
    EXPECT_TRUE(lines.GetLine(2)->GetUsed());
    lines.refuseUse = true;
    SendMessageW(lines.Control(1, Line::ControlUsed), BM_CLICK, 0, 0);
    EXPECT_EQ((std::vector<std::pair<int, bool>>{{2, true}, {1, false}}), lines.uses);
    EXPECT_FALSE(lines.GetLine(1)->GetUsed());
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(lines.Control(1, Line::ControlUsed), BM_GETCHECK, 0, 0));
}

TEST_F(WidgetLines, TrackbarReportsOnceWhenThePersonLetsGo) {
    for (int i = 0; i < 3; ++i)
        SendMessageW(Track(1), WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_TRUE(lines.powers.empty()) << "no change while the key is held";
    EXPECT_EQ(L"3.0%", WindowText(Edit(1)));
    SendMessageW(Track(1), WM_KEYUP, VK_RIGHT, 1);
    // A drag of the thumb past the far end: the thumb's position and the end of tracking both arrive.
    RECT thumb{}, channel{};
    SendMessageW(Track(3), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(Track(3), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    int y = (thumb.top + thumb.bottom) / 2;
    SendMessageW(Track(3), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((thumb.left + thumb.right) / 2, y));
    SendMessageW(Track(3), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(channel.right + 20, y));
    SendMessageW(Track(3), WM_LBUTTONUP, 0, MAKELPARAM(channel.right + 20, y));
    EXPECT_EQ((Powers{{1, 3.0}, {3, 100.0}}), lines.powers);
}

TEST_F(WidgetLines, TypedPowerIsTakenOnEnterOrLeavingWithinTheRangeAsTheCalleeKeepsIt) {
    Type(0, L"42,5", 0);
    EXPECT_TRUE(lines.powers.empty());
    SendMessageW(Edit(0), WM_KEYDOWN, VK_RETURN, 1);
    Type(0, L"250 %", VK_RETURN);
    Type(0, L"abc", VK_RETURN);
    Type(0, L"7", VK_ESCAPE);
    EXPECT_EQ(L"100.0%", WindowText(Edit(0)));
    Type(0, L"12.3", 0);
    ::SetFocus(Track(0));
    EXPECT_EQ((Powers{{0, 42.5}, {0, 100.0}, {0, 12.3}}), lines.powers);

    lines.adjustPower = [](double& power) { power = 10.0; };
    Type(2, L"50", VK_RETURN);
    EXPECT_EQ(10.0, lines.GetLine(2)->GetPower());
    EXPECT_EQ(100, Position(2));
    EXPECT_EQ(L"10.0%", WindowText(Edit(2)));
}

TEST_F(WidgetLines, WheelChangesTheRowUnderTheCursorOnly) {
    lines.GetLine(3)->SetPower(50.0);
    EXPECT_TRUE(lines.HandleMouseWheel(MAKEWPARAM(0, WHEEL_DELTA), Over(3)));
    EXPECT_TRUE(lines.HandleMouseWheel(MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), Over(3)));
    EXPECT_FALSE(lines.HandleMouseWheel(MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(-5000, -5000)));
    EXPECT_EQ(490, Position(3));
    // A wheel reaching the trackbar of one row goes to the row under the cursor.
    SendMessageW(Track(1), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), Over(0));
    EXPECT_EQ((Powers{{3, 51.0}, {3, 49.0}, {0, 1.0}}), lines.powers);
}

TEST_F(WidgetLines, EachUpdateShowsInItsControlRepaintsOnlyItsPartAndOutlivesTheWindow) {
    Line& line = *lines.GetLine(0);
    std::pair<int, std::function<void()>> updates[] = {
        {Line::PartPower, [&] { line.SetPower(12.5); }},
        {Line::PartPower, [&] { line.SetPower(12.5); }},
        {Line::PartName, [&] { line.SetName(L"Blue"); }},
        {Line::PartWavelength, [&] { line.SetWavelength(488); }},
        {Line::PartUsed, [&] { line.SetUsed(true, true); }},
        {Line::PartShine, [&] { line.SetLaserShine(true); }},
        {-1, [&] { line.SetUsed(false, false); }},
    };
    for (auto& update : updates) {
        std::vector<int> before, after;
        for (int part = 0; part <= Line::PartCount; ++part)
            before.push_back(line.GetPaintCount(part) + (part == update.first));
        update.second();
        for (int part = 0; part <= Line::PartCount; ++part)
            after.push_back(line.GetPaintCount(part));
        EXPECT_EQ(before, after) << "an update of part " << update.first;
    }
    EXPECT_EQ(125, Position(0));
    EXPECT_EQ(L"12.5%", WindowText(Edit(0)));
    EXPECT_EQ(L"Blue", WindowText(lines.Control(0, Line::ControlUsed)));
    EXPECT_NE(nullptr, FindWindowExW(line.GetWindow(), nullptr, L"Static", L"488 nm"));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(lines.Control(0, Line::ControlUsed), BM_GETCHECK, 0, 0));
    EXPECT_TRUE(lines.powers.empty() && lines.uses.empty()) << "updates are no person's changes";
    lines.Destroy();
    ASSERT_TRUE(lines.Create(host.Handle(), 0, 0));
    EXPECT_EQ(L"Blue", WindowText(lines.Control(0, Line::ControlUsed)))
        << "new rows show what the old ones held";
    EXPECT_EQ(125, Position(0));
}

TEST_F(WidgetLines, LampShowsTheColourOfTheLightOnlyWhileShining) {
    Line& line = *lines.GetLine(1);
    auto lamp = [&] { return PrintedPixel(line.GetWindow(), 10, 12); };
    line.SetWavelength(640);
    COLORREF off = lamp();
    EXPECT_TRUE(GetRValue(off) == GetGValue(off) && GetGValue(off) == GetBValue(off)) << "grey when off";
    line.SetLaserShine(true);
    COLORREF red = lamp();
    EXPECT_TRUE(GetRValue(red) > 200 && GetGValue(red) < 100) << std::hex << red;
    line.SetWavelength(488);
    COLORREF blue = lamp();
    EXPECT_TRUE(GetBValue(blue) > 200 && GetRValue(blue) < 60) << std::hex << blue;
}

} // namespace
