// Transfers of a vector-mode page: which state records and image records
// DrvBitBlt, DrvStretchBlt, DrvStretchBltROP and DrvCopyBits write, with
// their fields and data, and the raster-mode hand-over to the engine.
#include <climits>

#include "image_test_support.h"

namespace {

using vtest::Bitmap;
using vtest::Table;

class VectorImages : public vtest::VectorPage {
 protected:
  static std::vector<jobread::Record> Images(const std::vector<jobread::Record>& all) {
    return ddi_test::ImageRecords(jobread::Stream{{}, all});
  }
  static std::vector<int64_t> Rops(const std::vector<jobread::Record>& all) {
    std::vector<int64_t> out;
    for (const auto& r : all)
      if (r.opcode == kOpRop) out.push_back(r.Int("rop3"));
    return out;
  }
};

TEST_F(VectorImages, BlacknessWithoutSourceIsAFilledRectangleInPlainBlack) {
  RECTL rect{5, 6, 25, 16};
  ASSERT_TRUE(DrvBitBlt(trg(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr, 0x0000));
  auto recs = Records();
  EXPECT_EQ(Opcodes(recs), (std::vector<uint8_t>{kOpPattern, kOpColor, kOpBackMode, kOpRop, kOpRect}));
  EXPECT_EQ(recs[0].Int("pattern"), 0) << "a plain brush";
  EXPECT_EQ(recs[1].Bytes("foreground"), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(recs[3].Int("rop3"), 0xFF) << "black goes out as the printer's 0xFF";
  EXPECT_EQ(recs[4].Int("kind"), 1);
  EXPECT_EQ(recs[4].Int("left"), 5);
  EXPECT_EQ(recs[4].Int("top"), 6);
  EXPECT_EQ(recs[4].Int("right"), 25);
  EXPECT_EQ(recs[4].Int("bottom"), 16);
}

TEST_F(VectorImages, RopsWithoutSourceGoThroughTheMixTables) {
  struct Case {
    ROP4 rop4;
    int64_t rop3;
    std::vector<uint8_t> colour;
  } cases[] = {
      {0xFFFF, 0x00, {0xFF, 0xFF, 0xFF}},  // WHITENESS: white, the printer's 0x00
      {0x5555, 0x55, {0xFF, 0xFF, 0xFF}},  // DSTINVERT without a brush: white
      {0xF0F0, 0xCC, {0x10, 0x20, 0x30}},  // PATCOPY with a red-green-blue brush
  };
  for (const Case& c : cases) {
    Open(0);
    BRUSHOBJ solid{0x102030, nullptr, 0};  // blue in the low byte
    RECTL rect{0, 0, 4, 4};
    ASSERT_TRUE(DrvBitBlt(trg(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr,
                          c.rop4 == 0x5555 ? nullptr : &solid, nullptr, c.rop4));
    auto recs = Records();
    ASSERT_EQ(Rops(recs), (std::vector<int64_t>{c.rop3})) << std::hex << c.rop4;
    EXPECT_EQ(recs[1].Bytes("foreground"), c.colour) << std::hex << c.rop4;
  }
}

TEST_F(VectorImages, NoOperationWritesNothing) {
  RECTL rect{0, 0, 4, 4};
  Bitmap src(4, 4, BMF_24BPP);
  EXPECT_TRUE(DrvBitBlt(trg(), src.so, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr, 0xAAAA));
  EXPECT_TRUE(Records().empty());
}

TEST_F(VectorImages, EveryDepthBecomesOneImageRecord) {
  struct Case {
    ULONG format;
    int64_t depth;
    int64_t palette;
  } cases[] = {
      {BMF_1BPP, 0, 2}, {BMF_4BPP, 1, 16}, {BMF_8BPP, 2, 256}, {BMF_16BPP, 4, 0}, {BMF_24BPP, 4, 0}, {BMF_32BPP, 4, 0},
  };
  std::vector<ULONG> colours(256);
  for (ULONG i = 0; i < 256; ++i) colours[i] = 0x000100 * i + 7;  // not grey
  Table table(colours);
  for (const Case& c : cases) {
    Open(0);
    Bitmap src(10, 3, c.format);
    std::memset(src.so->pvBits, 0xFF, src.so->cjBits);
    RECTL rect{2, 4, 12, 7};
    POINTL origin{0, 0};
    ASSERT_TRUE(DrvCopyBits(trg(), src.so, nullptr, &table.xlo, &rect, &origin)) << c.format;
    auto images = Images(Records());
    ASSERT_EQ(images.size(), 1u) << c.format;
    const auto& r = images[0];
    EXPECT_EQ(r.Int("depth"), c.depth) << c.format;
    EXPECT_EQ(r.Int("palette_entries"), c.palette) << c.format;
    EXPECT_EQ(r.Int("no_palette"), c.palette ? 0 : 1) << c.format;
    EXPECT_EQ(r.Int("width"), 10);
    EXPECT_EQ(r.Int("rows"), 3);
    EXPECT_EQ(r.Int("left"), 2);
    EXPECT_EQ(r.Int("top"), 4);
    EXPECT_EQ(r.Int("right"), 12);
    EXPECT_EQ(r.Int("bottom"), 7);
    if (c.palette) {
      const auto& pal = r.Bytes("palette");
      ASSERT_EQ(pal.size(), size_t(3 * c.palette));
      EXPECT_EQ(pal[3 * 1 + 0], 7);  // entry 1 as the translation gives it
      EXPECT_EQ(pal[3 * 1 + 1], 1);
    }
  }
}

TEST_F(VectorImages, GreyPalettesAreNotSent) {
  for (ULONG format : {BMF_1BPP, BMF_4BPP, BMF_8BPP}) {
    Open(0);
    const uint32_t n = format == BMF_1BPP ? 2 : format == BMF_4BPP ? 16 : 256;
    Table grey(vtest::GreyRamp(n));
    Bitmap src(8, 2, format);
    RECTL rect{0, 0, 8, 2};
    ASSERT_TRUE(DrvCopyBits(trg(), src.so, nullptr, &grey.xlo, &rect, nullptr));
    auto images = Images(Records());
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Int("no_palette"), 1) << format;
    EXPECT_EQ(images[0].Int("grey"), format == BMF_8BPP ? 1 : 0) << format;
  }
}

TEST_F(VectorImages, CopyBitsUsesAndWhenAnyAlphaIsNotOpaque) {
  for (uint8_t alpha : {uint8_t(0xFF), uint8_t(0x7F)}) {
    Open(0);
    Bitmap src(4, 4, BMF_32BPP);
    std::memset(src.so->pvBits, 0xFF, src.so->cjBits);
    src.Row(3)[2 * 4 + 3] = alpha;
    RECTL rect{0, 0, 4, 4};
    ASSERT_TRUE(DrvCopyBits(trg(), src.so, nullptr, nullptr, &rect, nullptr));
    auto recs = Records();
    EXPECT_EQ(Rops(recs), (std::vector<int64_t>{alpha == 0xFF ? 0xCC : 0x88}));
    EXPECT_EQ(Images(recs).size(), 1u);
  }
}

TEST_F(VectorImages, CopyBitsOfAPartTakesTheDestinationsRows) {
  Bitmap src(6, 5, BMF_24BPP);
  for (LONG y = 0; y < 5; ++y)
    for (LONG x = 0; x < 6; ++x) src.Put24(x, y, uint32_t(y * 16 + x));
  RECTL rect{20, 10, 23, 12};
  POINTL from{2, 1};
  ASSERT_TRUE(DrvCopyBits(trg(), src.so, nullptr, nullptr, &rect, &from));
  auto images = Images(Records());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Int("width"), 3);
  EXPECT_EQ(images[0].Int("rows"), 2);
  const auto& px = images[0].Bytes("pixels");
  ASSERT_GE(px.size(), 24u);  // two rows of 9 bytes padded to 12
  EXPECT_EQ(px[0], 1 * 16 + 2);
  EXPECT_EQ(px[3], 1 * 16 + 3);
  EXPECT_EQ(px[12], 2 * 16 + 2);
}

TEST_F(VectorImages, MirroredStretchReversesTheData) {
  Bitmap src(2, 1, BMF_24BPP);
  src.Put24(0, 0, 0x0000AA);
  src.Put24(1, 0, 0x0000BB);
  struct Case {
    RECTL dest;
    uint8_t first;
  } cases[] = {{{10, 0, 14, 2}, 0xAA}, {{14, 0, 10, 2}, 0xBB}};
  for (const Case& c : cases) {
    Open(0);
    RECTL d = c.dest, s{0, 0, 2, 1};
    ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
    auto images = Images(Records());
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Int("left"), 10) << "the destination is normalised";
    EXPECT_EQ(images[0].Int("right"), 14);
    EXPECT_EQ(images[0].Bytes("pixels")[0], c.first);
    EXPECT_EQ(images[0].Bytes("pixels")[3], c.first == 0xAA ? 0xBB : 0xAA);
  }
}

TEST_F(VectorImages, StretchSourceIsLimitedToTheBitmap) {
  Bitmap src(4, 4, BMF_8BPP);
  RECTL d{0, 0, 8, 8}, s{-5, -5, 4, 4};
  ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
  auto images = Images(Records());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Int("width"), 4);
  EXPECT_EQ(images[0].Int("rows"), 4);
  EXPECT_EQ(images[0].Int("dst_width"), 8);
}

