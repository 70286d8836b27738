// Window helpers, fonts and the layout manager.
#include "testwindow.h"

#include <qv/qvdevui.h>

#include <gtest/gtest.h>

namespace {

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style = 0) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 20, 100, 40, parent, nullptr,
                           nullptr, nullptr);
}

LONG FontWeight(HWND control) {
    LOGFONTW font{};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    return handle && GetObjectW(handle, sizeof font, &font) ? font.lfWeight : 0;
}

TEST(WidgetHelpers, OuterSizesPositionInTheParentAndBoldCaptions) {
    TestWindow host;
    HWND child = Child(host.Handle(), L"Static", L"Caption", WS_BORDER);
    SetWndSize(child, 150, 30);
    SetWndWidth(child, 90);
    SetWndX(child, 55);
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, host.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((std::vector<LONG>{55, 20, 90, 30}),
              (std::vector<LONG>{r.left, r.top, GetWndWidth(child), GetWndHeight(child)}));
    EXPECT_EQ(0, GetWndWidth(nullptr));

    HWND edit = Child(host.Handle(), L"Edit", L"text");
    HWND frame = Child(host.Handle(), L"Static", L"", SS_ETCHEDFRAME);
    HWND nested = Child(Child(host.Handle(), L"Static", L"box"), L"Static", L"inner");
    BoldifyCaptions(host.Handle());
    EXPECT_EQ(FW_BOLD, FontWeight(child));
    for (HWND other : {edit, frame, nested})
        EXPECT_NE(FW_BOLD, FontWeight(other)) << "only the dialog's own captions";
    EXPECT_EQ(QV_GetDefaultGuiFont(), QV_GetDefaultGuiFont());
    EXPECT_EQ(OBJ_FONT, GetObjectType(QV_GetDefaultGuiFont()));
}

TEST(WidgetLayout, ZoomScalesWindowsByTheRatioAndDockersLayOutAgainUntilTheyAreGone) {
    TestWindow host;
    HWND child = Child(host.Handle(), L"Static", L"x");
    CQvGUILayoutManager::SetGuiZoom(1.5);
    CQvGUILayoutManager::SetGuiZoom(0.0); // ignored, as negative ones
    EXPECT_EQ(1.0, CQvGUILayoutManager::GetPreviousGuiZoom());
    CQvGUILayoutManager::ResizeWindowToGuiZoom(child, CQvGUILayoutManager::GetPreviousGuiZoom());
    CQvGUILayoutManager::ResizeWindowToGuiZoom(child, 0.0);
    EXPECT_EQ((std::vector<int>{150, 60}), (std::vector<int>{GetWndWidth(child), GetWndHeight(child)}));

    int keys[2] = {};
    auto* element = reinterpret_cast<IQvGUIElement*>(&keys[0]);
    auto* other = reinterpret_cast<IQvGUIElement*>(&keys[1]);
    CQvGUILayoutManager::SetDocker(element, host.Handle());
    CQvGUILayoutManager::SetDocker(other, child);
    CQvGUILayoutManager::ResizeDocker(CQvGUILayoutManager::GetParentDockerForResize(element));
    ASSERT_TRUE(PumpUntil([&] { return !host.sizes.empty(); }));
    RECT client{};
    GetClientRect(host.Handle(), &client);
    EXPECT_EQ(MAKELPARAM(client.right, client.bottom), host.sizes.back());
    DestroyWindow(child);
    CQvGUILayoutManager::RefreshDeletedElements();
    EXPECT_EQ(nullptr, CQvGUILayoutManager::GetParentDockerForResize(other));
    EXPECT_EQ(host.Handle(), CQvGUILayoutManager::GetParentDockerForResize(element));
    CQvGUILayoutManager::SetDocker(element, nullptr);
    EXPECT_EQ(nullptr, CQvGUILayoutManager::GetParentDockerForResize(element));
}

} // namespace
