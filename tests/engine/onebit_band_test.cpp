// Drawing onto one-bit bands, where the engine works eight pixels a byte:
// brushes through glyph-like masks, fills and pens through their coverage,
// and halftoned images. Each case is checked pixel by pixel against what
// the drawing means (or against the same drawing at 24 bits, whose pixels
// go one by one), at every alignment of the drawing to the bytes, with
// clips smaller than the drawing and at the bitmap's right edge.
#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "eng/dc.h"
#include "eng/objects.h"
#include "eng_test_util.h"

using eng_test::TestBitmap;

namespace {

constexpr MIX kCopyPen = 0x0D0D;

void SetBit(SURFOBJ* so, LONG x, LONG y, bool on) {
  uint8_t* r = static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  if (on) r[x >> 3] = uint8_t(r[x >> 3] | (0x80u >> (x & 7)));
  else r[x >> 3] = uint8_t(r[x >> 3] & ~(0x80u >> (x & 7)));
}

// A one-bit bitmap of a fixed irregular picture, so that a pixel a drawing
// must leave alone shows when it is changed.
void Scramble(TestBitmap* bmp, uint32_t seed) {
  SURFOBJ* so = bmp->so();
  for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
    for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
      seed = seed * 1103515245u + 12345u;
      SetBit(so, x, y, (seed >> 16) & 1);
    }
}

