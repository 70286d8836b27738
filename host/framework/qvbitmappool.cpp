// The host's base images, drawn once on first use and owned by the pool.
#include "qv/qvdevui.h"

#include <math.h>
#include <wctype.h>

#include <map>
#include <mutex>
#include <string>

namespace {

const double kPi = 3.14159265358979323846;

struct Pool {
    std::mutex mutex;
    std::map<std::wstring, HBITMAP> bitmaps;
    ~Pool() {
        for (auto& entry : bitmaps)
            DeleteObject(entry.second);
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

const int kGlyphSize = 16;

// A grey gear on the button face colour, so that it sits on a button without a mask.
void DrawGear(HDC dc) {
    const double centre = (kGlyphSize - 1) / 2.0, outer = 7.4, inner = 5.2, hole = 2.3;
    const int teeth = 8, corners = teeth * 4;
    POINT points[corners];
    for (int i = 0; i < corners; ++i) {
        double angle = (i + 0.5) * 2.0 * kPi / corners;
        double radius = (i % 4) < 2 ? outer : inner;
        points[i] = POINT{static_cast<LONG>(lround(centre + radius * cos(angle))),
                          static_cast<LONG>(lround(centre + radius * sin(angle)))};
    }
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(60, 60, 60));
    HBRUSH body = CreateSolidBrush(RGB(120, 120, 120));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, body);
    Polygon(dc, points, corners);
    SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
    int l = static_cast<int>(lround(centre - hole)), r = static_cast<int>(lround(centre + hole)) + 1;
    Ellipse(dc, l, l, r, r);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(body);
    DeleteObject(pen);
}

HBITMAP MakeSettingsGlyph() {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kGlyphSize, kGlyphSize);
    ReleaseDC(nullptr, screen);
    if (bitmap) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, kGlyphSize, kGlyphSize};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        DrawGear(dc);
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    return bitmap;
}

} // namespace

HBITMAP CQvBitmapPool::AddImageBaseUI(const wchar_t* name, void*) {
    if (!name) return nullptr;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    std::wstring key(name);
    for (wchar_t& c : key)
        c = towupper(c);
    auto found = pool.bitmaps.find(key);
    if (found != pool.bitmaps.end()) return found->second;
    HBITMAP bitmap = key == L"SETTINGS" ? MakeSettingsGlyph() : nullptr;
    if (bitmap) pool.bitmaps[key] = bitmap;
    return bitmap;
}