TEST_F(VectorImages, ReductionOnlyWhenAllowed) {
  for (int allowed : {0, 1}) {
    Open(0);
    pdev_->imageReduction = allowed;
    Bitmap src(8, 8, BMF_24BPP);
    RECTL d{0, 0, 4, 2}, s{0, 0, 8, 8};
    ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
    auto images = Images(Records());
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Int("width"), allowed ? 4 : 8);
    EXPECT_EQ(images[0].Int("rows"), allowed ? 2 : 8);
  }
}

TEST_F(VectorImages, StretchWithoutTemporaryBitmapWritesTheRowsDirectly) {
  Bitmap src(4, 2, BMF_24BPP);
  src.Put24(1, 0, 0x123456);
  RECTL d{0, 0, 8, 4}, s{1, 0, 3, 2};  // a part: conversion is needed
  plat::FailNth("EngAllocMem", 1);
  ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
  auto images = Images(Records());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Int("width"), 2);
  EXPECT_EQ(images[0].Int("rows"), 2);
  EXPECT_EQ(images[0].Bytes("pixels")[0], 0x56);
  EXPECT_EQ(images[0].Bytes("pixels")[2], 0x12);
}

TEST_F(VectorImages, StretchFallsBackToSmallerSizesWhenNoBitmapCanBeHad) {
  Bitmap src(8, 6, BMF_4BPP);
  RECTL d{20, 0, 0, 12}, s{0, 0, 8, 6};  // mirrored: conversion is needed
  plat::FailNth("EngAllocMem", 1);       // the full-size bitmap
  ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
  auto images = Images(Records());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Int("width"), 4) << "half the size";
  EXPECT_EQ(images[0].Int("rows"), 3);
  EXPECT_EQ(images[0].Int("reduced"), 1);
  EXPECT_EQ(images[0].Int("dst_width"), 20);
}