bool InAny(const std::vector<RECTL>& rects, LONG x, LONG y) {
  for (const RECTL& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

// The clips of the cases: none, one smaller than the drawing, one that
// runs to the bitmap's right edge (its width is not a whole byte), and
// several narrow ones whose edges fall inside bytes.
std::vector<std::vector<RECTL>> Clips(LONG w, LONG h) {
  return {{},
          {{9, 2, 30, h - 3}},
          {{w - 13, 0, w, h}},
          {{3, 0, 5, h}, {11, 1, 12, h}, {17, 0, 26, 4}, {17, 6, 40, h}}};
}

// A brush goes through a mask (1: the brush, 0: the destination stays, as
// glyphs are drawn; or a one-bit source under ROP 0xE2), at each offset of the destination and the mask within
// a byte, solid and tiled with patterns of widths that do and do not
// divide a byte.
TEST(OneBitBand, BrushThroughAMaskAtEveryAlignment) {
  const LONG w = 61, h = 9;
  // The mask: 19 x 7, its row padding set so that it shows if read.
  TestBitmap mask(19, 7, BMF_1BPP);
  mask.Fill(0);
  for (LONG y = 0; y < 7; ++y) {
    for (LONG x = 0; x < 19; ++x) SetBit(mask.so(), x, y, (x * 3 + y * 5) % 7 < 3 || x == 18 || y == 0);
    uint8_t* row = static_cast<uint8_t*>(mask.so()->pvScan0) + ptrdiff_t(y) * mask.so()->lDelta;
    row[2] |= 0x1F;  // pixels 19-23 of the last byte: padding
    row[3] = 0xFF;
  }
  // Patterns: 3 x 2 (does not divide a byte) and 8 x 2, and a solid black.
  TestBitmap narrow(3, 2, BMF_1BPP), wide(8, 2, BMF_1BPP);
  narrow.Fill(1);
  wide.Fill(1);
  SetBit(narrow.so(), 1, 0, false);
  SetBit(narrow.so(), 0, 1, false);
  SetBit(narrow.so(), 2, 1, false);
  for (LONG x = 0; x < 8; x += 3) SetBit(wide.so(), x, 0, false);
  SetBit(wide.so(), 6, 1, false);
  eng::BrushObject solid(0), tiled3(narrow.so(), nullptr), tiled8(wide.so(), nullptr);
  struct Brush {
    const char* name;
    BRUSHOBJ* bo;
    const TestBitmap* pattern;
  } brushes[] = {{"solid", solid.get(), nullptr}, {"3 wide", tiled3.get(), &narrow}, {"8 wide", tiled8.get(), &wide}};
  int checked = 0;
  for (const Brush& brush : brushes)
    for (const std::vector<RECTL>& clips : Clips(w, h))
      for (LONG dx = 0; dx < 9; ++dx)
        for (LONG mx = 0; mx < 3; ++mx) {
          TestBitmap dst(w, h, BMF_1BPP);
          Scramble(&dst, uint32_t(dx * 7 + mx));
          TestBitmap before(w, h, BMF_1BPP);
          Scramble(&before, uint32_t(dx * 7 + mx));
          // Reaching past the right edge: the part outside is not drawn.
          RECTL dest{dx + 37, 1, dx + 37 + 19 - mx, 8};
          POINTL mask_at{mx, 0}, org{2, 1};
          eng::ClipObject clip(clips, dest);
          ASSERT_TRUE(EngBitBlt(dst.so(), nullptr, mask.so(), clips.empty() ? nullptr : clip.get(), nullptr, &dest,
                                nullptr, &mask_at, brush.bo, &org, 0xAAF0));
          for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) {
              const bool drawn = x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom &&
                                 (clips.empty() || InAny(clips, x, y)) &&
                                 mask.At(x - dest.left + mx, y - dest.top) != 0;
              uint32_t want = before.At(x, y);
              if (drawn) {
                if (!brush.pattern) {
                  want = 0;
                } else {
                  const LONG pw = brush.pattern->so()->sizlBitmap.cx, ph = brush.pattern->so()->sizlBitmap.cy;
                  want = brush.pattern->At(((x - org.x) % pw + pw) % pw, ((y - org.y) % ph + ph) % ph);
                }
              }
              ASSERT_EQ(dst.At(x, y), want) << brush.name << " clips " << clips.size() << " dx " << dx << " mx "
                                            << mx << " at " << x << "," << y;
              ++checked;
            }
        }
  EXPECT_GT(checked, 0);
}

// The same with a mask row and a pattern row longer than a glyph's or a
// dither's: a mask 700 pixels wide and a pattern 70 pixels wide.
TEST(OneBitBand, WideMaskAndWidePattern) {
  const LONG w = 720, h = 4;
  TestBitmap mask(700, 3, BMF_1BPP), pattern(70, 1, BMF_1BPP);
  for (LONG y = 0; y < 3; ++y)
    for (LONG x = 0; x < 700; ++x) SetBit(mask.so(), x, y, (x * 7 + y) % 5 < 2);
  for (LONG x = 0; x < 70; ++x) SetBit(pattern.so(), x, 0, (x * x) % 3 == 1);
  eng::BrushObject brush(pattern.so(), nullptr);
  for (LONG dx : {0, 3, 11}) {
    TestBitmap dst(w, h, BMF_1BPP), before(w, h, BMF_1BPP);
    Scramble(&dst, uint32_t(dx));
    Scramble(&before, uint32_t(dx));
    RECTL dest{dx + 5, 1, dx + 5 + 695, 4};
    POINTL mask_at{5, 0}, org{-4, 0};
    ASSERT_TRUE(EngBitBlt(dst.so(), nullptr, mask.so(), nullptr, nullptr, &dest, nullptr, &mask_at, brush.get(), &org,
                          0xAAF0));
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        const bool drawn = x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom &&
                           mask.At(x - dest.left + mask_at.x, y - dest.top) != 0;
        const uint32_t want = drawn ? pattern.At((x - org.x) % 70, 0) : before.At(x, y);
        ASSERT_EQ(dst.At(x, y), want) << "dx " << dx << " at " << x << "," << y;
      }
  }
}

