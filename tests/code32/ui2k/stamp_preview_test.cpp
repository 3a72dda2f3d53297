// The stamp preview: the rotation tables, the colour of the text, the box of
// a framed text, tiles, bitmap stamps and stamps that cannot be sized, all
// checked on the pixels painted into a memory-DC canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "gdi_canvas.h"
#include "prev_stamp_internal.h"
#include "test_context.h"
#include "ui/gdi.h"
#include "ui/user32.h"
#include "ui2k/dialog_adjust.h"
#include "velm/settings.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPage = RGB(200, 220, 240);

// A composition DC of w x h in one colour.
using test_support::Canvas;

// The composition is 56 x 77 with the page (50 x 69) in it: the work area of
// 48 x 67 starts at (56 - 48) / 2 - 1 = 3 and (77 - 67) / 2 - 2 = 3.
constexpr INT kCompW = 56, kCompH = 77, kPageW = 50, kPageH = 69;
constexpr INT kWorkX = 3, kWorkY = 3, kWorkW = 48, kWorkH = 67;

// The 1 x 1 or w x h black bitmap the test's loader hands out.
struct FakeFile {
  int32_t w = 1, h = 1;
  int calls = 0;
};
FakeFile g_file;

HBITMAP LoadFake(const char16_t*, int32_t* w, int32_t* h) {
  ++g_file.calls;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP b = CreateCompatibleBitmap(dc, g_file.w, g_file.h);
  HGDIOBJ old = SelectObject(dc, b);
  PatBlt(dc, 0, 0, g_file.w, g_file.h, BLACKNESS);
  SelectObject(dc, old);
  DeleteDC(dc);
  *w = g_file.w;
  *h = g_file.h;
  return b;
}

class Stamp : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = bare.ctx;
    ASSERT_NE(ctx, nullptr);
    item.extraData = DlgGetConvertedPreviewBlock();
    g_file = FakeFile{};
    // A4 at 600 dots an inch: 4960 x 7016 dots, the short side 8 inches.
    Set(setting::vdmFuncSelectWaterMark, 1);
    Set(setting::vdmWmKind, 1);
    Set(setting::vdmDstPaperWidthDot, 4960);
    Set(setting::vdmDstPaperLengthDot, 7016);
    Set(setting::vdmDstResolutionW, 600);
    Text(setting::wdmWmChar, u"HI");
    Text(setting::vdmWmFontName, ui::UiFontFace());
    Set(setting::vdmWmDensity, 100);
    Set(setting::vdmWmColor, 0);
    Set(setting::vdmWmEffect, 0);
    Set(setting::vdmWmAngle, 0);
    Set(setting::vdmWmFontPoint, 200);  // 200 x 50 / 72 = 139, / 8: 17 pixels
    Set(setting::vdmWmPosi, 1);          // top left
    Set(setting::vdmWmPosiTile, 0);
    Set(setting::vdmWmOpaque, 0);
    Set(setting::vdmWmFontScale, 100);
    Text(setting::wdmWmImage, u"C:\\stamp.bmp");
  }
  void Set(uint32_t id, int32_t value) {
    ASSERT_NE(OptFindSetting(ctx, id), nullptr) << id;
    OptSetValueById(ctx, id, value);
    ASSERT_EQ(OptGetValueById(ctx, id), value) << id;
  }
  void Text(uint32_t id, const char16_t* text) { ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, id), text), nullptr); }

  void Paint(Canvas& c, INT pageW = kPageW, INT pageH = kPageH) {
    const RECT r{10, 20, 10 + c.w, 20 + c.h};  // moved to the origin: the composition's size
    PrevPaintStampInto(ctx, &item, c.dc, pageW, pageH, &r, &r, LoadFake);
  }

  // The text box the painter must make, measured with the font it must use.
  SIZE TextBox(const char16_t* text, LONG height) {
    Canvas c(4, 4, kWhite);
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = height;
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, ui::UiFontFace(), std::char_traits<char16_t>::length(ui::UiFontFace()) * 2);
    HFONT f = CreateFontIndirectW(&lf);
    HGDIOBJ was = SelectObject(c.dc, f);
    SIZE ext{};
    GetTextExtentPoint32W(c.dc, text, INT(std::char_traits<char16_t>::length(text)), &ext);
    LONG sum = 0;
    ABC first{}, last{};
    for (size_t i = 0; text[i]; ++i) {
      ABC abc{};
      GetCharABCWidthsW(c.dc, text[i], text[i], &abc);
      sum += abc.abcA + LONG(abc.abcB) + abc.abcC;
      if (i == 0) first = abc;
      last = abc;
    }
    sum += std::max(0, -first.abcA) + std::max(0, -last.abcC);
    SelectObject(c.dc, was);
    DeleteObject(f);
    return SIZE{std::max(ext.cx, sum) + 2, ext.cy + 10};
  }

  BareContext bare;
  DriverContext* ctx = nullptr;
  DialogItemRecord item{};
};

