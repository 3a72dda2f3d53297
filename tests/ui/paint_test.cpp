// Drawing and painting in the window layer: memory DCs and their raster
// operations, clipping, text, the WM_ERASEBKGND / WM_PAINT road of windows,
// owner-drawn controls, and a picture of a dialog holding each standard
// control compared with its reviewed golden picture.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/gdi.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;

// A memory DC on a bitmap of w x h, filled white.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(INT w, INT h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(INT x, INT y) const { return GetPixel(dc, x, y); }
  // Pixels of a row as characters: '#' black, '.' white, '?' other.
  std::string Row(INT y, INT from, INT to) const {
    std::string s;
    for (INT x = from; x < to; ++x) {
      COLORREF c = At(x, y);
      s += c == 0 ? '#' : c == RGB(255, 255, 255) ? '.' : '?';
    }
    return s;
  }
  // Pixels of this colour in the rectangle.
  int Count(COLORREF c, INT l, INT t, INT r, INT b) const {
    int n = 0;
    for (INT y = t; y < b; ++y)
      for (INT x = l; x < r; ++x) n += At(x, y) == c;
    return n;
  }
};

TEST(Gdi, RasterOperationsOfBitBltAndPatBlt) {
  // Source: a 4 x 1 strip black, white, red, green; destination under it
  // preset to a colour per case; the result per ROP is computed bit by bit.
  Canvas src(4, 1), dst(4, 1);
  const COLORREF src_px[4] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0)};
  for (INT x = 0; x < 4; ++x) SetPixel(src.dc, x, 0, src_px[x]);
  const COLORREF dest = RGB(0x33, 0x66, 0xCC);
  const COLORREF brush = RGB(0xF0, 0x0F, 0xAA);
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF (*op)(COLORREF p, COLORREF s, COLORREF d);
  } cases[] = {
      {"SRCCOPY", SRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return s; }},
      {"SRCAND", SRCAND, [](COLORREF, COLORREF s, COLORREF d) { return s & d; }},
      {"SRCPAINT", SRCPAINT, [](COLORREF, COLORREF s, COLORREF d) { return s | d; }},
      {"SRCINVERT", SRCINVERT, [](COLORREF, COLORREF s, COLORREF d) { return s ^ d; }},
      {"NOTSRCCOPY", NOTSRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return ~s & 0xFFFFFF; }},
      {"SRCERASE", SRCERASE, [](COLORREF, COLORREF s, COLORREF d) { return s & ~d & 0xFFFFFF; }},
      {"MERGECOPY", MERGECOPY, [](COLORREF p, COLORREF s, COLORREF) { return p & s; }},
      {"MERGEPAINT", MERGEPAINT, [](COLORREF, COLORREF s, COLORREF d) { return (~s | d) & 0xFFFFFF; }},
      {"PATCOPY", PATCOPY, [](COLORREF p, COLORREF, COLORREF) { return p; }},
      {"PATINVERT", PATINVERT, [](COLORREF p, COLORREF, COLORREF d) { return p ^ d; }},
      {"DSTINVERT", DSTINVERT, [](COLORREF, COLORREF, COLORREF d) { return ~d & 0xFFFFFF; }},
      {"BLACKNESS", BLACKNESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF(0); }},
      {"WHITENESS", WHITENESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF(0xFFFFFF); }},
  };
  HBRUSH b = CreateSolidBrush(brush);
  HGDIOBJ old = SelectObject(dst.dc, b);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (INT x = 0; x < 4; ++x) SetPixel(dst.dc, x, 0, dest);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, c.rop));
    for (INT x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, 0), c.op(brush, src_px[x], dest)) << "pixel " << x;
    // PatBlt takes the operations without a source.
    if (c.rop == PATCOPY || c.rop == PATINVERT || c.rop == DSTINVERT || c.rop == BLACKNESS || c.rop == WHITENESS) {
      for (INT x = 0; x < 4; ++x) SetPixel(dst.dc, x, 0, dest);
      ASSERT_TRUE(PatBlt(dst.dc, 1, 0, 2, 1, c.rop));
      EXPECT_EQ(dst.At(0, 0), dest);
      EXPECT_EQ(dst.At(1, 0), c.op(brush, 0, dest));
      EXPECT_EQ(dst.At(2, 0), c.op(brush, 0, dest));
      EXPECT_EQ(dst.At(3, 0), dest);
    }
  }
  SelectObject(dst.dc, old);
  DeleteObject(b);
}