// A brush through a mask, on random shapes, pixel by pixel against what the
// drawing means: masks up to 200 pixels wide (several 64-pixel words a row)
// with random padding bits, targets whose width is rarely a whole byte,
// drawings reaching past every edge, random clips, top-down and bottom-up
// rows, and brushes whose bits repeat every byte (solid, patterns 1, 2, 4
// and 8 wide) or do not (3 and 5 wide).
TEST(OneBitBand, MaskedBrushMatchesEachPixelOverRandomShapes) {
  std::mt19937 rng(20261211);
  auto pick = [&](LONG lo, LONG hi) { return LONG(std::uniform_int_distribution<int32_t>(lo, hi)(rng)); };
  auto randomize = [&](TestBitmap* bmp) {
    SURFOBJ* so = bmp->so();
    const LONG bytes = so->lDelta < 0 ? -so->lDelta : so->lDelta;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
      for (LONG i = 0; i < bytes; ++i)
        static_cast<uint8_t*>(so->pvScan0)[ptrdiff_t(y) * so->lDelta + i] = uint8_t(rng());
  };
  const LONG pattern_widths[] = {0, 0, 1, 2, 4, 8, 3, 5};  // 0: solid
  int drawn_pixels = 0;
  for (int round = 0; round < 1500; ++round) {
    const LONG w = pick(1, 260), h = pick(1, 12), mw = pick(1, 200), mh = pick(1, 10);
    TestBitmap dst(w, h, BMF_1BPP, pick(0, 3) != 0), mask(mw, mh, BMF_1BPP, pick(0, 3) != 0);
    randomize(&dst);
    randomize(&mask);
    std::vector<uint8_t> before(size_t(w) * size_t(h));
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) before[size_t(y) * size_t(w) + size_t(x)] = uint8_t(dst.At(x, y));
    const LONG pw = pattern_widths[pick(0, 7)], ph = pick(1, 3);
    TestBitmap pattern(pw ? pw : 1, ph, BMF_1BPP);
    randomize(&pattern);
    const ULONG colour = ULONG(pick(0, 1));
    eng::BrushObject solid(colour), tiled(pattern.so(), nullptr);
    POINTL mask_at{pick(0, std::min<LONG>(mw - 1, 70)), pick(0, mh - 1)}, org{pick(-9, 9), pick(-3, 3)};
    RECTL dest{pick(-12, w - 1), pick(-2, h - 1), 0, 0};
    dest.right = dest.left + pick((mw - mask_at.x + 1) / 2, mw - mask_at.x);
    dest.bottom = dest.top + pick(1, mh - mask_at.y);
    std::vector<RECTL> clips;
    for (LONG n = pick(0, 3); n > 0; --n) {
      const LONG l = pick(0, w - 1), t = pick(0, h - 1);
      clips.push_back(RECTL{l, t, pick(l + 1, w), pick(t + 1, h)});
    }
    eng::ClipObject clip(clips, dest);
    // Every other round the mask comes as a one-bit source under ROP 0xE2
    // (the brush where the source is 1, the page where it is 0), as
    // documents' stencil masks are drawn.
    const bool as_source = round % 2 == 1;
    ASSERT_TRUE(EngBitBlt(dst.so(), as_source ? mask.so() : nullptr, as_source ? nullptr : mask.so(),
                          clips.empty() ? nullptr : clip.get(), nullptr, &dest, as_source ? &mask_at : nullptr,
                          as_source ? nullptr : &mask_at, pw ? tiled.get() : solid.get(), &org,
                          as_source ? 0xE2E2 : 0xAAF0));
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        const bool drawn = x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom &&
                           (clips.empty() || InAny(clips, x, y)) &&
                           mask.At(x - dest.left + mask_at.x, y - dest.top + mask_at.y) != 0;
        uint32_t want = before[size_t(y) * size_t(w) + size_t(x)];
        if (drawn) {
          want = pw ? pattern.At(((x - org.x) % pw + pw) % pw, ((y - org.y) % ph + ph) % ph) : colour;
          ++drawn_pixels;
        }
        ASSERT_EQ(dst.At(x, y), want) << "round " << round << " target " << w << "x" << h << " mask " << mw << "x"
                                      << mh << " pattern " << pw << " dest " << dest.left << "," << dest.top
                                      << " clips " << clips.size() << " at " << x << "," << y;
      }
  }
  EXPECT_GT(drawn_pixels, 5000);
}

