// Drawing into 1-bit and 24-bit bitmaps: fills, strokes, clips, blits with
// raster operations and masks, stretches, erase and text rectangles, pixel
// by pixel.
#include <functional>

#include "eng/dc.h"
#include "eng_test_util.h"
#include "plat/kernel.h"

using eng_test::Joined;
using eng_test::TestBitmap;

namespace {

constexpr MIX kCopyPen = 0x0D0D;

eng::Path Rect(double l, double t, double r, double b) {
  eng::Path p;
  p.Rectangle(l, t, r, b);
  return p;
}

TEST(EngFill, RectangleCoversThePixelsInsideOnOneBit) {
  TestBitmap bmp(8, 5, BMF_1BPP);
  eng::PathObject path(Rect(1, 1, 5, 4));
  eng::BrushObject black(0);
  POINTL org{0, 0};
  ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), nullptr, black.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(Joined(bmp.Picture()),
            "........\n"
            ".####...\n"
            ".####...\n"
            ".####...\n"
            "........\n");
}

TEST(EngFill, AlternateLeavesTheOverlapOpenWindingFillsIt) {
  eng::Path two;
  two.Rectangle(0, 0, 6, 2);
  two.Rectangle(3, 0, 9, 2);
  struct Case {
    FLONG mode;
    const char* row;
  } cases[] = {{FP_ALTERNATEMODE, "###...###."}, {FP_WINDINGMODE, "#########."}};
  for (const Case& c : cases) {
    TestBitmap bmp(10, 2, BMF_1BPP);
    eng::PathObject path(two);
    eng::BrushObject black(0);
    POINTL org{0, 0};
    ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), nullptr, black.get(), &org, kCopyPen, c.mode));
    EXPECT_EQ(bmp.Picture()[0], c.row) << c.mode;
    EXPECT_EQ(bmp.Picture()[1], c.row) << c.mode;
  }
}

TEST(EngFill, TwentyFourBitPixelsAreBlueGreenRed) {
  TestBitmap bmp(4, 2, BMF_24BPP);
  eng::PathObject path(Rect(1, 0, 3, 1));
  eng::BrushObject color(0x123456);  // red 0x12, green 0x34, blue 0x56
  POINTL org{0, 0};
  ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), nullptr, color.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  const uint8_t* row = bmp.Row(0);
  EXPECT_EQ(row[3], 0x56);
  EXPECT_EQ(row[4], 0x34);
  EXPECT_EQ(row[5], 0x12);
  EXPECT_EQ(row[0], 0xFF);
  EXPECT_EQ(bmp.At(2, 0), 0x123456u);
  EXPECT_EQ(bmp.At(3, 0), 0xFFFFFFu);
  EXPECT_EQ(bmp.At(1, 1), 0xFFFFFFu);
}

TEST(EngFill, MixesCombinePenAndDestination) {
  // R2_NOT (6) inverts the destination whatever the pen; R2_XORPEN (7) xors.
  TestBitmap bmp(4, 1, BMF_24BPP);
  bmp.Fill(0x0F0F0F);
  eng::PathObject path(Rect(0, 0, 2, 1));
  eng::BrushObject pen(0xFF00FF);
  POINTL org{0, 0};
  ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), nullptr, pen.get(), &org, 0x0606, FP_ALTERNATEMODE));
  EXPECT_EQ(bmp.At(0, 0), 0xF0F0F0u);
  eng::PathObject right(Rect(2, 0, 4, 1));
  ASSERT_TRUE(EngFillPath(bmp.so(), right.get(), nullptr, pen.get(), &org, 0x0707, FP_ALTERNATEMODE));
  EXPECT_EQ(bmp.At(3, 0), 0xF00FF0u);
}