TEST(Gdi, StretchBltScalesAndABitmapBelongsToOneDc) {
  Canvas src(2, 2), dst(8, 8);
  SetPixel(src.dc, 0, 0, 0);
  SetPixel(src.dc, 1, 1, 0);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Row(0, 0, 8), "####....");
  EXPECT_EQ(dst.Row(7, 0, 8), "....####");
  // A bitmap selected in one memory DC is refused by another.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, src.bitmap), nullptr);
  // A selected bitmap is not deleted under its DC; stock objects stay.
  EXPECT_FALSE(DeleteObject(src.bitmap));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
  DeleteDC(other);
}

TEST(Gdi, FillFrameFocusAndRectangle) {
  Canvas c(12, 8);
  RECT r{2, 1, 10, 7};
  EXPECT_EQ(FrameRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
  EXPECT_EQ(c.Row(1, 0, 12), "..########..");
  EXPECT_EQ(c.Row(3, 0, 12), "..#......#..");
  EXPECT_EQ(c.Row(6, 0, 12), "..########..");
  EXPECT_EQ(c.Row(7, 0, 12), "............");
  // A system colour index plus one stands for its brush.
  RECT inner{3, 2, 9, 6};
  FillRect(c.dc, &inner, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1)));
  EXPECT_EQ(c.At(5, 3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(c.At(2, 3), 0u);

  // The focus frame inverts every other pixel of its edge, and a second
  // call takes it away again.
  Canvas f(10, 6);
  RECT fr{0, 0, 10, 6};
  ASSERT_TRUE(DrawFocusRect(f.dc, &fr));
  const int dots = f.Count(0, 0, 0, 10, 6);
  EXPECT_EQ(dots, 14);  // half of the 28 edge pixels
  EXPECT_EQ(f.Count(0, 1, 1, 9, 5), 0);
  EXPECT_NE(f.Row(0, 0, 10), "##########");
  DrawFocusRect(f.dc, &fr);
  EXPECT_EQ(f.Count(0, 0, 0, 10, 6), 0);

  // Rectangle: the pen's frame inside the box, the brush within.
  Canvas g(8, 6);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(g.dc, red);
  ASSERT_TRUE(Rectangle(g.dc, 1, 1, 7, 5));
  EXPECT_EQ(g.Row(1, 0, 8), ".######.");
  EXPECT_EQ(g.Row(2, 0, 8), ".#????#.");
  EXPECT_EQ(g.At(3, 3), RGB(255, 0, 0));
  SelectObject(g.dc, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(g.dc, 0, 0, 2, 2));
  EXPECT_EQ(g.At(0, 0), RGB(255, 0, 0));
  SelectObject(g.dc, old);
  DeleteObject(red);
}

TEST(Gdi, ClippingExcludesAndIntersects) {
  Canvas c(10, 3);
  EXPECT_EQ(ExcludeClipRect(c.dc, 3, 0, 5, 3), COMPLEXREGION);
  EXPECT_EQ(IntersectClipRect(c.dc, 1, 0, 9, 3), COMPLEXREGION);
  PatBlt(c.dc, 0, 0, 10, 3, BLACKNESS);
  EXPECT_EQ(c.Row(1, 0, 10), ".##..####.");
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 9);
  // SaveDC keeps the clip; RestoreDC brings it back.
  const INT saved = SaveDC(c.dc);
  EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 0, 0), NULLREGION);
  PatBlt(c.dc, 0, 0, 10, 3, WHITENESS);
  EXPECT_EQ(c.Row(1, 0, 10), ".##..####.");
  ASSERT_TRUE(RestoreDC(c.dc, saved));
  PatBlt(c.dc, 0, 0, 10, 3, WHITENESS);
  EXPECT_EQ(c.Row(1, 0, 10), "..........");
  EXPECT_FALSE(RestoreDC(c.dc, 5));
}

