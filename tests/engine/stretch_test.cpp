// Stretching transfers of the engine: mirroring at every depth, masks that
// stretch with their source, what each stretch mode makes of a reduction,
// and stretches with a ROP4 of source, brush and destination.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "eng_test_util.h"
#include "plat/kernel.h"

namespace {

using eng_test::TestBitmap;

uint32_t Get(SURFOBJ* so, LONG x, LONG y) {
  const uint8_t* r = static_cast<const uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  switch (so->iBitmapFormat) {
    case BMF_1BPP: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case BMF_4BPP: return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
    case BMF_8BPP: return r[x];
    case BMF_16BPP: return uint32_t(r[2 * x]) | uint32_t(r[2 * x + 1]) << 8;
    case BMF_24BPP: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
    default: {
      uint32_t v;
      std::memcpy(&v, r + 4 * x, 4);
      return v;
    }
  }
}

void Put(SURFOBJ* so, LONG x, LONG y, uint32_t v) {
  RECTL one{x, y, x + 1, y + 1};
  ASSERT_TRUE(EngEraseSurface(so, &one, v));
}

// A mirrored stretch doubles every pixel and reverses the order, at every
// depth, keeping every bit of the pixel values (the 32-bit ones included).
TEST(EngStretch, MirroringKeepsEveryValueAtEveryDepth) {
  struct Depth {
    ULONG format;
    uint32_t values[4];
  } depths[] = {
      {BMF_1BPP, {1, 0, 0, 1}},
      {BMF_4BPP, {0x1, 0x7, 0xA, 0xF}},
      {BMF_8BPP, {0x01, 0x80, 0x7F, 0xFE}},
      {BMF_16BPP, {0x0001, 0x7C00, 0x83E0, 0xFFFE}},
      {BMF_24BPP, {0x010203, 0xFF0000, 0x00FF00, 0xFEDCBA}},
      {BMF_32BPP, {0x01020304, 0xFF000000, 0x80FF00FF, 0xFEDCBA98}},
  };
  struct Flip {
    const char* name;
    RECTL dest;  // the 8 x 4 destination; the source is 4 x 2
    bool x, y;
  } flips[] = {
      {"none", {0, 0, 8, 4}, false, false},
      {"across", {8, 0, 0, 4}, true, false},
      {"down", {0, 4, 8, 0}, false, true},
      {"both", {8, 4, 0, 0}, true, true},
  };
  for (const Depth& d : depths) {
    for (const Flip& f : flips) {
      TestBitmap src(4, 2, d.format), dst(8, 4, d.format);
      // Row 0 holds the values, row 1 them backwards.
      for (LONG x = 0; x < 4; ++x) {
        Put(src.so(), x, 0, d.values[x]);
        Put(src.so(), x, 1, d.values[3 - x]);
      }
      RECTL dest = f.dest, s{0, 0, 4, 2};
      ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &s, nullptr,
                                COLORONCOLOR))
          << d.format << " " << f.name;
      for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 8; ++x) {
          const LONG sx = f.x ? 3 - x / 2 : x / 2;
          const LONG sy = f.y ? 1 - y / 2 : y / 2;
          ASSERT_EQ(Get(dst.so(), x, y), Get(src.so(), sx, sy))
              << "format " << d.format << " " << f.name << " at " << x << "," << y;
        }
    }
  }
}