TEST(StampTables, EqualTheFormulaButForEightEntries) {
  const std::map<int, int> sine_kept{{167, 23}, {211, -50}, {347, -22}, {358, -3}};
  const std::map<int, int> cosine_kept{{121, -50}, {257, -22}, {268, -3}, {301, 51}};
  struct Table {
    const char* name;
    const int16_t* values;
    double (*f)(double);
    const std::map<int, int>& kept;
  } tables[] = {{"sine", PrevStampSine(), std::sin, sine_kept}, {"cosine", PrevStampCosine(), std::cos, cosine_kept}};
  for (const Table& t : tables) {
    for (int d = 0; d < 360; ++d) {
      const int formula = int(100 * t.f(d * M_PI / 180) + 0.5);
      auto kept = t.kept.find(d);
      if (kept == t.kept.end()) {
        EXPECT_EQ(t.values[d], formula) << t.name << " " << d;
      } else {
        EXPECT_EQ(t.values[d], kept->second) << t.name << " " << d;
        EXPECT_EQ(std::abs(t.values[d] - formula), 1) << t.name << " " << d << " is one off the formula";
      }
    }
  }
}

TEST_F(Stamp, DensityAndColourMakeTheTextsColour) {
  struct Case {
    const char* name;
    int32_t density, colour, opaque;
    COLORREF page;
    COLORREF ink;  // the colour of the text's pixels; the page's own: nothing shows
  } cases[] = {
      {"grey at 100 is black", 100, 0, 0, kWhite, 0},
      {"grey at 0 over the page is invisible", 0, 0, 0, kPage, kPage},
      {"grey at 0 opaque is white", 0, 0, 1, kPage, kWhite},
      {"red at 100", 100, 1, 0, kWhite, RGB(255, 0, 0)},
      {"cyan at 50", 50, 4, 0, kWhite, RGB(128, 255, 255)},
      {"magenta at 100 opaque", 100, 5, 1, kPage, RGB(255, 0, 255)},
      {"yellow at 75", 75, 6, 0, kWhite, RGB(255, 255, 64)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Set(setting::vdmWmDensity, k.density);
    Set(setting::vdmWmColor, k.colour);
    Set(setting::vdmWmOpaque, k.opaque);
    Canvas c(kCompW, kCompH, k.page);
    Paint(c);
    const auto colours = c.Colours();
    if (k.ink == k.page) {
      EXPECT_EQ(colours.size(), 1u);
      continue;
    }
    ASSERT_EQ(colours.size(), 2u) << "the page and the text, nothing between";
    EXPECT_GT(colours.count(k.ink), 0u);
    // The text lies inside the work area.
    const RECT ink = c.InkBox(k.page);
    EXPECT_GE(ink.left, kWorkX);
    EXPECT_GE(ink.top, kWorkY);
  }
}

TEST_F(Stamp, AFramedLevelTextHasItsBoxAndItsTextAtOneFive) {
  // 17 pixels of font: the frame's corners at (0, 0) and (width, height)
  // of the box, the text drawn from (1, 5) in it, nothing else.
  Set(setting::vdmWmEffect, 1);
  const SIZE box = TextBox(u"HI", 17);
  Canvas c(kCompW, kCompH, kWhite);
  Paint(c);
  Canvas want(kCompW, kCompH, kWhite);
  {
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = 17;
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, ui::UiFontFace(), std::char_traits<char16_t>::length(ui::UiFontFace()) * 2);
    HFONT f = CreateFontIndirectW(&lf);
    HGDIOBJ was = SelectObject(want.dc, f);
    SetBkMode(want.dc, TRANSPARENT);
    IntersectClipRect(want.dc, kWorkX, kWorkY, kWorkX + kWorkW, kWorkY + kWorkH);
    TextOutW(want.dc, kWorkX + 1, kWorkY + 5, u"HI", 2);
    MoveToEx(want.dc, kWorkX, kWorkY, nullptr);
    LineTo(want.dc, kWorkX, kWorkY + box.cy);
    LineTo(want.dc, kWorkX + box.cx, kWorkY + box.cy);
    LineTo(want.dc, kWorkX + box.cx, kWorkY);
    LineTo(want.dc, kWorkX, kWorkY);
    SelectObject(want.dc, was);
    DeleteObject(f);
  }
  ASSERT_LT(box.cx, kWorkW) << "the box must fit the page for this test";
  for (INT y = 0; y < kCompH; ++y)
    for (INT x = 0; x < kCompW; ++x) ASSERT_EQ(c.At(x, y), want.At(x, y)) << x << "," << y;
  EXPECT_EQ(c.InkBox(kWhite).right, kWorkX + box.cx + 1);
  EXPECT_EQ(c.InkBox(kWhite).bottom, kWorkY + box.cy + 1);
}

