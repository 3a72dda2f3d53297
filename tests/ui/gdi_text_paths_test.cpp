// Turned text, glyph widths, paths, arcs and the brush raster operations of
// the window layer, checked on the pixels the engine draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/gdi.h"

namespace {

// A memory DC on a white bitmap of w x h.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  INT w, h;
  Canvas(INT width, INT height) : w(width), h(height) {
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
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool Black(INT x, INT y) const { return GetPixel(dc, x, y) == 0; }
  // The box of the pixels that are not white; empty when there are none.
  RECT Ink() const {
    RECT r{w, h, 0, 0};
    for (INT y = 0; y < h; ++y)
      for (INT x = 0; x < w; ++x)
        if (GetPixel(dc, x, y) != RGB(255, 255, 255)) {
          r.left = std::min(r.left, x);
          r.top = std::min(r.top, y);
          r.right = std::max(r.right, x + 1);
          r.bottom = std::max(r.bottom, y + 1);
        }
    return r;
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (INT y = 0; y < h; ++y)
      for (INT x = 0; x < w; ++x) n += GetPixel(dc, x, y) == c;
    return n;
  }
};

// A font of the machine's UI face, em height px, turned by tenths of a degree.
HFONT MakeFont(LONG px, LONG escapement, LONG weight = 400) {
  LOGFONTW lf{};
  lf.lfHeight = -px;
  lf.lfEscapement = escapement;
  lf.lfOrientation = escapement;
  lf.lfWeight = weight;
  lf.lfCharSet = 1;
  const char16_t* face = ui::UiFontFace();
  std::memcpy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face) * sizeof(char16_t));
  return CreateFontIndirectW(&lf);
}

TEST(GdiText, TurnedTextDrawsAboutTheCellsTopLeftCorner) {
  // "HHHH" from (100, 100): level it lies right of and below that point;
  // at 90 degrees it rises above it and lies right of it; at 45 degrees it
  // goes up and to the right, and its extent stays what it is level.
  struct Case {
    LONG escapement;
    bool wide;  // the ink wider than high
    bool above;  // the ink above y = 100
  } cases[] = {{0, true, false}, {900, false, true}, {450, false, true}};
  SIZE level{};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.escapement);
    Canvas c(220, 220);
    HFONT font = MakeFont(24, k.escapement);
    HGDIOBJ was = SelectObject(c.dc, font);
    SetBkMode(c.dc, TRANSPARENT);
    SIZE ext{};
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"HHHH", 4, &ext));
    if (k.escapement == 0) level = ext;
    EXPECT_EQ(ext.cx, level.cx);
    EXPECT_EQ(ext.cy, level.cy);
    ASSERT_TRUE(TextOutW(c.dc, 100, 100, u"HHHH", 4));
    const RECT ink = c.Ink();
    ASSERT_LT(ink.left, ink.right) << "nothing drawn";
    const LONG iw = ink.right - ink.left, ih = ink.bottom - ink.top;
    EXPECT_EQ(iw > ih, k.wide) << iw << " x " << ih;
    EXPECT_GE(ink.left, 99);
    if (k.above) {
      EXPECT_LE(ink.bottom, 101 + ext.cy);
      EXPECT_LT(ink.top, 100 - ext.cy);
    } else {
      EXPECT_GE(ink.top, 100);
    }
    if (k.escapement == 450) {
      // Turned by 45 degrees the row of letters spans about ext / sqrt 2 each way.
      EXPECT_NEAR(iw, ext.cx * 0.707 + ext.cy * 0.5, ext.cy);
      EXPECT_NEAR(ih, ext.cx * 0.707 + ext.cy * 0.5, ext.cy);
    }
    SelectObject(c.dc, was);
    DeleteObject(font);
  }
}