// The mask has the source's size and is stretched (and mirrored) with it:
// the source is copied where the mask is 1, the destination stays where it
// is 0.
TEST(EngStretch, TheMaskStretchesWithTheSource) {
  TestBitmap src(2, 2, BMF_24BPP), mask(4, 4, BMF_1BPP);
  src.Fill(0x000000);
  mask.Fill(0);
  Put(mask.so(), 1, 1, 1);  // the mask point is (1, 1): source pixel (0, 0) alone is in the mask
  POINTL mp{1, 1};
  struct Case {
    const char* name;
    RECTL dest;
    const char* picture;
  } cases[] = {
      {"doubled", {0, 0, 4, 4}, "##..\n##..\n....\n....\n"},
      {"mirrored", {4, 0, 0, 4}, "..##\n..##\n....\n....\n"},
      {"mirrored down", {0, 4, 4, 0}, "....\n....\n##..\n##..\n"},
  };
  for (const Case& c : cases) {
    TestBitmap dst(4, 4, BMF_24BPP);
    dst.Fill(0xFFFFFF);
    RECTL dest = c.dest, s{0, 0, 2, 2};
    ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), mask.so(), nullptr, nullptr, nullptr, nullptr, &dest, &s, &mp,
                              COLORONCOLOR))
        << c.name;
    EXPECT_EQ(eng_test::Joined(dst.Picture()), c.picture) << c.name;
  }
  // A mask that is not one bit is refused.
  TestBitmap wrong(2, 2, BMF_8BPP), dst(4, 4, BMF_24BPP);
  RECTL dest{0, 0, 4, 4}, s{0, 0, 2, 2};
  EXPECT_FALSE(EngStretchBlt(dst.so(), src.so(), wrong.so(), nullptr, nullptr, nullptr, nullptr, &dest, &s, nullptr,
                             COLORONCOLOR));
}

// A reduction by each mode: HALFTONE averages the source pixels a
// destination pixel covers (then dithers onto one bit or takes the nearest
// palette entry), COLORONCOLOR takes the pixel under the centre,
// BLACKONWHITE keeps black (AND), WHITEONBLACK keeps white (OR).
TEST(EngStretch, ReductionByEachMode) {
  // A checkerboard of black and white, reduced by two in both directions.
  TestBitmap checker(16, 16, BMF_24BPP);
  for (LONG y = 0; y < 16; ++y)
    for (LONG x = 0; x < 16; ++x) Put(checker.so(), x, y, (x + y) % 2 ? 0xFFFFFF : 0x000000);
  RECTL s{0, 0, 16, 16}, d{0, 0, 8, 8};
  POINTL ht{0, 0};
  {
    // 24-bit target: the average grey, or one of the two colours.
    TestBitmap halftone(8, 8, BMF_24BPP), nearest(8, 8, BMF_24BPP);
    ASSERT_TRUE(EngStretchBlt(halftone.so(), checker.so(), nullptr, nullptr, nullptr, nullptr, &ht, &d, &s, nullptr,
                              HALFTONE));
    ASSERT_TRUE(EngStretchBlt(nearest.so(), checker.so(), nullptr, nullptr, nullptr, nullptr, &ht, &d, &s, nullptr,
                              COLORONCOLOR));
    for (LONG y = 0; y < 8; ++y)
      for (LONG x = 0; x < 8; ++x) {
        EXPECT_EQ(halftone.At(x, y), 0x808080u) << x << "," << y;
        const uint32_t n = nearest.At(x, y);
        EXPECT_TRUE(n == 0 || n == 0xFFFFFF) << std::hex << n;
      }
  }
  {
    // An indexed target: the palette entry nearest to the average.
    eng::XlateObject to_palette(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0x808080, 0xFFFFFF});
    TestBitmap dst(8, 8, BMF_8BPP);
    ASSERT_TRUE(EngStretchBlt(dst.so(), checker.so(), nullptr, nullptr, to_palette.get(), nullptr, &ht, &d, &s,
                              nullptr, HALFTONE));
    for (LONG y = 0; y < 8; ++y)
      for (LONG x = 0; x < 8; ++x) EXPECT_EQ(Get(dst.so(), x, y), 1u) << x << "," << y;
  }
  {
    // One bit: half the pixels white; COLORONCOLOR gives one colour only.
    eng::XlateObject to_mono(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0xFFFFFF});
    TestBitmap halftone(8, 8, BMF_1BPP), nearest(8, 8, BMF_1BPP);
    ASSERT_TRUE(EngStretchBlt(halftone.so(), checker.so(), nullptr, nullptr, to_mono.get(), nullptr, &ht, &d, &s,
                              nullptr, HALFTONE));
    ASSERT_TRUE(EngStretchBlt(nearest.so(), checker.so(), nullptr, nullptr, to_mono.get(), nullptr, &ht, &d, &s,
                              nullptr, COLORONCOLOR));
    int white_halftone = 0, white_nearest = 0;
    for (LONG y = 0; y < 8; ++y)
      for (LONG x = 0; x < 8; ++x) {
        white_halftone += int(halftone.At(x, y));
        white_nearest += int(nearest.At(x, y));
      }
    EXPECT_EQ(white_halftone, 32);
    EXPECT_TRUE(white_nearest == 0 || white_nearest == 64) << white_nearest;
  }
  {
    // One-bit stripes "#.#." across, halved: BLACKONWHITE keeps the black,
    // WHITEONBLACK the white.
    TestBitmap stripes(4, 1, BMF_1BPP);
    for (LONG x = 0; x < 4; ++x) Put(stripes.so(), x, 0, x % 2);
    RECTL ss{0, 0, 4, 1}, dd{0, 0, 2, 1};
    TestBitmap black(2, 1, BMF_1BPP), white(2, 1, BMF_1BPP);
    ASSERT_TRUE(EngStretchBlt(black.so(), stripes.so(), nullptr, nullptr, nullptr, nullptr, &ht, &dd, &ss, nullptr,
                              BLACKONWHITE));
    ASSERT_TRUE(EngStretchBlt(white.so(), stripes.so(), nullptr, nullptr, nullptr, nullptr, &ht, &dd, &ss, nullptr,
                              WHITEONBLACK));
    EXPECT_EQ(eng_test::Joined(black.Picture()), "##\n");
    EXPECT_EQ(eng_test::Joined(white.Picture()), "..\n");
  }
}