// A fill and a pen onto one bit cover the pixels the same drawing covers
// at 24 bits, with a solid and a dithered brush, through each clip; a
// small fill after a large one (which reuses the large one's coverage
// memory) covers only its own pixels.
TEST(OneBitBand, FillsAndPensCoverWhatTheyCoverAtTwentyFourBits) {
  const LONG w = 75, h = 40;
  eng::Path big;
  big.MoveTo(2.3, 1.7);
  big.BezierTo(60, -10, 90, 30, 70.5, 38.2);
  big.LineTo(5, 33);
  big.Close();
  big.Rectangle(20, 10, 40, 25);  // a hole under the alternate rule
  eng::Path small;
  small.Rectangle(33.5, 14.2, 38.7, 19.9);
  eng::Path line;
  line.MoveTo(1, 38);
  line.LineTo(74, 3);
  TestBitmap dither(8, 8, BMF_1BPP);
  dither.Fill(1);
  for (LONG y = 0; y < 8; ++y)
    for (LONG x = (y * 3) % 4; x < 8; x += 4) SetBit(dither.so(), x, y, false);
  eng::BrushObject black(0), black24(0), dithered(dither.so(), nullptr);
  struct Draw {
    const char* name;
    const eng::Path* path;
    bool stroke;
  } draws[] = {{"big", &big, false}, {"small after big", &small, false}, {"pen", &line, true}};
  std::map<std::string, int> covered;  // by drawing, over every clip
  for (bool use_dither : {false, true})
    for (const std::vector<RECTL>& clips : Clips(w, h)) {
      TestBitmap one(w, h, BMF_1BPP), before(w, h, BMF_1BPP);
      Scramble(&one, 99);
      Scramble(&before, 99);
      for (const Draw& d : draws) {
        TestBitmap deep(w, h, BMF_24BPP);  // white; black where the drawing covers
        eng::PathObject p1(*d.path), p24(*d.path);
        const RECTL all{0, 0, w, h};
        eng::ClipObject clip(clips, all);
        CLIPOBJ* co = clips.empty() ? nullptr : clip.get();
        POINTL org{3, 5};
        LINEATTRS la{};
        la.fl = LA_GEOMETRIC;
        la.elWidth.e = 3.5f;
        la.iEndCap = ENDCAP_ROUND;
        la.iJoin = JOIN_ROUND;
        la.eMiterLimit = 10;
        eng::XformObject identity;
        BRUSHOBJ* brush = use_dither ? dithered.get() : black.get();
        if (d.stroke) {
          ASSERT_TRUE(EngStrokePath(one.so(), p1.get(), co, identity.get(), brush, &org, &la, kCopyPen));
          ASSERT_TRUE(EngStrokePath(deep.so(), p24.get(), co, identity.get(), black24.get(), &org, &la, kCopyPen));
        } else {
          ASSERT_TRUE(EngFillPath(one.so(), p1.get(), co, brush, &org, kCopyPen, FP_ALTERNATEMODE));
          ASSERT_TRUE(EngFillPath(deep.so(), p24.get(), co, black24.get(), &org, kCopyPen, FP_ALTERNATEMODE));
        }
        for (LONG y = 0; y < h; ++y)
          for (LONG x = 0; x < w; ++x)
            if (deep.At(x, y) == 0) {
              SetBit(before.so(), x, y, use_dither ? dither.At(((x - org.x) % 8 + 8) % 8, ((y - org.y) % 8 + 8) % 8) : 0);
              ++covered[d.name];
            }
        for (LONG y = 0; y < h; ++y)
          for (LONG x = 0; x < w; ++x)
            ASSERT_EQ(one.At(x, y), before.At(x, y)) << d.name << (use_dither ? " dithered" : " solid") << " clips "
                                                    << clips.size() << " at " << x << "," << y;
      }
    }
  for (const Draw& d : draws) EXPECT_GT(covered[d.name], 100) << d.name;
}

