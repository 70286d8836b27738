// A visible top-level window holding the widgets (or the pad) under test as a host would, and probes of
// windows; waiting on messages comes with the person.
#pragma once

#include "../ui/person.h"

#include <windows.h>

#include <vector>

class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Handle() const { return m_hWnd; }

    std::vector<WPARAM> commands; // wParam of every WM_COMMAND
    std::vector<LPARAM> sizes;    // lParam of every WM_SIZE

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd;
};

// Every window inside parent, at any depth.
int DescendantCount(HWND parent);
// The pixel at (x, y) of a window's client area as the window prints it.
COLORREF PrintedPixel(HWND window, int x, int y);
// GDI objects of this process, or -1 where they cannot be counted.
int GdiObjectCount();