// Eight-bit sources average through their palette; a halftone of a source
// rectangle that reaches past the bitmap draws only what the bitmap holds.
TEST(EngStretch, HalftoneReadsPalettesAndStaysInsideTheSource) {
  TestBitmap src(4, 2, BMF_8BPP);
  for (LONG y = 0; y < 2; ++y)
    for (LONG x = 0; x < 4; ++x) Put(src.so(), x, y, x % 2);  // indices 0, 1, 0, 1
  eng::XlateObject xlate(PAL_INDEXED, {0x0000FF, 0xFF0000}, PAL_BGR, {});
  TestBitmap dst(2, 1, BMF_24BPP);
  RECTL s{0, 0, 4, 2}, d{0, 0, 2, 1};
  ASSERT_TRUE(
      EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, nullptr, &d, &s, nullptr, HALFTONE));
  EXPECT_EQ(dst.At(0, 0), 0x800080u);  // half blue, half red
  EXPECT_EQ(dst.At(1, 0), 0x800080u);

  TestBitmap wide(8, 2, BMF_24BPP);
  wide.Fill(0x123456);
  RECTL past{2, 0, 6, 2}, to{0, 0, 8, 2};  // source columns 4 and 5 do not exist
  ASSERT_TRUE(EngStretchBlt(wide.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, nullptr, &to, &past, nullptr,
                            HALFTONE));
  EXPECT_EQ(wide.At(0, 0), 0x0000FFu);
  EXPECT_EQ(wide.At(3, 1), 0xFF0000u);
  EXPECT_EQ(wide.At(4, 0), 0x123456u);
  EXPECT_EQ(wide.At(7, 1), 0x123456u);
}