TEST(Gdi, TextMetricsExtentsAndDrawTextFlags) {
  Canvas c(200, 60);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(c.dc, &tm));
  // The UI font at 12 pixels of em: a cell of 12 to 18 pixels.
  EXPECT_GT(tm.tmAscent, tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 18);
  EXPECT_GT(tm.tmAveCharWidth, 2);
  SIZE one{}, two{};
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Paper", 5, &one));
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"PaperPaper", 10, &two));
  EXPECT_EQ(one.cy, tm.tmHeight);
  EXPECT_NEAR(two.cx, 2 * one.cx, 1);

  struct Case {
    const char* name;
    const char16_t* text;
    UINT format;
    LONG width;
    LONG want_lines;
  } cases[] = {
      {"one line", u"A4 210 x 297 mm", DT_SINGLELINE | DT_LEFT, 190, 1},
      {"line breaks", u"one\ntwo\r\nthree", DT_LEFT, 190, 3},
      {"word break", u"Print on both sides of the paper", DT_WORDBREAK, 60, 0},
      {"a long word stays whole", u"Supercalifragilistic", DT_WORDBREAK, 20, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    RECT r{0, 0, k.width, 0};
    const INT h = DrawTextW(c.dc, k.text, -1, &r, k.format | DT_CALCRECT);
    EXPECT_EQ(h, r.bottom);
    if (k.want_lines) EXPECT_EQ(h, k.want_lines * tm.tmHeight);
    else EXPECT_GT(h, 2 * tm.tmHeight);
    if (k.format & DT_WORDBREAK) {
      RECT single{0, 0, 1000, 0};
      DrawTextW(c.dc, k.text, -1, &single, DT_SINGLELINE | DT_CALCRECT);
      if (k.want_lines == 1) EXPECT_EQ(r.right, single.right);  // wider than asked: nothing to break at
      else EXPECT_LE(r.right, k.width);
    }
  }
  // The prefix mark is not drawn and takes no room; "&&" is one '&'.
  SIZE plain{};
  GetTextExtentPoint32W(c.dc, u"Copies", 6, &plain);
  RECT pr{0, 0, 200, 0};
  DrawTextW(c.dc, u"&Copies", -1, &pr, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(pr.right, plain.cx);
  RECT np{0, 0, 200, 0};
  DrawTextW(c.dc, u"&Copies", -1, &np, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_GT(np.right, plain.cx);

  // An ellipsis keeps the text inside its rectangle; the same text without
  // one runs past it (not clipped with DT_NOCLIP).
  const char16_t* long_text = u"Letter Extra Transverse 9.275 x 12 in";
  SetBkMode(c.dc, TRANSPARENT);
  RECT e{10, 5, 80, 25};
  DrawTextW(c.dc, long_text, -1, &e, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_GT(c.Count(0, 10, 5, 80, 25), 10);
  EXPECT_EQ(c.Count(0, 80, 0, 200, 60), 0);
  RECT n{10, 30, 80, 50};
  DrawTextW(c.dc, long_text, -1, &n, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(c.Count(0, 80, 30, 200, 50), 10);

  // Centred and right-aligned text sit where they say; vertical centring.
  Canvas a(100, 40);
  SetBkMode(a.dc, TRANSPARENT);
  RECT ar{0, 0, 100, 40};
  DrawTextW(a.dc, u"OK", -1, &ar, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
  EXPECT_EQ(a.Count(0, 0, 0, 60, 40), 0);
  EXPECT_GT(a.Count(0, 80, 10, 100, 30), 5);
  EXPECT_EQ(a.Count(0, 0, 0, 100, 8), 0);
}

}  // namespace