// Random fills (both rules) and pens (widths, caps, joins, dashes) onto one
// bit cover exactly the pixels they cover at 24 bits, through random clips,
// on a bitmap whose width is not a whole byte.
TEST(OneBitBand, RandomFillsAndPensCoverWhatTheyCoverAtTwentyFourBits) {
  std::mt19937 rng(1211);
  auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  const LONG w = 151, h = 67;
  eng::BrushObject black(0), black24(0);
  eng::XformObject identity;
  int covered = 0;
  for (int round = 0; round < 300; ++round) {
    eng::Path path;
    path.MoveTo(real(-20, w + 20), real(-10, h + 10));
    for (int n = int(rng() % 6) + 1; n > 0; --n) {
      if (rng() % 3 == 0)
        path.BezierTo(real(-20, w + 20), real(-10, h + 10), real(-20, w + 20), real(-10, h + 10), real(-20, w + 20),
                      real(-10, h + 10));
      else
        path.LineTo(real(-20, w + 20), real(-10, h + 10));
    }
    const bool stroke = rng() % 2 != 0;
    if (!stroke || rng() % 2) path.Close();
    std::vector<RECTL> clips;
    for (int n = int(rng() % 3); n > 0; --n) {
      const LONG l = LONG(rng() % w), t = LONG(rng() % h);
      clips.push_back(RECTL{l, t, l + 1 + LONG(rng() % (w - l)), t + 1 + LONG(rng() % (h - t))});
    }
    const RECTL all{0, 0, w, h};
    eng::ClipObject clip(clips, all);
    CLIPOBJ* co = clips.empty() ? nullptr : clip.get();
    TestBitmap one(w, h, BMF_1BPP), deep(w, h, BMF_24BPP);
    Scramble(&one, uint32_t(round));
    TestBitmap before(w, h, BMF_1BPP);
    Scramble(&before, uint32_t(round));
    eng::PathObject p1(path), p24(path);
    POINTL org{0, 0};
    if (stroke) {
      LINEATTRS la{};
      la.fl = LA_GEOMETRIC;
      la.elWidth.e = float(real(0.5, 9));
      la.iEndCap = ULONG(rng() % 3);
      la.iJoin = ULONG(rng() % 3);
      la.eMiterLimit = 10;
      FLOAT_LONG dashes[2];
      if (rng() % 3 == 0) {
        dashes[0].e = float(real(1, 12));
        dashes[1].e = float(real(1, 8));
        la.fl |= LA_STYLED;
        la.cstyle = 2;
        la.pstyle = dashes;
      }
      ASSERT_TRUE(EngStrokePath(one.so(), p1.get(), co, identity.get(), black.get(), &org, &la, kCopyPen));
      ASSERT_TRUE(EngStrokePath(deep.so(), p24.get(), co, identity.get(), black24.get(), &org, &la, kCopyPen));
    } else {
      const FLONG rule = rng() % 2 ? FP_WINDINGMODE : FP_ALTERNATEMODE;
      ASSERT_TRUE(EngFillPath(one.so(), p1.get(), co, black.get(), &org, kCopyPen, rule));
      ASSERT_TRUE(EngFillPath(deep.so(), p24.get(), co, black24.get(), &org, kCopyPen, rule));
    }
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        const bool inked = deep.At(x, y) == 0;
        covered += inked;
        ASSERT_EQ(one.At(x, y), inked ? 0u : before.At(x, y))
            << "round " << round << (stroke ? " pen" : " fill") << " clips " << clips.size() << " at " << x << ","
            << y;
      }
  }
  EXPECT_GT(covered, 50000);
}