// EngStretchBltROP: the ROP4's foreground ROP3 where the stretched mask is 1,
// its background ROP3 where it is 0, over source, brush and destination; the
// brush's pattern is aligned at the halftone origin.
TEST(EngStretchRop, RopOfSourceBrushAndDestinationThroughTheMask) {
  TestBitmap src(2, 1, BMF_24BPP), mask(2, 1, BMF_1BPP);
  Put(src.so(), 0, 0, 0x0F0F0F);
  Put(src.so(), 1, 0, 0xF0F0F0);
  Put(mask.so(), 0, 0, 1);
  Put(mask.so(), 1, 0, 0);
  eng::BrushObject brush(0x3C3C3C);
  const uint32_t D = 0x555555, P = 0x3C3C3C;
  const uint32_t S0 = 0x0F0F0F, S1 = 0xF0F0F0;
  struct Case {
    const char* name;
    ROP4 rop4;
    bool masked;
    uint32_t want[2];  // destination pixels 0-1 (source 0) and 2-3 (source 1)
  } cases[] = {
      {"PATCOPY", 0xF0F0, false, {P, P}},
      {"SRCAND", 0x8888, false, {S0 & D, S1 & D}},
      {"PATINVERT", 0x5A5A, false, {P ^ D, P ^ D}},
      {"MERGECOPY", 0xC0C0, false, {S0 & P, S1 & P}},
      {"source where masked, pattern elsewhere", 0xF0CC, true, {S0, P}},
      {"SRCINVERT where masked, destination elsewhere", 0xAA66, true, {S0 ^ D, D}},
  };
  for (const Case& c : cases) {
    for (bool mirrored : {false, true}) {
      TestBitmap dst(4, 1, BMF_24BPP);
      dst.Fill(D);
      RECTL d = mirrored ? RECTL{4, 0, 0, 1} : RECTL{0, 0, 4, 1}, s{0, 0, 2, 1};
      POINTL zero{0, 0};
      ASSERT_TRUE(EngStretchBltROP(dst.so(), src.so(), c.masked ? mask.so() : nullptr, nullptr, nullptr, nullptr,
                                   &zero, &d, &s, &zero, COLORONCOLOR, brush.get(), c.rop4))
          << c.name;
      for (LONG x = 0; x < 4; ++x) {
        const int from = mirrored ? (x < 2 ? 1 : 0) : (x < 2 ? 0 : 1);
        EXPECT_EQ(dst.At(x, 0), c.want[from] & 0xFFFFFF) << c.name << (mirrored ? " mirrored" : "") << " x " << x;
      }
    }
  }
  // A pattern brush is tiled from the halftone origin.
  TestBitmap pattern(2, 1, BMF_24BPP);
  Put(pattern.so(), 0, 0, 0x000000);
  Put(pattern.so(), 1, 0, 0xFFFFFF);
  eng::BrushObject tiles(pattern.so(), nullptr);
  for (LONG ox : {0, 1}) {
    TestBitmap dst(4, 1, BMF_24BPP);
    RECTL d{0, 0, 4, 1}, s{0, 0, 2, 1};
    POINTL org{ox, 0};
    ASSERT_TRUE(EngStretchBltROP(dst.so(), src.so(), nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr,
                                 COLORONCOLOR, tiles.get(), 0xF0F0));
    EXPECT_EQ(eng_test::Joined(dst.Picture()), ox == 0 ? "#.#.\n" : ".#.#\n");
  }
  // A ROP that needs a brush refuses to go without one; one without a
  // source needs none.
  TestBitmap dst(4, 1, BMF_24BPP);
  RECTL d{0, 0, 4, 1}, s{0, 0, 2, 1};
  EXPECT_FALSE(EngStretchBltROP(dst.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr,
                                COLORONCOLOR, nullptr, 0xF0F0));
  EXPECT_TRUE(EngStretchBltROP(dst.so(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr,
                               COLORONCOLOR, brush.get(), 0xF0F0));
  EXPECT_EQ(dst.At(3, 0), P);
}

// Clip rectangles limit a stretch; an allocation failure is reported and
// changes nothing.
TEST(EngStretch, ClipAndAllocationFailure) {
  TestBitmap src(1, 1, BMF_24BPP), dst(6, 2, BMF_24BPP);
  src.Fill(0x000000);
  dst.Fill(0xFFFFFF);
  eng::ClipObject clip({{1, 0, 2, 2}, {4, 0, 5, 2}}, RECTL{0, 0, 6, 2});
  RECTL d{0, 0, 6, 2}, s{0, 0, 1, 1};
  ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), nullptr, clip.get(), nullptr, nullptr, nullptr, &d, &s, nullptr,
                            HALFTONE));
  EXPECT_EQ(eng_test::Joined(dst.Picture()), ".#..#.\n.#..#.\n");
  dst.Fill(0xFFFFFF);
  plat::FailNth("EngAllocMem", 1);
  EXPECT_FALSE(EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr,
                             HALFTONE));
  plat::ClearFaults();
  EXPECT_EQ(eng_test::Joined(dst.Picture()), "......\n......\n");
}

}  // namespace