TEST_F(VectorImages, CopyBitsFromANonBitmapErasesAndToAForeignTargetFails) {
  Bitmap src(4, 4, BMF_24BPP);
  SURFOBJ device = *src.so;
  device.iType = STYPE_DEVICE;
  RECTL rect{0, 0, 4, 4};
  std::memset(trg()->pvBits, 0, trg()->cjBits);
  ASSERT_TRUE(DrvCopyBits(trg(), &device, nullptr, nullptr, &rect, nullptr));
  EXPECT_EQ(static_cast<uint8_t*>(trg()->pvScan0)[0], 0xFF) << "erased to white";
  EXPECT_EQ(static_cast<uint8_t*>(trg()->pvScan0)[4 * 3], 0) << "only the rectangle";
  pdev_->surface = reinterpret_cast<void*>(0x5151);  // the device surface is another one
  EXPECT_FALSE(DrvCopyBits(trg(), src.so, nullptr, nullptr, &rect, nullptr));
  pdev_->surface = nullptr;
  EXPECT_TRUE(Images(Records()).empty());
}

TEST_F(VectorImages, MaskedCopyIsTheMaskThenTheMaskedSource) {
  Bitmap src(8, 2, BMF_24BPP);
  std::memset(src.so->pvBits, 0x40, src.so->cjBits);
  Bitmap mask(8, 2, BMF_1BPP);
  mask.Row(0)[0] = 0xF0;  // the left half of row 0 is drawn
  RECTL rect{0, 0, 8, 2};
  POINTL zero{0, 0};
  ASSERT_TRUE(DrvBitBlt(trg(), src.so, mask.so, nullptr, nullptr, &rect, &zero, &zero, nullptr, nullptr, 0xAACC));
  auto recs = Records();
  auto images = Images(recs);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].Int("depth"), 0);
  EXPECT_EQ(images[0].Int("no_palette"), 1);
  EXPECT_EQ(images[0].Bytes("pixels")[0], 0xF0);
  EXPECT_EQ(images[1].Int("depth"), 4);
  EXPECT_EQ(images[1].Int("rop"), 1);
  const auto& px = images[1].Bytes("pixels");
  EXPECT_EQ(px[0], 0x40) << "inside the mask: the source";
  EXPECT_EQ(px[3 * 5], 0xFF) << "outside: white";
  EXPECT_EQ(px[24], 0xFF) << "row 1 is outside the mask";
  std::vector<int64_t> rops = Rops(recs);
  ASSERT_GE(rops.size(), 2u);
  EXPECT_EQ(rops[rops.size() - 2], 0xEE);
  EXPECT_EQ(rops.back(), 0x88);
}