TEST_F(Stamp, ACircleFrameIsSquareAtAnyAngle) {
  Set(setting::vdmWmEffect, 2);
  Set(setting::vdmWmFontPoint, 100);  // 8 pixels
  Text(setting::wdmWmChar, u"A");
  const SIZE box = TextBox(u"A", 8);
  const LONG side = std::max(box.cx, box.cy) + 12;
  for (int32_t angle : {0, 30, 45, 90, 200}) {
    SCOPED_TRACE(angle);
    Set(setting::vdmWmAngle, angle);
    Canvas c(kCompW, kCompH, kWhite);
    Paint(c);
    const RECT ink = c.InkBox(kWhite);
    // The circle's pixels: the box from (0, 0) of the work area, side wide.
    EXPECT_EQ(ink.left, kWorkX);
    EXPECT_EQ(ink.top, kWorkY);
    EXPECT_NEAR(ink.right - ink.left, side, 1);
    EXPECT_NEAR(ink.bottom - ink.top, side, 1);
    EXPECT_NEAR(ink.right - ink.left, ink.bottom - ink.top, 1);
  }
}

TEST_F(Stamp, TilesRepeatTheStampWithAPixelBetween) {
  Set(setting::vdmWmFontPoint, 100);  // 8 pixels
  Text(setting::wdmWmChar, u"H");
  const SIZE box = TextBox(u"H", 8);
  for (int32_t effect : {0, 1}) {
    SCOPED_TRACE(effect);
    Set(setting::vdmWmEffect, effect);
    Set(setting::vdmWmPosiTile, 0);
    Canvas one(kCompW, kCompH, kWhite);
    Paint(one);
    Set(setting::vdmWmPosiTile, 1);
    Canvas tiled(kCompW, kCompH, kWhite);
    Paint(tiled);
    // Every pixel of the work area repeats the single stamp's pixel at the
    // same place of its box; the column and row after each box are free,
    // except where a frame reaches them.
    const LONG stepX = box.cx + 1, stepY = box.cy + 1;
    ASSERT_LT(2 * stepX, kWorkW);
    for (INT y = 0; y < kWorkH; ++y)
      for (INT x = 0; x < kWorkW; ++x)
        ASSERT_EQ(tiled.At(kWorkX + x, kWorkY + y), one.At(kWorkX + x % stepX, kWorkY + y % stepY)) << x << "," << y;
    int tiles = 0;
    for (INT y = 0; y < kWorkH; y += stepY)
      for (INT x = 0; x < kWorkW; x += stepX) ++tiles;
    EXPECT_GE(tiles, 6);
    // Outside the work area nothing.
    EXPECT_EQ(tiled.At(kWorkX - 1, kWorkY), kWhite);
    EXPECT_EQ(tiled.At(kWorkX + kWorkW, kWorkY), kWhite);
  }
}

