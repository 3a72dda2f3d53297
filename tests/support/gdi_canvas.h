// A memory DC of the window layer over a w x h bitmap filled with one
// colour, for tests that draw and read pixels back.
#pragma once

#include <algorithm>
#include <map>

#include "ui/gdi.h"

namespace test_support {

struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  int w, h;
  Canvas(int width, int height, COLORREF fill) : w(width), h(height) {
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
  // How many pixels of each colour.
  std::map<COLORREF, int> Colours() const {
    std::map<COLORREF, int> n;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ++n[At(x, y)];
    return n;
  }
  // The box of the pixels not of the background colour.
  RECT InkBox(COLORREF background) const {
    RECT r{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (At(x, y) != background) {
          r.left = std::min(r.left, x);
          r.top = std::min(r.top, y);
          r.right = std::max(r.right, x + 1);
          r.bottom = std::max(r.bottom, y + 1);
        }
    return r;
  }
};

}  // namespace test_support
