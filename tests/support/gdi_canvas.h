// A memory DC of the window layer over a w x h bitmap filled with one
// colour, for tests that draw and read pixels back.
#pragma once

#include "ui/gdi.h"

namespace test_support {

struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  Canvas(int w, int h, COLORREF fill) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bitmap);
    RECT r{0, 0, w, h};
    HBRUSH b = CreateSolidBrush(fill);
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
};

}  // namespace test_support