TEST(EngFill, ClipRegionsLimitTheFill) {
  TestBitmap bmp(8, 4, BMF_1BPP);
  eng::PathObject path(Rect(0, 0, 8, 4));
  eng::BrushObject black(0);
  POINTL org{0, 0};
  eng::ClipObject clip({{1, 0, 3, 2}, {5, 2, 7, 4}}, RECTL{0, 0, 8, 4});
  ASSERT_EQ(clip.get()->iDComplexity, DC_COMPLEX);
  ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), clip.get(), black.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(Joined(bmp.Picture()),
            ".##.....\n"
            ".##.....\n"
            ".....##.\n"
            ".....##.\n");
}

TEST(EngFill, PatternBrushTilesFromTheBrushOrigin) {
  // A 2 x 1 pattern: black, white; origin x 1 shifts it by one pixel.
  TestBitmap pattern(2, 1, BMF_1BPP);
  pattern.Fill(1);
  RECTL first{0, 0, 1, 1};
  EngEraseSurface(pattern.so(), &first, 0);
  TestBitmap bmp(6, 1, BMF_1BPP);
  eng::BrushObject brush(pattern.so(), nullptr);
  eng::PathObject path(Rect(0, 0, 6, 1));
  POINTL org{1, 0};
  ASSERT_TRUE(EngFillPath(bmp.so(), path.get(), nullptr, brush.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(bmp.Picture()[0], ".#.#.#");
}

TEST(EngStroke, CosmeticLinesRunThroughPixelCentres) {
  TestBitmap bmp(8, 5, BMF_1BPP);
  eng::Path lines;
  lines.MoveTo(1, 1);
  lines.LineTo(6, 1);
  lines.MoveTo(3, 2);
  lines.LineTo(3, 4);
  eng::PathObject path(lines);
  eng::BrushObject black(0);
  POINTL org{0, 0};
  LINEATTRS la{};
  la.elWidth.l = 1;
  la.iEndCap = ENDCAP_BUTT;
  ASSERT_TRUE(EngStrokePath(bmp.so(), path.get(), nullptr, nullptr, black.get(), &org, &la, kCopyPen));
  EXPECT_EQ(Joined(bmp.Picture()),
            "........\n"
            ".#####..\n"
            "...#....\n"
            "...#....\n"
            "........\n");
}

TEST(EngStroke, GeometricWidthCapsAndDashes) {
  struct Case {
    const char* name;
    ULONG cap;
    std::vector<float> dashes;
    const char* picture;
  } cases[] = {
      {"butt", ENDCAP_BUTT, {}, "..........\n..........\n.######...\n.######...\n..........\n"},
      {"square", ENDCAP_SQUARE, {}, "..........\n..........\n########..\n########..\n..........\n"},
      {"dashed", ENDCAP_BUTT, {2, 1}, "..........\n..........\n.##.##....\n.##.##....\n..........\n"},
  };
  for (const Case& c : cases) {
    TestBitmap bmp(10, 5, BMF_1BPP);
    eng::Path line;
    line.MoveTo(1, 3);
    line.LineTo(7, 3);
    eng::PathObject path(line);
    eng::BrushObject black(0);
    POINTL org{0, 0};
    std::vector<FLOAT_LONG> style;
    for (float d : c.dashes) {
      FLOAT_LONG v;
      v.e = d;
      style.push_back(v);
    }
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC | (style.empty() ? 0 : LA_STYLED);
    la.elWidth.e = 2;
    la.iEndCap = c.cap;
    la.iJoin = JOIN_MITER;
    la.eMiterLimit = 10;
    la.cstyle = ULONG(style.size());
    la.pstyle = style.empty() ? nullptr : style.data();
    eng::XformObject identity;
    ASSERT_TRUE(EngStrokePath(bmp.so(), path.get(), nullptr, identity.get(), black.get(), &org, &la, kCopyPen));
    EXPECT_EQ(Joined(bmp.Picture()), c.picture) << c.name;
  }
}

// The raster operations, each checked against its meaning written out with
// plain bit operations on pattern P, source S and destination D.
TEST(EngBitBlt, RasterOperationsOnTwentyFourBitPixels) {
  const uint32_t P = 0xF0CC33, S = 0xAA5500, D = 0x0F3C99;
  struct Case {
    const char* name;
    uint32_t rop;
    std::function<uint32_t()> want;
  } cases[] = {
      {"BLACKNESS", 0x00, [&] { return 0u; }},
      {"WHITENESS", 0xFF, [&] { return 0xFFFFFFu; }},
      {"SRCCOPY", 0xCC, [&] { return S; }},
      {"NOTSRCCOPY", 0x33, [&] { return ~S; }},
      {"SRCAND", 0x88, [&] { return S & D; }},
      {"SRCPAINT", 0xEE, [&] { return S | D; }},
      {"SRCINVERT", 0x66, [&] { return S ^ D; }},
      {"SRCERASE", 0x44, [&] { return S & ~D; }},
      {"DSTINVERT", 0x55, [&] { return ~D; }},
      {"PATCOPY", 0xF0, [&] { return P; }},
      {"PATINVERT", 0x5A, [&] { return P ^ D; }},
      {"MERGECOPY", 0xC0, [&] { return P & S; }},
      {"PSDPxax", 0xB8, [&] { return ((D ^ P) & S) ^ P; }},
      {"NOP", 0xAA, [&] { return D; }},
  };
  for (const Case& c : cases) {
    TestBitmap src(1, 1, BMF_24BPP), dst(1, 1, BMF_24BPP);
    src.Fill(S);
    dst.Fill(D);
    eng::BrushObject pat(P);
    RECTL r{0, 0, 1, 1};
    POINTL sp{0, 0}, org{0, 0};
    ASSERT_TRUE(EngBitBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, &r, &sp, nullptr, pat.get(), &org,
                          c.rop | (c.rop << 8)))
        << c.name;
    EXPECT_EQ(dst.At(0, 0), c.want() & 0xFFFFFF) << c.name;
  }
}

TEST(EngBitBlt, TranslatesColoursAndStaysInsideTheSource) {
  // 24-bit source onto a 1-bit target: each colour goes to the nearer of
  // black and white. The target rectangle reaches past the source, which
  // only its first 3 columns get.
  TestBitmap src(3, 1, BMF_24BPP), dst(5, 1, BMF_1BPP);
  RECTL px0{0, 0, 1, 1}, px2{2, 0, 3, 1};
  EngEraseSurface(src.so(), &px0, 0x202020);
  EngEraseSurface(src.so(), &px2, 0x404040);
  eng::XlateObject xlate(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0xFFFFFF});
  EXPECT_TRUE(xlate.get()->flXlate & XO_TO_MONO);
  RECTL r{1, 0, 6, 1};
  POINTL sp{0, 0};
  ASSERT_TRUE(EngCopyBits(dst.so(), src.so(), nullptr, xlate.get(), &r, &sp));
  // dst: x0 untouched (white), x1 <- dark, x2 <- white, x3 <- dark grey, x4 untouched.
  EXPECT_EQ(dst.Picture()[0], ".#.#.");
}

