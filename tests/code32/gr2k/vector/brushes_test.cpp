// DrvRealizeBrush: hatches and patterns of every format become a 32 x 32
// two-colour or colour pattern, rows top first; the engine keeps the
// realization, so a brush is realized once.
#include "eng/objects.h"
#include "vector/brushes.h"
#include "image_test_support.h"

namespace {

using vtest::Bitmap;
using vtest::Table;

class Brushes : public vtest::VectorPage {
 protected:
  // Realizes a brush of the pattern (or hatch) and returns a copy of it.
  bool Realize(SURFOBJ* pattern, XLATEOBJ* xlo, ULONG hatch, GrRbrush* out) {
    eng::BrushObject brush(pattern, xlo, hatch, &DrvRealizeBrush, trg());
    const auto* rb = static_cast<const GrRbrush*>(BRUSHOBJ_pvGetRbrush(brush.get()));
    if (!rb) return false;
    *out = *rb;
    return true;
  }
  static bool Bit(const GrRbrush& rb, uint32_t x, uint32_t y) {
    return (rb.data[y * kRbrushMonoRowBytes + x / 8] >> (7 - x % 8)) & 1;
  }
  static uint32_t Pixel(const GrRbrush& rb, uint32_t x, uint32_t y) {
    const uint8_t* p = rb.data + y * kRbrushColourRowBytes + x * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  }
};

TEST_F(Brushes, HorizontalHatchSetsRowsSixteenToNineteen) {
  Table table({0x111111, 0x222222});
  GrRbrush rb{};
  ASSERT_TRUE(Realize(nullptr, &table.xlo, HS_HORIZONTAL, &rb));
  EXPECT_EQ(rb.brush.kind, kBrushTwoColour);
  EXPECT_EQ(rb.brush.bits, 1u);
  EXPECT_EQ(rb.brush.size, 32u);
  EXPECT_EQ(rb.brush.colors[0], 0x222222u) << "first colour: entry 1";
  EXPECT_EQ(rb.brush.colors[1], 0x111111u);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x) ASSERT_EQ(Bit(rb, x, y), y >= 16 && y < 20) << x << "," << y;
}

TEST_F(Brushes, HatchWithoutTranslationIsBlackOnWhite) {
  GrRbrush rb{};
  ASSERT_TRUE(Realize(nullptr, nullptr, HS_DIAGCROSS, &rb));
  EXPECT_EQ(rb.brush.colors[0], 0xFFFFFFu);
  EXPECT_EQ(rb.brush.colors[1], 0x000000u);
  EXPECT_TRUE(Bit(rb, 0, 0));
  EXPECT_TRUE(Bit(rb, 3, 3));
  EXPECT_FALSE(Bit(rb, 4, 0));
}

TEST_F(Brushes, OneBitEightByEightDoublesEachBit) {
  Bitmap pat(8, 8, BMF_1BPP);
  for (LONG y = 0; y < 8; ++y) pat.Row(y)[0] = 0xFF;
  pat.Row(0)[0] = 0x7F;  // only (0, 0) is 0
  GrRbrush rb{};
  ASSERT_TRUE(Realize(pat.so, nullptr, HS_DDI_MAX, &rb));
  EXPECT_EQ(rb.brush.kind, kBrushTwoColour);
  EXPECT_EQ(rb.brush.colors[0], 0x000000u);
  EXPECT_EQ(rb.brush.colors[1], 0xFFFFFFu);
  int set = 0;
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x)
      if (Bit(rb, x, y)) {
        ++set;
        EXPECT_TRUE(x % 16 < 2 && y % 16 < 2) << x << "," << y;
      }
  EXPECT_EQ(set, 16) << "four 2 x 2 blocks";
}