// The halftone of a colour image onto one bit is, pixel by pixel, the
// ordered dither (8 x 8, from the halftone origin) of the colour the same
// halftone gives at 24 bits: in a plain copy, enlarged, reduced, mirrored,
// through clips, and with a source rectangle that runs past the image
// (where there is no source the destination stays).
TEST(OneBitBand, HalftoneIsTheDitherOfTheTwentyFourBitHalftone) {
  static constexpr uint8_t kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
      {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
  TestBitmap src(23, 17, BMF_24BPP);
  for (LONG y = 0; y < 17; ++y)
    for (LONG x = 0; x < 23; ++x) {
      uint8_t* p = static_cast<uint8_t*>(src.so()->pvScan0) + ptrdiff_t(y) * src.so()->lDelta + 3 * x;
      p[0] = uint8_t(x * 11 + y * 3);
      p[1] = uint8_t((x * y * 7) & 0xFF);
      p[2] = uint8_t(255 - y * 15);
    }
  // An 8-bit image of grey levels (as the areas of a document rendered
  // in grey come), through its palette.
  TestBitmap grey(23, 17, BMF_8BPP);
  std::vector<ULONG> levels;
  for (ULONG i = 0; i < 256; ++i) levels.push_back(i << 16 | i << 8 | i);
  for (LONG y = 0; y < 17; ++y)
    for (LONG x = 0; x < 23; ++x)
      static_cast<uint8_t*>(grey.so()->pvScan0)[ptrdiff_t(y) * grey.so()->lDelta + x] = uint8_t(x * 9 + y * 4);
  // An 8-bit image of random indices into a palette of random colours.
  TestBitmap indexed(23, 17, BMF_8BPP);
  std::mt19937 rng(41);
  std::vector<ULONG> colours;
  for (ULONG i = 0; i < 256; ++i) colours.push_back(ULONG(rng()) & 0xFFFFFF);
  for (LONG y = 0; y < 17; ++y)
    for (LONG x = 0; x < 23; ++x)
      static_cast<uint8_t*>(indexed.so()->pvScan0)[ptrdiff_t(y) * indexed.so()->lDelta + x] = uint8_t(rng());
  eng::XlateObject indexed_to_one(PAL_INDEXED, colours, PAL_INDEXED, {0x000000, 0xFFFFFF});
  eng::XlateObject indexed_to_deep(PAL_INDEXED, colours, PAL_BGR, {});
  eng::XlateObject to_one(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0xFFFFFF});
  eng::XlateObject grey_to_one(PAL_INDEXED, levels, PAL_INDEXED, {0x000000, 0xFFFFFF});
  eng::XlateObject grey_to_deep(PAL_INDEXED, levels, PAL_BGR, {});
  struct Source {
    const char* name;
    SURFOBJ* so;
    XLATEOBJ* to_one;
    XLATEOBJ* to_deep;
  } sources[] = {{"colour", src.so(), to_one.get(), nullptr},
                 {"grey", grey.so(), grey_to_one.get(), grey_to_deep.get()},
                 {"random palette", indexed.so(), indexed_to_one.get(), indexed_to_deep.get()}};
  struct Case {
    const char* name;
    RECTL dest, src;
  } cases[] = {
      {"copy", {5, 3, 28, 20}, {0, 0, 23, 17}},
      {"copy of a part", {50, 7, 71, 20}, {1, 2, 22, 15}},
      {"enlarged", {3, 1, 60, 44}, {0, 0, 23, 17}},
      {"reduced", {2, 2, 10, 8}, {0, 0, 23, 17}},
      {"mirrored", {61, 2, 4, 40}, {0, 0, 23, 17}},
      {"past the image", {1, 0, 50, 30}, {10, 4, 40, 17}},
  };
  const LONG w = 67, h = 46;
  std::map<std::string, int> drawn;  // by source and case, over every clip
  for (const Source& source : sources)
  for (const Case& c : cases)
    for (const std::vector<RECTL>& clips : Clips(w, h))
      for (POINTL ht : {POINTL{0, 0}, POINTL{3, -5}}) {
        TestBitmap one(w, h, BMF_1BPP), before(w, h, BMF_1BPP), deep(w, h, BMF_24BPP);
        Scramble(&one, 7);
        Scramble(&before, 7);
        deep.Fill(0x123456);  // a colour no halftone here gives, so that an untouched pixel shows
        eng::ClipObject clip(clips, RECTL{0, 0, w, h});
        CLIPOBJ* co = clips.empty() ? nullptr : clip.get();
        RECTL d1 = c.dest, s1 = c.src, d24 = c.dest, s24 = c.src;
        POINTL ht1 = ht, ht24 = ht;
        ASSERT_TRUE(EngStretchBlt(one.so(), source.so, nullptr, co, source.to_one, nullptr, &ht1, &d1, &s1, nullptr,
                                  HALFTONE));
        ASSERT_TRUE(EngStretchBlt(deep.so(), source.so, nullptr, co, source.to_deep, nullptr, &ht24, &d24, &s24,
                                  nullptr, HALFTONE));
        for (LONG y = 0; y < h; ++y)
          for (LONG x = 0; x < w; ++x) {
            const uint32_t rgb = deep.At(x, y);
            uint32_t want = before.At(x, y);
            if (rgb != 0x123456) {
              const uint32_t lum = (((rgb >> 16) & 0xFF) * 77 + ((rgb >> 8) & 0xFF) * 151 + (rgb & 0xFF) * 28) >> 8;
              want = lum >= kBayer[uint32_t(y - ht.y) & 7][uint32_t(x - ht.x) & 7] * 4u + 2u ? 1 : 0;
              ++drawn[std::string(source.name) + " " + c.name];
            }
            ASSERT_EQ(one.At(x, y), want) << c.name << " clips " << clips.size() << " origin " << ht.x << " at " << x
                                          << "," << y;
          }
      }
  EXPECT_EQ(drawn.size(), std::size(sources) * std::size(cases));
  for (const auto& [name, n] : drawn) EXPECT_GT(n, 100) << name;
}

}  // namespace