TEST(EngBitBlt, MaskChoosesForegroundOrBackgroundOperation) {
  TestBitmap src(4, 1, BMF_24BPP), dst(4, 1, BMF_24BPP), mask(4, 1, BMF_1BPP);
  src.Fill(0x112233);
  dst.Fill(0x445566);
  RECTL on{1, 0, 3, 1};
  mask.Fill(0);
  EngEraseSurface(mask.so(), &on, 1);
  RECTL r{0, 0, 4, 1};
  POINTL sp{0, 0}, mp{0, 0};
  ASSERT_TRUE(EngBitBlt(dst.so(), src.so(), mask.so(), nullptr, nullptr, &r, &sp, &mp, nullptr, nullptr, 0xAACC));
  EXPECT_EQ(dst.At(0, 0), 0x445566u);
  EXPECT_EQ(dst.At(1, 0), 0x112233u);
  EXPECT_EQ(dst.At(2, 0), 0x112233u);
  EXPECT_EQ(dst.At(3, 0), 0x445566u);
  // A mask operation without a mask is refused.
  EXPECT_FALSE(EngBitBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, &r, &sp, &mp, nullptr, nullptr, 0xAACC));
}

TEST(EngBitBlt, BottomUpBitmapsAddressRowsFromTheBottom) {
  TestBitmap bmp(4, 3, BMF_24BPP, /*top_down=*/false);
  ASSERT_LT(bmp.so()->lDelta, 0);
  RECTL top{0, 0, 4, 1};
  ASSERT_TRUE(EngEraseSurface(bmp.so(), &top, 0));
  // Row 0 of the picture is the last row in memory.
  const uint8_t* bits = static_cast<const uint8_t*>(bmp.so()->pvBits);
  LONG stride = -bmp.so()->lDelta;
  EXPECT_EQ(bits[2 * stride], 0);
  EXPECT_EQ(bits[0], 0xFF);
}