TEST_F(Brushes, EightBitEightByEightTilesThroughTheTranslation) {
  Bitmap pat(8, 8, BMF_8BPP);
  std::vector<ULONG> colours(64);
  for (ULONG i = 0; i < 64; ++i) colours[i] = 0x010203 * i;
  Table table(colours);
  for (LONG y = 0; y < 8; ++y)
    for (LONG x = 0; x < 8; ++x) pat.Row(y)[x] = uint8_t(y * 8 + x);
  GrRbrush rb{};
  ASSERT_TRUE(Realize(pat.so, &table.xlo, HS_DDI_MAX, &rb));
  EXPECT_EQ(rb.brush.kind, kBrushColour);
  EXPECT_EQ(rb.brush.bits, 24u);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x) ASSERT_EQ(Pixel(rb, x, y), (0x010203 * ((y % 8) * 8 + x % 8)) & 0xFFFFFF);
}

TEST_F(Brushes, SmallColourPatternIsStretchedThenTiled) {
  Bitmap pat(2, 2, BMF_24BPP);
  pat.Put24(0, 0, 0x0000A0);
  pat.Put24(1, 0, 0x0000B0);
  pat.Put24(0, 1, 0x0000C0);
  pat.Put24(1, 1, 0x0000D0);
  GrRbrush rb{};
  ASSERT_TRUE(Realize(pat.so, nullptr, HS_DDI_MAX, &rb));
  EXPECT_EQ(rb.brush.kind, kBrushColour);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x) {
      uint32_t px = (x % 4) / 2, py = (y % 4) / 2;
      ASSERT_EQ(Pixel(rb, x, y), 0xA0u + 0x10 * (py * 2 + px)) << x << "," << y;
    }
}

TEST_F(Brushes, TwoColourDetection) {
  struct Case {
    int colours;
    uint32_t kind;
  } cases[] = {{1, kBrushTwoColour}, {2, kBrushTwoColour}, {3, kBrushColour}};
  for (const Case& c : cases) {
    Bitmap pat(8, 8, BMF_24BPP);
    for (LONG y = 0; y < 8; ++y)
      for (LONG x = 0; x < 8; ++x) pat.Put24(x, y, 0x102030);
    if (c.colours >= 2) pat.Put24(3, 0, 0x405060);
    if (c.colours >= 3) pat.Put24(4, 4, 0x708090);
    GrRbrush rb{};
    ASSERT_TRUE(Realize(pat.so, nullptr, HS_DDI_MAX, &rb));
    EXPECT_EQ(rb.brush.kind, c.kind) << c.colours;
    if (c.kind != kBrushTwoColour) continue;
    EXPECT_EQ(rb.brush.colors[0], 0x102030u);
    EXPECT_EQ(rb.brush.colors[1], c.colours == 2 ? 0x405060u : 0u);
    EXPECT_TRUE(Bit(rb, 0, 0));
    EXPECT_EQ(Bit(rb, 6, 0), c.colours == 1) << "pixel (3, 0) drawn as 2 x 2";
  }
}

TEST_F(Brushes, BottomUpPatternsRealizeTopRowFirst) {
  GrRbrush down{}, up{};
  for (bool top_down : {true, false}) {
    Bitmap pat(8, 8, BMF_8BPP, top_down);
    Table table(vtest::GreyRamp(256));
    for (LONG y = 0; y < 8; ++y)
      for (LONG x = 0; x < 8; ++x) pat.Row(y)[x] = uint8_t(y * 30);  // visual row y
    ASSERT_TRUE(Realize(pat.so, &table.xlo, HS_DDI_MAX, top_down ? &down : &up));
  }
  EXPECT_EQ(std::memcmp(down.data, up.data, sizeof down.data), 0);
  EXPECT_EQ(Pixel(up, 0, 1), 0x1E1E1Eu);
}