TEST_F(Stamp, TurnedTextRisesAlongItsAngle) {
  Text(setting::wdmWmChar, u"HHHH");
  Set(setting::vdmWmPosi, 0);  // centred
  for (int32_t angle : {0, 45}) {
    SCOPED_TRACE(angle);
    Set(setting::vdmWmAngle, angle);
    Canvas c(kCompW, kCompH, kWhite);
    Paint(c);
    const RECT ink = c.InkBox(kWhite);
    ASSERT_LT(ink.left, ink.right) << "nothing drawn";
    // The rows of the leftmost and the rightmost ink.
    INT leftRow = -1, rightRow = -1;
    for (INT y = ink.top; y < ink.bottom; ++y) {
      if (leftRow < 0 && c.At(ink.left, y) == 0) leftRow = y;
      if (c.At(ink.right - 1, y) == 0) rightRow = y;
    }
    if (angle == 0) {
      EXPECT_LT(ink.bottom - ink.top, ink.right - ink.left);
    } else {
      // Level text spans its height; at 45 degrees its right end is well
      // above its left end.
      EXPECT_LT(rightRow + 10, leftRow) << leftRow << " " << rightRow;
      EXPECT_GT(ink.bottom - ink.top, 20);
    }
  }
}

TEST_F(Stamp, BitmapStampsScaleToThePageAndKeepAPixel) {
  Set(setting::vdmWmKind, 2);
  struct Case {
    const char* name;
    int32_t w, h, scale, shortSide, tile;
    SIZE drawn;  // the black box; with tiles, the whole work area
  } cases[] = {
      // 1 x 100 / 100 x 6 x 50 / 4960 = 0: still a pixel.
      {"a pixel at 1 %", 1, 1, 1, 4960, 0, {1, 1}},
      {"a pixel at 100 %", 1, 1, 100, 4960, 0, {1, 1}},
      // 10 x 6 x 50 / 600 = 5, 4 x 6 x 50 / 600 = 2.
      {"a one-inch paper", 10, 4, 100, 600, 0, {5, 2}},
      {"at 200 %", 10, 4, 200, 600, 0, {10, 4}},
      {"tiled without gaps", 10, 4, 100, 600, 1, {kWorkW, kWorkH}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    g_file.w = k.w;
    g_file.h = k.h;
    Set(setting::vdmWmFontScale, k.scale);
    Set(setting::vdmDstPaperWidthDot, k.shortSide);
    Set(setting::vdmWmPosi, 0);  // centred (the tile flag is a bit of the same byte: set after)
    Set(setting::vdmWmPosiTile, k.tile);
    Canvas c(kCompW, kCompH, kWhite);
    Paint(c);
    const auto colours = c.Colours();
    ASSERT_EQ(colours.count(0), 1u);
    EXPECT_EQ(colours.at(0), k.drawn.cx * k.drawn.cy);
    const RECT ink = c.InkBox(kWhite);
    EXPECT_EQ(ink.right - ink.left, k.drawn.cx);
    EXPECT_EQ(ink.bottom - ink.top, k.drawn.cy);
    if (!k.tile) {
      EXPECT_EQ(ink.left, kWorkX + (kWorkW - k.drawn.cx) / 2);
      EXPECT_EQ(ink.top, kWorkY + (kWorkH - k.drawn.cy) / 2);
    }
  }
}

TEST_F(Stamp, PositionsPlaceTheStampOnThePage) {
  Set(setting::vdmWmKind, 2);
  g_file.w = 10;
  g_file.h = 4;
  Set(setting::vdmDstPaperWidthDot, 600);  // 5 x 2 pixels
  const struct {
    int32_t position;
    LONG x, y;
  } cases[] = {{0, (kWorkW - 5) / 2, (kWorkH - 2) / 2}, {2, (kWorkW - 5) / 2, 0}, {4, kWorkW - 5, 0},
               {8, 0, kWorkH - 2}, {16, (kWorkW - 5) / 2, kWorkH - 2}, {32, kWorkW - 5, kWorkH - 2},
               {1, 0, 0}, {3, 0, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.position);
    Set(setting::vdmWmPosi, k.position);
    Canvas c(kCompW, kCompH, kWhite);
    Paint(c);
    const RECT ink = c.InkBox(kWhite);
    EXPECT_EQ(ink.left, kWorkX + k.x);
    EXPECT_EQ(ink.top, kWorkY + k.y);
  }
  // A lying page (68 x 50) sits a pixel higher: (80 - 66) / 2 - 1 = 6 and
  // (77 - 48) / 2 - 3 = 11.
  Set(setting::vdmWmPosi, 1);
  Canvas c(80, kCompH, kWhite);
  Paint(c, 68, 50);
  const RECT ink = c.InkBox(kWhite);
  EXPECT_EQ(ink.left, 6);
  EXPECT_EQ(ink.top, 11);
}

// The font a dialog of the test answers WM_GETFONT with.
HFONT g_dialog_font = nullptr;
LRESULT DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(g_dialog_font);
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(Stamp, WithoutATargetThePageLiesInThePreviewInItsDialogsFont) {
  // The preview window as large as the composition: the same pixels as
  // with a target of that size. The dialog's font lends the stamp what the
  // stamp does not set itself, here an underline.
  ui::ResetWindowManager();
  WNDCLASSW cls{};
  cls.lpfnWndProc = DialogProc;
  cls.lpszClassName = u"StampTestDialog";
  RegisterClassW(&cls);
  HWND dialog = CreateWindowExW(0, u"StampTestDialog", u"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr,
                                nullptr);
  item.window = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 7, 9, kCompW, kCompH, dialog, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(item.window, nullptr);
  Set(setting::vdmWmEffect, 1);
  Canvas given(kCompW, kCompH, kWhite);
  Paint(given);
  struct Case {
    const char* name;
    BYTE underline;
    bool same;
  } cases[] = {{"the dialog's own font", 0, true}, {"an underlined font", 1, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = k.underline;
    g_dialog_font = CreateFontIndirectW(&lf);
    Canvas c(kCompW, kCompH, kWhite);
    PrevPaintStampInto(ctx, &item, c.dc, kPageW, kPageH, nullptr, nullptr, LoadFake);
    bool same = true;
    for (INT y = 0; y < kCompH; ++y)
      for (INT x = 0; x < kCompW; ++x) same = same && c.At(x, y) == given.At(x, y);
    EXPECT_EQ(same, k.same);
    if (!k.same) {
      EXPECT_GT(c.Colours().at(0), given.Colours().at(0));
    }
    DeleteObject(g_dialog_font);
    g_dialog_font = nullptr;
  }
  ui::ResetWindowManager();
}

// With the print size "Same" the sheet leaves the output size in dots at 0:
// the stamp is sized by the document's paper, as it prints.
TEST_F(Stamp, PrintSizeSameSizesTheStampByTheDocumentsPaper) {
  Canvas on_a4(kCompW, kCompH, kWhite);
  Paint(on_a4);
  const RECT want = on_a4.InkBox(kWhite);
  ASSERT_LT(want.left, want.right) << "the A4 output draws";
  Set(setting::vdmDstPaperWidthDot, 0);
  Set(setting::vdmDstPaperLengthDot, 0);
  Set(setting::vdmSrcPaperWidthDot, 4960);
  Set(setting::vdmSrcPaperLengthDot, 7016);
  Canvas same(kCompW, kCompH, kWhite);
  Paint(same);
  const RECT got = same.InkBox(kWhite);
  EXPECT_EQ(got.left, want.left);
  EXPECT_EQ(got.top, want.top);
  EXPECT_EQ(got.right, want.right);
  EXPECT_EQ(got.bottom, want.bottom);
  // An output size, when there is one, is what the stamp is sized by.
  Set(setting::vdmDstPaperWidthDot, 4960);
  Set(setting::vdmDstPaperLengthDot, 7016);
  Set(setting::vdmSrcPaperWidthDot, 2480);
  Set(setting::vdmSrcPaperLengthDot, 3508);
  Canvas output(kCompW, kCompH, kWhite);
  Paint(output);
  const RECT out = output.InkBox(kWhite);
  EXPECT_EQ(out.right - out.left, want.right - want.left);
}

TEST_F(Stamp, NothingIsDrawnWhenTheStampCannotBeSizedOrIsOff) {
  struct Case {
    const char* name;
    int32_t kind, width, length, resolution, on;
  } cases[] = {
      {"text, no paper width", 1, 0, 7016, 600, 1},
      {"text, no paper length", 1, 4960, 0, 600, 1},
      {"text, no resolution", 1, 4960, 7016, 0, 1},
      {"text, a paper under an inch", 1, 500, 7016, 600, 1},
      {"text, a negative size", 1, -4960, 7016, 600, 1},
      {"bitmap, no paper", 2, 0, 0, 600, 1},
      {"stamps off", 1, 4960, 7016, 600, 0},
      {"no stamp kind", 0, 4960, 7016, 600, 1},
  };
  for (int32_t opaque : {0, 1}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(k.name) + (opaque ? " opaque" : ""));
      Set(setting::vdmWmKind, k.kind);
      Set(setting::vdmDstPaperWidthDot, k.width);
      Set(setting::vdmDstPaperLengthDot, k.length);
      Set(setting::vdmSrcPaperWidthDot, k.width);
      Set(setting::vdmSrcPaperLengthDot, k.length);
      Set(setting::vdmDstResolutionW, k.resolution);
      Set(setting::vdmFuncSelectWaterMark, k.on);
      Set(setting::vdmWmOpaque, opaque);
      g_file.calls = 0;
      Canvas c(kCompW, kCompH, kPage);
      Paint(c);
      EXPECT_EQ(c.Colours().size(), 1u);
      EXPECT_EQ(g_file.calls, 0);
    }
  }
  // No preview block, no DC: nothing, and no crash.
  Set(setting::vdmWmKind, 1);
  Set(setting::vdmDstPaperWidthDot, 4960);
  Set(setting::vdmDstPaperLengthDot, 7016);
  Set(setting::vdmDstResolutionW, 600);
  Set(setting::vdmFuncSelectWaterMark, 1);
  Canvas c(kCompW, kCompH, kPage);
  DialogItemRecord bare_item{};
  const RECT r{0, 0, kCompW, kCompH};
  PrevPaintStampInto(ctx, &bare_item, c.dc, kPageW, kPageH, &r, &r, LoadFake);
  PrevPaintStampInto(ctx, &item, nullptr, kPageW, kPageH, &r, &r, LoadFake);
  EXPECT_EQ(c.Colours().size(), 1u);
  Paint(c);
  EXPECT_GT(c.Colours().size(), 1u) << "the same settings with a block and a DC draw";
}

TEST(StampColouring, ABlackOnWhiteDrawingTakesTheBrushColour) {
  // The drawing: a black pixel and a white one, over a page colour.
  const COLORREF colour = RGB(0, 128, 255);
  for (bool opaque : {false, true}) {
    SCOPED_TRACE(opaque);
    Canvas work(2, 1, kPage), drawing(2, 1, kWhite);
    SetPixel(drawing.dc, 0, 0, 0);
    HBRUSH brush = CreateSolidBrush(colour);
    PrevColourDrawing(work.dc, drawing.dc, 2, 1, brush, opaque);
    DeleteObject(brush);
    // Opaque: the colour where drawn, the page elsewhere. Not opaque: the
    // colour filters the page where drawn.
    EXPECT_EQ(work.At(0, 0), opaque ? colour : (colour & kPage));
    EXPECT_EQ(work.At(1, 0), kPage);
  }
}

}  // namespace