TEST(EngStretchBlt, NearestPixelsScaledMirroredAndTranslated) {
  TestBitmap src(2, 1, BMF_1BPP);
  RECTL left{0, 0, 1, 1};
  EngEraseSurface(src.so(), &left, 0);  // black, white
  eng::XlateObject xlate(PAL_INDEXED, {0x000000, 0xFFFFFF}, PAL_BGR, {});
  struct Case {
    const char* name;
    RECTL dest;
    const char* row;
  } cases[] = {
      {"doubled", {0, 0, 4, 1}, "##..."},
      {"mirrored", {4, 0, 0, 1}, "..##."},
      {"tripled at 1", {1, 0, 7, 1}, ".###..."},
  };
  for (const Case& c : cases) {
    TestBitmap dst(std::max(5, 7), 1, BMF_24BPP);
    RECTL d = c.dest, s{0, 0, 2, 1};
    POINTL ht{0, 0};
    ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, &ht, &d, &s, nullptr,
                              COLORONCOLOR))
        << c.name;
    EXPECT_EQ(dst.Picture()[0].substr(0, strlen(c.row)), c.row) << c.name;
  }
}

TEST(EngStretchBlt, DoublingEveryPixelInBothDirections) {
  TestBitmap src(2, 2, BMF_24BPP), dst(4, 4, BMF_24BPP);
  RECTL a{0, 0, 1, 1}, b{1, 1, 2, 2};
  EngEraseSurface(src.so(), &a, 0);
  EngEraseSurface(src.so(), &b, 0x808080);
  RECTL d{0, 0, 4, 4}, s{0, 0, 2, 2};
  ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, HALFTONE));
  EXPECT_EQ(Joined(dst.Picture()), "##..\n##..\n..oo\n..oo\n");
}

TEST(EngErase, OneBitWhiteIsEveryBitSet) {
  TestBitmap bmp(10, 2, BMF_1BPP);
  bmp.Fill(0);
  RECTL part{2, 1, 9, 2};
  ASSERT_TRUE(EngEraseSurface(bmp.so(), &part, 0xFFFFFFFF));
  EXPECT_EQ(Joined(bmp.Picture()), "##########\n##.......#\n");
}

TEST(EngTextOut, DrawsTheOpaqueAndExtraRectangles) {
  TestBitmap bmp(8, 3, BMF_24BPP);
  STROBJ str{};
  eng::BrushObject opaque(0x808080), fore(0);
  RECTL opaque_rect{0, 0, 8, 2};
  RECTL extra[] = {{1, 2, 7, 3}, {0, 0, 0, 0}};
  POINTL org{0, 0};
  ASSERT_TRUE(EngTextOut(bmp.so(), &str, nullptr, nullptr, extra, &opaque_rect, fore.get(), opaque.get(), &org,
                         kCopyPen));
  EXPECT_EQ(Joined(bmp.Picture()), "oooooooo\noooooooo\n.######.\n");
}