TEST(GdiText, AbcWidthsAddUpToTheAdvanceAndPlaceTheInk) {
  Canvas c(120, 80);
  HFONT font = MakeFont(40, 0);
  HGDIOBJ was = SelectObject(c.dc, font);
  SetBkMode(c.dc, TRANSPARENT);
  for (char16_t ch : {u'H', u'l', u'W', u'j', u'.'}) {
    SCOPED_TRACE(std::string(1, char(ch)));
    ABC abc{};
    ASSERT_TRUE(GetCharABCWidthsW(c.dc, ch, ch, &abc));
    SIZE ext{};
    GetTextExtentPoint32W(c.dc, &ch, 1, &ext);
    EXPECT_EQ(abc.abcA + INT(abc.abcB) + abc.abcC, ext.cx);
    EXPECT_GT(abc.abcB, 0u);
    PatBlt(c.dc, 0, 0, c.w, c.h, WHITENESS);
    TextOutW(c.dc, 30, 10, &ch, 1);
    const RECT ink = c.Ink();
    EXPECT_NEAR(ink.left, 30 + abc.abcA, 1);
    EXPECT_NEAR(ink.right - ink.left, INT(abc.abcB), 1);
  }
  // A run of characters at once, and a range the wrong way round.
  ABC run[3]{};
  ASSERT_TRUE(GetCharABCWidthsW(c.dc, u'a', u'c', run));
  ABC b{};
  GetCharABCWidthsW(c.dc, u'b', u'b', &b);
  EXPECT_EQ(run[1].abcB, b.abcB);
  EXPECT_FALSE(GetCharABCWidthsW(c.dc, u'c', u'a', run));
  SelectObject(c.dc, was);
  DeleteObject(font);
}

TEST(GdiPaths, TextInAPathIsItsOutline) {
  // A heavy "I": drawn as text its stem is black through; its outline
  // stroked leaves the middle of the stem white; the path filled is black
  // there again. Nothing shows before the path is drawn.
  HFONT font = MakeFont(80, 0, 700);
  Canvas text(100, 120), stroked(100, 120), filled(100, 120);
  for (Canvas* c : {&text, &stroked, &filled}) {
    SelectObject(c->dc, font);
    SetBkMode(c->dc, TRANSPARENT);
  }
  TextOutW(text.dc, 20, 10, u"I", 1);
  const RECT ink = text.Ink();
  ASSERT_LT(ink.left, ink.right);
  const INT mx = (ink.left + ink.right) / 2, my = (ink.top + ink.bottom) / 2;
  ASSERT_TRUE(text.Black(mx, my));
  ASSERT_GE(ink.right - ink.left, 6) << "the stem is too thin to have a middle";

  ASSERT_TRUE(BeginPath(stroked.dc));
  ASSERT_TRUE(TextOutW(stroked.dc, 20, 10, u"I", 1));
  EXPECT_EQ(stroked.Count(0), 0) << "drawn before the path was";
  EXPECT_FALSE(StrokePath(stroked.dc)) << "a path still open";
  ASSERT_TRUE(EndPath(stroked.dc));
  ASSERT_TRUE(StrokePath(stroked.dc));
  EXPECT_FALSE(stroked.Black(mx, my));
  EXPECT_TRUE(stroked.Black(ink.left, my) || stroked.Black(ink.left + 1, my));
  EXPECT_TRUE(stroked.Black(ink.right - 1, my) || stroked.Black(ink.right, my));
  EXPECT_FALSE(StrokePath(stroked.dc)) << "the path went with the first stroke";

  SelectObject(filled.dc, GetStockObject(BLACK_BRUSH));
  BeginPath(filled.dc);
  TextOutW(filled.dc, 20, 10, u"I", 1);
  EndPath(filled.dc);
  ASSERT_TRUE(FillPath(filled.dc));
  EXPECT_TRUE(filled.Black(mx, my));
  const RECT fill_ink = filled.Ink();
  EXPECT_NEAR(fill_ink.left, ink.left, 1);
  EXPECT_NEAR(fill_ink.bottom, ink.bottom, 1);
  for (Canvas* c : {&text, &stroked, &filled}) SelectObject(c->dc, GetStockObject(DEFAULT_GUI_FONT));
  DeleteObject(font);
}