TEST_F(Brushes, SixteenBitChannelsScaleBy255Over32) {
  // Each 5-bit channel becomes channel x 255 / 32, truncated: full intensity
  // is 247, not white.
  Bitmap pat(8, 8, BMF_16BPP);
  for (LONG y = 0; y < 8; ++y)
    for (LONG x = 0; x < 8; ++x) {
      pat.Row(y)[x * 2] = 0xFF;
      pat.Row(y)[x * 2 + 1] = 0x7F;
    }
  pat.Row(0)[0] = 0x10;  // (0, 0): blue 16, green 0, red 0
  pat.Row(0)[1] = 0x00;
  pat.Row(0)[2] = 0x21;  // (1, 0): blue 1, green 1, red 8 (0x2021)
  pat.Row(0)[3] = 0x20;
  GrRbrush rb{};
  ASSERT_TRUE(Realize(pat.so, nullptr, HS_DDI_MAX, &rb));
  EXPECT_EQ(Pixel(rb, 0, 0), 0x00007Fu);
  EXPECT_EQ(Pixel(rb, 1, 0), 0x3F0707u);
  EXPECT_EQ(Pixel(rb, 2, 0), 0xF7F7F7u);
  EXPECT_EQ(Pixel(rb, 9, 1), 0xF7F7F7u);
}

TEST_F(Brushes, ShortOrMissingTranslationsAndPatterns) {
  Bitmap pat(8, 8, BMF_8BPP);
  std::memset(pat.so->pvBits, 200, pat.so->cjBits);
  Table shortTable({0xABCDEF});
  GrRbrush rb{};
  ASSERT_TRUE(Realize(pat.so, &shortTable.xlo, HS_DDI_MAX, &rb));
  EXPECT_EQ(Pixel(rb, 5, 5), 0u) << "an index beyond the table is 0";
  eng::XlateObject no_table(PAL_BGR, {}, PAL_BGR, {});  // no table: black and white
  ASSERT_EQ(no_table.get()->flXlate & XO_TABLE, 0u);
  pat.Row(0)[0] = 1;
  ASSERT_TRUE(Realize(pat.so, no_table.get(), HS_DDI_MAX, &rb));
  EXPECT_EQ(Pixel(rb, 0, 0), 0xFFFFFFu);
  EXPECT_FALSE(Realize(nullptr, nullptr, HS_DDI_MAX, &rb)) << "a pattern brush needs its pattern";
  SURFOBJ lying = *pat.so;
  lying.sizlBitmap.cx = 100000;
  EXPECT_FALSE(Realize(&lying, nullptr, HS_DDI_MAX, &rb)) << "rows shorter than the width claims";
}

int g_realizations = 0;
BOOL CountingRealize(BRUSHOBJ* pbo, SURFOBJ* trg, SURFOBJ* pat, SURFOBJ* mask, XLATEOBJ* xlo, ULONG hatch) {
  ++g_realizations;
  return DrvRealizeBrush(pbo, trg, pat, mask, xlo, hatch);
}

TEST_F(Brushes, PatternBrushIsRealizedOnceAndSentAtEachUse) {
  Bitmap pat(8, 8, BMF_1BPP);
  g_realizations = 0;
  eng::BrushObject brush(pat.so, nullptr, HS_DDI_MAX, &CountingRealize, trg());
  RECTL rect{0, 0, 8, 8};
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE(DrvBitBlt(trg(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, brush.get(), nullptr, 0xF0F0));
  EXPECT_EQ(g_realizations, 1);
  int patterns = 0;
  for (const auto& r : Records())
    if (r.opcode == kOpPattern) {
      ++patterns;
      EXPECT_EQ(r.Int("pattern"), 1);
      EXPECT_EQ(r.Int("side"), 32);
      EXPECT_EQ(r.Int("colour24"), 0);
    }
  EXPECT_EQ(patterns, 2);
}

TEST_F(Brushes, DitherColorAsksForHalftone) {
  EXPECT_EQ(DrvDitherColor(reinterpret_cast<DHPDEV>(pdev_), 0, 0x123456, nullptr), 2u);
}

}  // namespace