TEST_F(VectorImages, MalformedSourcesAndRectanglesAreRefusedSafely) {
  Bitmap src(4, 4, BMF_24BPP);
  // A huge destination cannot be written.
  RECTL huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, s{0, 0, 4, 4};
  EXPECT_FALSE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &huge, &s, nullptr, 3));
  // A source whose rows are shorter than its width claims.
  SURFOBJ lying = *src.so;
  lying.sizlBitmap.cx = 4000;
  RECTL d{0, 0, 4, 4}, all{0, 0, 4000, 4};
  EXPECT_FALSE(DrvStretchBlt(trg(), &lying, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &all, nullptr, 3));
  // A zero-size bitmap: nothing to draw.
  SURFOBJ empty = *src.so;
  empty.sizlBitmap = SIZEL{0, 0};
  EXPECT_TRUE(DrvStretchBlt(trg(), &empty, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, 3));
  // A source that is not a bitmap.
  SURFOBJ device = *src.so;
  device.iType = STYPE_DEVICE;
  EXPECT_FALSE(DrvStretchBlt(trg(), &device, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, 3));
  // A short translation: the entries it lacks are 0.
  Table shortTable({0x0000FF});
  Bitmap eight(2, 1, BMF_8BPP);
  EXPECT_TRUE(DrvCopyBits(trg(), eight.so, nullptr, &shortTable.xlo, &d, nullptr));
  auto images = Images(Records());
  ASSERT_EQ(images.size(), 1u);
  const auto& pal = images[0].Bytes("palette");
  ASSERT_EQ(pal.size(), 768u);
  EXPECT_EQ(pal[0], 0xFF);
  EXPECT_EQ(pal[3], 0);
}

TEST_F(VectorImages, RasterModeDrawsIntoTheBand) {
  Open(1);
  std::memset(trg()->pvBits, 0xFF, trg()->cjBits);
  RECTL rect{2, 3, 6, 5};
  ASSERT_TRUE(DrvBitBlt(trg(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr, 0x0000));
  Bitmap src(2, 1, BMF_24BPP);
  src.Put24(0, 0, 0x0000AA);
  src.Put24(1, 0, 0x0000BB);
  RECTL d{14, 0, 10, 1}, s{0, 0, 2, 1};  // mirrored
  ASSERT_TRUE(DrvStretchBlt(trg(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
  const uint8_t* row3 = static_cast<uint8_t*>(trg()->pvScan0) + 3 * trg()->lDelta;
  EXPECT_EQ(row3[2 * 3], 0);
  EXPECT_EQ(row3[5 * 3 + 2], 0);
  EXPECT_EQ(row3[6 * 3], 0xFF);
  const uint8_t* row0 = static_cast<uint8_t*>(trg()->pvScan0);
  EXPECT_EQ(row0[10 * 3], 0xBB);
  EXPECT_EQ(row0[13 * 3], 0xAA);
  EXPECT_TRUE(Records().empty());
}

}  // namespace
