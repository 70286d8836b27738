#include "devuipaint.h"

#include <math.h>

namespace devui {
namespace {

const double kPi = 3.14159265358979323846;

// Selects a pen and a brush for one shape and puts the old ones back.
class Pencil {
public:
    Pencil(HDC dc, COLORREF line, COLORREF fill)
        : m_hDC(dc), m_hPen(CreatePen(PS_SOLID, 1, line)), m_hBrush(CreateSolidBrush(fill)),
          m_hOldPen(SelectObject(dc, m_hPen)), m_hOldBrush(SelectObject(dc, m_hBrush)) {}
    ~Pencil() {
        SelectObject(m_hDC, m_hOldPen);
        SelectObject(m_hDC, m_hOldBrush);
        DeleteObject(m_hPen);
        DeleteObject(m_hBrush);
    }
    Pencil(const Pencil&) = delete;
    Pencil& operator=(const Pencil&) = delete;

private:
    HDC m_hDC;
    HPEN m_hPen;
    HBRUSH m_hBrush;
    HGDIOBJ m_hOldPen;
    HGDIOBJ m_hOldBrush;
};

COLORREF Darker(COLORREF c) {
    return RGB(GetRValue(c) * 3 / 5, GetGValue(c) * 3 / 5, GetBValue(c) * 3 / 5);
}

RECT Inset(const RECT& r, int by) {
    return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

} // namespace

COLORREF WavelengthColor(uint32_t nm) {
    if (nm == 0) return RGB(255, 191, 0);
    if (nm < 380) return RGB(120, 0, 190);
    if (nm > 780) return RGB(150, 0, 0);
    double w = nm, r = 0, g = 0, b = 0;
    if (w < 440) {
        r = (440 - w) / 60, b = 1;
    } else if (w < 490) {
        g = (w - 440) / 50, b = 1;
    } else if (w < 510) {
        g = 1, b = (510 - w) / 20;
    } else if (w < 580) {
        r = (w - 510) / 70, g = 1;
    } else if (w < 645) {
        r = 1, g = (645 - w) / 65;
    } else {
        r = 1;
    }
    // The eye sees the ends of the range dimmer.
    double intensity = w < 420 ? 0.3 + 0.7 * (w - 380) / 40 : w > 700 ? 0.3 + 0.7 * (780 - w) / 80 : 1.0;
    auto level = [intensity](double c) { return static_cast<BYTE>(lround(255 * pow(c * intensity, 0.8))); };
    return RGB(level(r), level(g), level(b));
}

void DrawShutterIcon(HDC dc, const RECT& box, bool open, bool enabled) {
    COLORREF rim = enabled ? RGB(70, 70, 70) : RGB(150, 150, 150);
    {
        Pencil body(dc, rim, enabled ? RGB(110, 110, 110) : RGB(190, 190, 190));
        Ellipse(dc, box.left, box.top, box.right, box.bottom);
    }
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    int radius = (box.right - box.left) / 2;
    if (open) {
        // The light passing through.
        RECT hole = Inset(box, (box.right - box.left) / 5);
        Pencil light(dc, rim, enabled ? RGB(255, 225, 70) : RGB(235, 235, 235));
        Ellipse(dc, hole.left, hole.top, hole.right, hole.bottom);
        return;
    }
    // Closed blades meeting in the middle.
    HPEN pen = CreatePen(PS_SOLID, 1, enabled ? RGB(200, 200, 200) : RGB(225, 225, 225));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int i = 0; i < 6; ++i) {
        double angle = i * kPi / 3;
        MoveToEx(dc, cx, cy, nullptr);
        LineTo(dc, cx + static_cast<int>(lround((radius - 1) * cos(angle + 0.6))),
               cy + static_cast<int>(lround((radius - 1) * sin(angle + 0.6))));
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawLamp(HDC dc, const RECT& box, COLORREF color, bool lit) {
    if (lit) {
        Pencil lamp(dc, Darker(color), color);
        Ellipse(dc, box.left, box.top, box.right, box.bottom);
        return;
    }
    Pencil lamp(dc, RGB(150, 150, 150), RGB(212, 212, 212));
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
}

} // namespace devui