TEST(EngDrawing, RefusesSurfacesWithoutBitsAndSurvivesAllocationFailure) {
  HSURF dev = EngCreateDeviceSurface(nullptr, SIZEL{8, 8}, BMF_24BPP);
  ASSERT_NE(dev, nullptr);
  eng::PathObject path(Rect(0, 0, 4, 4));
  eng::BrushObject black(0);
  POINTL org{0, 0};
  EXPECT_FALSE(EngFillPath(EngLockSurface(dev), path.get(), nullptr, black.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EngDeleteSurface(dev);

  TestBitmap bmp(8, 8, BMF_1BPP);
  plat::FailNth("EngAllocMem", 1);
  EXPECT_FALSE(EngFillPath(bmp.so(), path.get(), nullptr, black.get(), &org, kCopyPen, FP_ALTERNATEMODE));
  plat::ClearFaults();
  EXPECT_EQ(bmp.Picture()[0], "........");  // nothing half drawn
}

}  // namespace

namespace {

TEST(EngBitBlt, OneBitCopiesAlignedAndNotAligned) {
  eng_test::TestBitmap src(64, 2, BMF_1BPP);
  for (LONG x = 0; x < 64; ++x) {
    if ((x * 7) % 5 < 2) {
      RECTL px{x, 0, x + 1, 2};
      EngEraseSurface(src.so(), &px, 0);
    }
  }
  struct Case {
    RECTL dest;
    POINTL from;
  } cases[] = {{{3, 0, 43, 2}, {11, 0}}, {{0, 0, 64, 2}, {0, 0}}, {{5, 0, 50, 2}, {2, 0}}, {{9, 1, 30, 2}, {1, 0}}};
  for (const Case& c : cases) {
    eng_test::TestBitmap dst(64, 2, BMF_1BPP);
    dst.Fill(0);
    RECTL d = c.dest;
    POINTL sp = c.from;
    ASSERT_TRUE(EngCopyBits(dst.so(), src.so(), nullptr, nullptr, &d, &sp));
    for (LONG y = 0; y < 2; ++y)
      for (LONG x = 0; x < 64; ++x) {
        bool inside = x >= d.left && x < d.right && y >= d.top && y < d.bottom;
        uint32_t want = inside ? src.At(x - d.left + sp.x, y - d.top + sp.y) : 0;
        ASSERT_EQ(dst.At(x, y), want) << d.left << "," << sp.x << " at " << x << "," << y;
      }
  }
}

}  // namespace

namespace {

// A surface whose rows are shorter than its width claims, or whose size is
// negative, is refused by every transfer instead of being read past its rows.
TEST(EngBitBlt, MalformedSurfacesAreRefused) {
  TestBitmap src(4, 2, BMF_24BPP);
  TestBitmap dst(16, 4, BMF_24BPP);
  RECTL rect{0, 0, 4, 2}, big{0, 0, 4000, 2};
  POINTL zero{0, 0};
  SURFOBJ wide = *src.so();
  wide.sizlBitmap.cx = 4000;
  SURFOBJ negative = *src.so();
  negative.sizlBitmap.cy = -3;
  for (SURFOBJ* bad : {&wide, &negative}) {
    EXPECT_FALSE(EngBitBlt(dst.so(), bad, nullptr, nullptr, nullptr, &rect, &zero, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_FALSE(EngStretchBlt(dst.so(), bad, nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &big, nullptr,
                               COLORONCOLOR));
    EXPECT_FALSE(EngBitBlt(bad, src.so(), nullptr, nullptr, nullptr, &rect, &zero, nullptr, nullptr, nullptr, 0xCCCC));
  }
}

}  // namespace

namespace {

// HALFTONE onto a one-bit target dithers: mid-grey becomes half white, in
// a pattern anchored at the halftone origin; COLORONCOLOR gives one colour.
TEST(EngStretchBlt, HalftoneDithersGreyOntoOneBit) {
  struct Case {
    ULONG colour;
    ULONG mode;
    int white;  // of 256 pixels
  } cases[] = {
      {0x808080, HALFTONE, 128}, {0xFFFFFF, HALFTONE, 256}, {0x000000, HALFTONE, 0},
      {0x808080, COLORONCOLOR, 256},  // the nearest of black and white
  };
  eng::XlateObject xlate(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0xFFFFFF});
  for (const Case& c : cases) {
    TestBitmap src(4, 4, BMF_24BPP);
    src.Fill(c.colour);
    TestBitmap dst(16, 16, BMF_1BPP);
    dst.Fill(0);
    RECTL d{0, 0, 16, 16}, s{0, 0, 4, 4};
    POINTL ht{0, 0};
    ASSERT_TRUE(EngStretchBlt(dst.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, &ht, &d, &s, nullptr, c.mode));
    int white = 0;
    for (LONG y = 0; y < 16; ++y)
      for (LONG x = 0; x < 16; ++x) white += int(dst.At(x, y));
    EXPECT_EQ(white, c.white) << std::hex << c.colour << " mode " << c.mode;
  }
  // The origin moves the pattern with it.
  TestBitmap src(2, 2, BMF_24BPP);
  src.Fill(0x808080);
  TestBitmap a(8, 8, BMF_1BPP), b(8, 8, BMF_1BPP);
  RECTL d{0, 0, 8, 8}, s{0, 0, 2, 2};
  POINTL o0{0, 0}, o1{1, 0};
  ASSERT_TRUE(EngStretchBlt(a.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, &o0, &d, &s, nullptr, HALFTONE));
  ASSERT_TRUE(EngStretchBlt(b.so(), src.so(), nullptr, nullptr, xlate.get(), nullptr, &o1, &d, &s, nullptr, HALFTONE));
  for (LONG y = 0; y < 8; ++y)
    for (LONG x = 1; x < 8; ++x) EXPECT_EQ(b.At(x, y), a.At(x - 1, y)) << x << "," << y;
}

}  // namespace

namespace {

uint32_t PixelAt(SURFOBJ* so, LONG x, LONG y) {
  const uint8_t* r = static_cast<const uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  switch (so->iBitmapFormat) {
    case BMF_1BPP: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case BMF_4BPP: return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
    case BMF_8BPP: return r[x];
    case BMF_16BPP: return uint32_t(r[2 * x]) | uint32_t(r[2 * x + 1]) << 8;
    case BMF_24BPP: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
    default: return uint32_t(r[4 * x]) | uint32_t(r[4 * x + 1]) << 8 | uint32_t(r[4 * x + 2]) << 16 |
                    uint32_t(r[4 * x + 3]) << 24;
  }
}

// ROP4 with a mask at every depth: the foreground ROP where the mask is 1,
// the background ROP where it is 0, pixel by pixel.
TEST(EngBitBlt, MaskedRop4AtEveryDepth) {
  struct Case {
    ULONG format;
    uint32_t dst, src, pat;
  } cases[] = {
      {BMF_1BPP, 0, 1, 1},          {BMF_4BPP, 0x3, 0xC, 0x5},          {BMF_8BPP, 0x12, 0xF0, 0x0F},
      {BMF_16BPP, 0x1234, 0xF00F, 0x0FF0}, {BMF_24BPP, 0x102030, 0xF0F0F0, 0x0F0F0F},
      {BMF_32BPP, 0x11223344, 0xF0F0F0F0, 0x0F0F0F0F},
  };
  struct Rop {
    ROP4 rop4;
    uint32_t (*in)(uint32_t d, uint32_t s, uint32_t p);
    uint32_t (*out)(uint32_t d, uint32_t s, uint32_t p);
  } rops[] = {
      {0xAACC, [](uint32_t, uint32_t s, uint32_t) { return s; }, [](uint32_t d, uint32_t, uint32_t) { return d; }},
      {0xCCAA, [](uint32_t d, uint32_t, uint32_t) { return d; }, [](uint32_t, uint32_t s, uint32_t) { return s; }},
      {0x5A66, [](uint32_t d, uint32_t s, uint32_t) { return d ^ s; }, [](uint32_t d, uint32_t, uint32_t p) { return d ^ p; }},
  };
  for (const Case& c : cases) {
    for (const Rop& r : rops) {
      TestBitmap dst(16, 2, c.format), src(16, 2, c.format), mask(16, 2, BMF_1BPP);
      dst.Fill(c.dst);
      src.Fill(c.src);
      mask.Fill(0);
      RECTL left{0, 0, 5, 2};
      mask.Fill(0);
      EngEraseSurface(mask.so(), &left, 1);  // columns 0-4 are in the mask
      eng::BrushObject brush(c.pat);
      RECTL rect{0, 0, 16, 2};
      POINTL zero{0, 0};
      ASSERT_TRUE(EngBitBlt(dst.so(), src.so(), mask.so(), nullptr, nullptr, &rect, &zero, &zero, brush.get(), &zero,
                            r.rop4));
      const uint32_t valid = c.format == BMF_1BPP ? 1 : c.format == BMF_4BPP ? 0xF : c.format == BMF_8BPP ? 0xFF
                             : c.format == BMF_16BPP ? 0xFFFF : c.format == BMF_24BPP ? 0xFFFFFF : 0xFFFFFFFF;
      for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 16; ++x) {
          uint32_t want = (x < 5 ? r.in : r.out)(c.dst, c.src, c.pat) & valid;
          ASSERT_EQ(PixelAt(dst.so(), x, y), want) << "format " << c.format << " rop " << std::hex << r.rop4 << " x " << x;
        }
    }
  }
}

}  // namespace

namespace {

// A style whose first entry is a gap (LA_STARTGAP) draws as the same line
// begun where its first dash starts, with the entries from the first dash
// on; an odd count goes on with dashes and gaps swapped.
TEST(EngStroke, StyleStartingWithAGap) {
  struct Case {
    const char* name;
    std::vector<float> gap_first;  // with LA_STARTGAP, from x = 0
    float first_dash_at;           // where its first dash starts
    std::vector<float> dash_first; // the same line from there, without it
  } cases[] = {
      {"even", {3, 2}, 3, {2, 3}},
      {"odd", {3, 2, 1}, 3, {2, 1, 3, 2, 1, 3}},
  };
  auto stroke = [](TestBitmap* bmp, float from, const std::vector<float>& dashes, FLONG extra) {
    eng::Path line;
    line.MoveTo(from, 3);
    line.LineTo(24, 3);
    eng::PathObject path(line);
    eng::BrushObject black(0);
    POINTL org{0, 0};
    std::vector<FLOAT_LONG> style;
    for (float d : dashes) {
      FLOAT_LONG v;
      v.e = d;
      style.push_back(v);
    }
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC | LA_STYLED | extra;
    la.elWidth.e = 2;
    la.iEndCap = ENDCAP_BUTT;
    la.iJoin = JOIN_MITER;
    la.eMiterLimit = 10;
    la.cstyle = ULONG(style.size());
    la.pstyle = style.data();
    eng::XformObject identity;
    return EngStrokePath(bmp->so(), path.get(), nullptr, identity.get(), black.get(), &org, &la, kCopyPen);
  };
  for (const Case& c : cases) {
    TestBitmap a(28, 5, BMF_1BPP), b(28, 5, BMF_1BPP);
    ASSERT_TRUE(stroke(&a, 0, c.gap_first, LA_STARTGAP)) << c.name;
    ASSERT_TRUE(stroke(&b, c.first_dash_at, c.dash_first, 0)) << c.name;
    EXPECT_EQ(Joined(a.Picture()), Joined(b.Picture())) << c.name;
    EXPECT_EQ(a.Picture()[3].substr(0, 6), "...##.") << c.name;  // the gap comes first
  }
}

}  // namespace
