#include "pngwriter.h"

#include <objidl.h> // PROPID, which the lean windows.h leaves out
#include <gdiplus.h>

namespace {
// The PNG encoder that every GDI+ has.
const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
} // namespace

bool WriteScreenPng(const RECT& r, const std::wstring& path) {
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool written = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    written = written && Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    if (written) {
        {
            Gdiplus::Bitmap picture(bitmap, nullptr);
            written = picture.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return written;
}