TEST(GdiPaths, LinesInAPathAndAbort) {
  Canvas c(40, 40);
  BeginPath(c.dc);
  MoveToEx(c.dc, 5, 5, nullptr);
  LineTo(c.dc, 30, 5);
  LineTo(c.dc, 30, 30);
  LineTo(c.dc, 5, 5);
  EXPECT_EQ(c.Count(0), 0);
  EndPath(c.dc);
  ASSERT_TRUE(StrokePath(c.dc));
  EXPECT_TRUE(c.Black(15, 5));
  EXPECT_TRUE(c.Black(30, 20));
  EXPECT_FALSE(c.Black(10, 25)) << "outside the triangle";

  Canvas d(40, 40);
  BeginPath(d.dc);
  MoveToEx(d.dc, 5, 5, nullptr);
  LineTo(d.dc, 30, 5);
  ASSERT_TRUE(AbortPath(d.dc));
  EXPECT_FALSE(EndPath(d.dc));
  LineTo(d.dc, 30, 30);  // no path: drawn at once
  EXPECT_TRUE(d.Black(30, 20));
  EXPECT_FALSE(d.Black(15, 5));
}

TEST(GdiPaths, ArcsGoCounterClockwiseAndOnePointMakesTheWholeEllipse) {
  struct Case {
    const char* name;
    INT xs, ys, xe, ye;
    bool top, bottom, left, right;
  } cases[] = {
      {"whole", 21, 10, 21, 10, true, true, true, true},
      {"upper half", 21, 10, 0, 10, true, false, true, true},
      {"lower half", 0, 10, 21, 10, false, true, true, true},
      {"first quarter", 21, 10, 10, 0, true, false, false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Canvas c(24, 24);
    ASSERT_TRUE(Arc(c.dc, 0, 0, 21, 21, k.xs, k.ys, k.xe, k.ye));
    // The ends of a pen's line leave out their last pixel: look one pixel around.
    auto near = [&](INT x, INT y) {
      for (INT dy = -1; dy <= 1; ++dy)
        for (INT dx = 0; dx <= 1; ++dx)
          if (c.Black(x + dx, y + dy)) return true;
      return false;
    };
    EXPECT_EQ(near(10, 0), k.top);
    EXPECT_EQ(near(10, 19), k.bottom);
    EXPECT_EQ(near(0, 10), k.left);
    EXPECT_EQ(near(19, 10), k.right);
    EXPECT_FALSE(c.Black(10, 10)) << "an arc is not filled";
  }
}

TEST(GdiRops, BrushRopsColourABlackOnWhiteDrawing) {
  // dest AND pattern keeps black and turns white to the brush; dest OR
  // pattern keeps white and turns black to the brush.
  const COLORREF brush = RGB(255, 64, 0);
  struct Case {
    DWORD rop;
    COLORREF on_white, on_black;
  } cases[] = {{0xA000C9, brush, 0}, {0xFA0089, RGB(255, 255, 255), brush}};
  for (const Case& k : cases) {
    Canvas c(2, 1);
    SetPixel(c.dc, 1, 0, 0);
    HBRUSH b = CreateSolidBrush(brush);
    HGDIOBJ was = SelectObject(c.dc, b);
    ASSERT_TRUE(BitBlt(c.dc, 0, 0, 2, 1, nullptr, 0, 0, k.rop));
    EXPECT_EQ(GetPixel(c.dc, 0, 0), k.on_white) << std::hex << k.rop;
    EXPECT_EQ(GetPixel(c.dc, 1, 0), k.on_black) << std::hex << k.rop;
    SelectObject(c.dc, was);
    DeleteObject(b);
  }
}

}  // namespace
