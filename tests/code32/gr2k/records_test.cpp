// Byte layout of every display-list record, byte for byte.
#include <cstring>
#include <functional>
#include <string>

#include "gr_test_support.h"

namespace {

using grtest::GrTest;
using grtest::Hex;

class Records : public GrTest {
 protected:
  // The bytes the encoder put in the (emptied) buffer; the record's
  // address must be where they start.
  std::vector<uint8_t> Encode(const std::function<uint8_t*(DisplayListStream*)>& encode) {
    DlInit(stream());
    uint8_t* rec = encode(stream());
    EXPECT_EQ(rec, stream()->first.data);
    return grtest::Span(stream()->first.data, DlBlockUsed(stream()->head));
  }
  std::vector<uint8_t> EncodeImage(const DlImageSource& image) {
    DlInit(stream());
    spool_.bytes.clear();
    EXPECT_TRUE(DlImage(stream(), image));
    EXPECT_TRUE(DlFlush(stream()));
    return DataBytes();
  }
};

struct ExactCase {
  const char* name;
  std::function<uint8_t*(DisplayListStream*)> encode;
  const char* bytes;
};

TEST_F(Records, FixedAndSmallRecordsByteForByte) {
  const DlRectangle r{10, 20, 30, 40};
  const ExactCase cases[] = {
      {"rop", [](auto s) { return DlRop(s, 0x88); }, "31 88 00 00"},
      {"PATCOPY goes out as SRCCOPY", [](auto s) { return DlRop(s, 0xF0); }, "31 cc 00 00"},
      {"background mode", [](auto s) { return DlBackMode(s, 2); }, "32 02 00 00"},
      {"line width", [](auto s) { return DlLineWidth(s, 3, 0xFFFFFF00, 1); }, "33 01 03 00 00 ff ff ff"},
      {"negative width", [](auto s) { return DlLineWidth(s, -2, 0xFFFFFFFF, 255); }, "33 ff fe ff ff ff ff ff"},
      {"dash offset", [](auto s) { return DlDashOffset(s, 31); }, "34 1f 00 00"},
      {"end cap", [](auto s) { return DlEndCap(s, 2); }, "35 02 00 00"},
      {"join", [](auto s) { return DlJoin(s, 2, 2560); }, "36 02 00 00 00 0a 00 00"},
      {"clip reset", [](auto s) { return DlClipReset(s); }, "37 00 00 00"},
      {"begin page", [](auto s) { return DlBeginPage(s, 4961, 7016, 600); }, "60 000000 61130000 681b0000 5802 5802"},
      {"end page", [](auto s) { return DlEndPage(s); }, "61 00 00 00"},
      {"fill rectangle", [r](auto s) { return DlRect(s, kRectFill, r); },
       "10 00 01 00 28000000 0a000000 14000000 1e000000 28000000 0a000000 14000000 1e000000 28000000"},
      {"clip rectangle", [](auto s) { return DlClipRect(s, {-1, 0, 5, 6}); },
       "10 00 05 00 18000000 ffffffff 00000000 05000000 06000000"},
      {"rectangle kind 6", [r](auto s) { return DlRect(s, 6, r); },
       "10 00 06 00 18000000 0a000000 14000000 1e000000 28000000"},
      {"colour, transparent",
       [](auto s) { return DlColor(s, {0x00332211, 0xFFFFFF, 0, 1, false, false, false}); }, "30 08 01 00 112233 00"},
      {"colour, opaque",
       [](auto s) { return DlColor(s, {0x0000FF, 0xFFFFFF, 0, 2, false, false, false}); },
       "30 0c 09 00 ff0000 ffffff 0000"},
      {"colour, opaque with third colour, text, host",
       [](auto s) { return DlColor(s, {0x010203, 0x040506, 0x070809, 2, true, true, true}); },
       "30 10 d9 00 030201 060504 090807 000000"},
      {"colour, third without background",
       [](auto s) { return DlColor(s, {0x010203, 0x040506, 0x070809, 1, true, false, false}); },
       "30 0c 11 00 030201 090807 0000"},
      {"solid brush", [](auto s) { return DlPattern(s, DlBrush{kBrushPlain, 0, 0, 0, 0, {0, 0}, false, nullptr}); },
       "40 00 00 01 00 00 00 00"},
      {"solid brush, host colours",
       [](auto s) { return DlPattern(s, DlBrush{kBrushPlain, 24, 32, 0, 0, {0, 0}, true, nullptr}); },
       "40 40 00 01 00 00 00 00"},
      {"character cell", [](auto s) { return DlCharCell(s, {1, 2, 3, 4}, -5, 6, 0x3042); },
       "51 00 00 00 24000000 01000000 02000000 03000000 04000000 fbffffff 06000000 4230 0000"},
  };
  for (const ExactCase& c : cases) {
    EXPECT_EQ(Encode(c.encode), Hex(c.bytes)) << c.name;
  }
}

TEST_F(Records, PatternsCarryTheirRowsAndRoundDownFromNPlus9) {
  std::vector<uint8_t> mono(32 * 32 / 8), colour(32 * 32 * 3);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = uint8_t(i + 1);
  for (size_t i = 0; i < colour.size(); ++i) colour[i] = uint8_t(i * 3 + 1);
  std::vector<uint8_t> got = Encode([&](auto s) { return DlPattern(s, {kBrushTwoColour, 1, 32, 0, 0, {}, false, mono.data()}); });
  ASSERT_EQ(got.size(), 136u);
  EXPECT_EQ(grtest::Span(got.data(), 6), Hex("40 80 20 01 8000"));
  EXPECT_EQ(grtest::Span(got.data() + 6, 128), mono);
  EXPECT_EQ(grtest::Span(got.data() + 134, 2), Hex("0000"));

  got = Encode([&](auto s) { return DlPattern(s, {kBrushColour, 24, 32, 0, 0, {}, true, colour.data()}); });
  ASSERT_EQ(got.size(), 3080u);
  EXPECT_EQ(grtest::Span(got.data(), 6), Hex("40 c1 20 01 000c"));
  EXPECT_EQ(grtest::Span(got.data() + 6, 3072), colour);
  EXPECT_EQ(grtest::Span(got.data() + 3078, 2), Hex("0000"));

  got = Encode([&](auto s) { return DlPattern(s, {kBrushColour, 1, 16, 0, 0, {}, false, mono.data()}); });
  EXPECT_EQ(got.size(), 40u);  // 32 data bytes: 41 rounded down
  EXPECT_EQ(grtest::Span(got.data(), 6), Hex("40 80 10 01 2000"));
}

TEST_F(Records, BrushesThatCannotBeEncodedAreRefused) {
  const uint8_t data[64 * 64 * 3] = {};
  const DlBrush bad[] = {
      {1, 1, 32, 0, 0, {}, false, data},                 // a kind of its own
      {kBrushColour, 8, 32, 0, 0, {}, false, data},      // neither 1 nor 24 bits
      {kBrushTwoColour, 1, 8, 0, 0, {}, false, data},    // no such size
      {kBrushTwoColour, 1, 32, 0, 0, {}, false, nullptr},  // no rows
  };
  for (const DlBrush& b : bad) {
    DlInit(stream());
    EXPECT_EQ(DlPattern(stream(), b), nullptr) << b.kind << "/" << b.bits << "/" << b.size;
    EXPECT_EQ(stream()->reservations, 0u);
  }
  EXPECT_TRUE(DlPatternOrigin(stream(), &bad[0]));
  EXPECT_EQ(stream()->reservations, 0u);
}

DlFontDesc Font(const char* face) {
  DlFontDesc f{};
  f.kind = 2;
  f.weight = 400;
  f.angle = 90;
  f.emWidth = 50;
  f.emHeight = 100;
  f.internalLeading = 7;
  f.defaultChar = 0x30FB;
  f.charSet = 128;
  f.pitchAndFamily = 0x31;
  std::memcpy(f.faceName, face, std::strlen(face));
  return f;
}

TEST_F(Records, FontSelectNamesInWholeUnitsThenOneZeroByte) {
  struct Case {
    const char* face;
    const char* name_area;  // from offset 24 to the end
    uint32_t size;
  } cases[] = {
      {"Arial", "417269616c 000000", 32},        // odd: 2 zero bytes, then padding
      {"Abcd", "41626364 00000000", 32},         // even: 1 zero byte, then padding
      {"Abcdef", "416263646566 0000", 32},       // even, 6 bytes: 1 zero byte and 1 padding byte
      {"Abcdefg", "41626364656667 0000000000", 36},
      {"", "00000000", 28},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> got = Encode([&](auto s) { return DlFontSelect(s, Font(c.face)); });
    std::vector<uint8_t> want = Hex("50 00 80 31 0800 9001 5a00 3200 6400");
    want.push_back(uint8_t(c.size));
    want.push_back(0);
    for (uint8_t b : Hex("00000000 0700 fb30")) want.push_back(b);
    for (uint8_t b : Hex(c.name_area)) want.push_back(b);
    EXPECT_EQ(got, want) << c.face;
  }
}

TEST_F(Records, FontSelectReadsOnlyTheNameUpToItsZero) {
  // Whatever follows the terminator inside the field is not sent, and a
  // field without any zero is read to its end and no further.
  DlFontDesc f = Font("Ab");
  std::memset(f.faceName + 3, 'X', sizeof f.faceName - 3);
  EXPECT_EQ(Encode([&](auto s) { return DlFontSelect(s, f); }), Encode([](auto s) { return DlFontSelect(s, Font("Ab")); }));
  std::memset(f.faceName, 'Y', sizeof f.faceName);
  std::vector<uint8_t> got = Encode([&](auto s) { return DlFontSelect(s, f); });
  ASSERT_EQ(got.size(), 288u);  // (260 + 28) rounded down
  EXPECT_EQ(got[24 + 259], 'Y');
  EXPECT_EQ(grtest::Span(got.data() + 284, 4), Hex("00000000"));
}

TEST_F(Records, FontFlagsAndTheDeviceFontLayout) {
  DlFontDesc f = Font("Mincho");
  f.simItalic = f.simBold = f.simBold2 = true;
  f.vertical = f.glyphIndex = true;
  f.kind = 4;
  std::vector<uint8_t> got = Encode([&](auto s) { return DlFontSelect(s, f); });
  EXPECT_EQ(grtest::Span(got.data() + 4, 2), Hex("b322"));  // 0x0001|0x0002|0x0020|0x0200|0x2000|0x0080|0x0010
  f = Font("Mincho");
  f.kind = 5;
  got = Encode([&](auto s) { return DlDeviceFontSelect(s, f); });
  EXPECT_EQ(got, Hex("56 80 31 00 0020 9001 5a00 3200 6400 2800 00000000 0700 fb30 0000000000000000"
                     "4d696e63686f 0000"));
}

TEST_F(Records, StringsAndGlyphRecords) {
  const uint16_t chars[] = {0x41, 0x42, 0x43};
  const int16_t per_char[] = {10, -20, 0};
  const int16_t one = 12;
  EXPECT_EQ(Encode([&](auto s) { return DlString(s, {0, 0, 9, 9}, 3, 4, chars, 3, per_char, true); }),
            Hex("52 00 80 00 30000000 00000000 00000000 09000000 09000000 03000000 04000000 0300 0000"
                "0a00 ecff 0000 4100 4200 4300"));
  EXPECT_EQ(Encode([&](auto s) { return DlString(s, {0, 0, 9, 9}, 3, 4, chars, 3, &one, false); }),
            Hex("52 00 00 00 2c000000 00000000 00000000 09000000 09000000 03000000 04000000 0300 0000"
                "0c00 4100 4200 4300"));

  const uint8_t bits[] = {0x92, 0x41, 0x00, 0x42, 0x99};
  DlGlyphBitmapArgs g{true, kGlyphFlagChar, {1, 2, 3, 4}, 5, 6, 7, 8, 16, 4, 0x3042, kGlyphCompressed, bits, 5};
  std::vector<uint8_t> got = Encode([&](auto s) { return DlGlyphBitmap(s, g); });
  EXPECT_EQ(got, Hex("53 00 08 00 48000000 01000000 02000000 03000000 04000000 05000000 06000000 40000000"
                     "07000000 08000000 10000000 04000000 05000000 00000000 4230 02 00 9241004299 000000"));
  g.cached = false;
  g.flags = kGlyphFlagIndex | kGlyphFlagSent;  // sent earlier: no data whatever is given
  got = Encode([&](auto s) { return DlGlyphBitmap(s, g); });
  ASSERT_EQ(got.size(), 64u);
  EXPECT_EQ(grtest::Span(got.data(), 8), Hex("57 00 44 00 40000000"));
  EXPECT_EQ(grtest::Span(got.data() + 32, 4), Hex("00000000"));
  EXPECT_EQ(grtest::Span(got.data() + 52, 4), Hex("00000000"));

  EXPECT_EQ(Encode([&](auto s) { return DlGlyphDefine(s, kGlyphFlagChar, 16, 4, 0x41, kGlyphPlain, bits, 5); }),
            Hex("54 00 08 00 24000000 05000000 10000000 04000000 00000000 4100 00 00 9241004299 000000"));
  DlInit(stream());
  EXPECT_EQ(DlGlyphDefine(stream(), 0, 1, 1, 0x41, 0, nullptr, 5), nullptr);
  EXPECT_EQ(DlGlyphDefine(stream(), 0, 1, 1, 0x41, 0, bits, 0), nullptr);

  const DlGlyphStep steps[] = {{0, 0, 0x41}, {12, -1, 0x42}};
  EXPECT_EQ(Encode([&](auto s) { return DlGlyphRun(s, kGlyphFlagIndex, {0, 0, 5, 5}, 7, 8, steps, 2); }),
            Hex("55 00 04 00 30000000 00000000 00000000 05000000 05000000 07000000 08000000 0200 0000"
                "0000 0000 4100 0c00 ffff 4200"));

  const uint8_t outline[] = {3, 0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0};
  got = Encode([&](auto s) { return DlGlyphOutline(s, {0, 0, 8, 8}, 0, 0, 0x41, outline, sizeof outline); });
  ASSERT_EQ(got.size(), 56u);  // (20 + 39) rounded down
  EXPECT_EQ(grtest::Span(got.data(), 8), Hex("51 00 01 00 38000000"));
  EXPECT_EQ(grtest::Span(got.data() + 36, 20), grtest::Span(outline, 20));
}

TEST_F(Records, CountsThatDoNotFitTheirFieldsAreRefused) {
  std::vector<uint16_t> chars(0x10000, 0x41);
  const int16_t one = 1;
  EXPECT_EQ(DlString(stream(), {}, 0, 0, chars.data(), 0x10000, &one, false), nullptr);
  std::vector<DlGlyphStep> steps(0x10000);
  EXPECT_EQ(DlGlyphRun(stream(), 0, {}, 0, 0, steps.data(), 0x10000), nullptr);
  EXPECT_EQ(stream()->reservations, 0u);
}

// ---- images -----------------------------------------------------------------------------------

TEST_F(Records, OneBitImageRowsFollowATwoEntryPaletteWithoutAGap) {
  uint8_t row[16];
  for (int i = 0; i < 16; ++i) row[i] = uint8_t(0xA0 + i);
  const uint8_t palette[] = {0, 0, 0, 0xAA, 0xFF, 0xFE, 0xFD, 0xAA};
  DlImageSource img{5, 6, 100, 1, 0, 0, 100, 1, kImageDepth1, row, palette, false};
  std::vector<uint8_t> got = EncodeImage(img);
  ASSERT_EQ(got.size(), 80u);  // 56 + 6 + 16 = 78, rounded up
  EXPECT_EQ(grtest::Span(got.data(), 56),
            Hex("20 00 00 00 50000000 05000000 06000000 69000000 07000000 00000000 00000000 64000000 01000000"
                "05000000 06000000 64000000 01000000"));
  EXPECT_EQ(grtest::Span(got.data() + 56, 6), Hex("000000 fffefd"));
  EXPECT_EQ(grtest::Span(got.data() + 62, 16), grtest::Span(row, 16));
  EXPECT_EQ(grtest::Span(got.data() + 78, 2), Hex("0000"));
}

TEST_F(Records, PaletteSizesFollowTheDepthAndNoPaletteSetsFlag20) {
  std::vector<uint8_t> pixels(64, 0x33), palette(256 * 4, 0x44);
  struct Case {
    uint32_t format;
    bool palette;
    uint8_t byte2;
    uint32_t size;
  } cases[] = {
      {kImageDepth4, true, 0x01, 56 + 48 + 8},
      {kImageDepth8, true, 0x02, 56 + 768 + 8},
      {kImageDepth8 | kImageGrey, true, 0x12, 56 + 8},  // grey levels have no palette
      {kImageDepth8, false, 0x22, 56 + 8},
      {kImageDepth24, false, 0x24, 56 + 24},
      {kImageDepth1 | kImageRop, false, 0xA0, 56 + 8},
  };
  for (const Case& c : cases) {
    DlImageSource img{0, 0, 4, 2, 0, 0, 4, 2, c.format, pixels.data(), c.palette ? palette.data() : nullptr, false};
    std::vector<uint8_t> got = EncodeImage(img);
    ASSERT_EQ(got.size(), c.size) << std::hex << c.format;
    EXPECT_EQ(got[2], c.byte2) << std::hex << c.format;
  }
}

TEST_F(Records, BottomUpRowsGiveTheSameRecordAsTopDown) {
  // Three 24-bit rows of 2 pixels (8 bytes each with padding).
  const uint8_t top_down[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0, 13, 14, 15, 16, 17, 18, 0, 0};
  uint8_t bottom_up[24];
  for (int r = 0; r < 3; ++r) std::memcpy(bottom_up + 8 * r, top_down + 8 * (2 - r), 8);
  DlImageSource a{0, 0, 2, 3, 0, 0, 2, 3, kImageDepth24, top_down, nullptr, false};
  DlImageSource b{0, 0, 2, 3, 0, 0, 2, 3, kImageDepth24, bottom_up + 16, nullptr, true};
  std::vector<uint8_t> ga = EncodeImage(a);
  EXPECT_EQ(ga, EncodeImage(b));
  EXPECT_EQ(grtest::Span(ga.data() + 56, 24), grtest::Span(top_down, 24));
}

TEST_F(Records, RasterBandsAndHostFlagsReachBytes1And3) {
  const uint8_t row[4] = {0xFF};
  pdev_->rasterMode = 1;
  DlImageSource img{0, 0, 1, 1, 0, 0, 1, 1, kImageDepth1 | kImageHostIcm | kImageReduced, row, nullptr, false};
  std::vector<uint8_t> got = EncodeImage(img);
  EXPECT_EQ(grtest::Span(got.data(), 4), Hex("20 02 20 0c"));
}

TEST_F(Records, TwentyFourBitDataIsReducedToGreyForAMonochromeDevice) {
  // Pixels B, G, R: white, pure red, pure green, pure blue, a grey.
  const uint8_t row[16] = {255, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 50, 100, 150, 0};
  DlImageSource img{0, 0, 5, 1, 0, 0, 5, 1, kImageDepth24, row, nullptr, false};
  struct Device {
    uint32_t machine, color;
    bool grey;
  } devices[] = {{0, 2, true}, {1, 1, true}, {1, 2, false}};
  for (const Device& d : devices) {
    pdev_->machineColor = d.machine;
    pdev_->color = d.color;
    std::vector<uint8_t> got = EncodeImage(img);
    if (!d.grey) {
      EXPECT_EQ(got[2], 0x24);
      EXPECT_EQ(got.size(), 56u + 16);
      continue;
    }
    ASSERT_EQ(got.size(), 56u + 8);
    EXPECT_EQ(got[2], 0x32);  // 8-bit grey levels, no palette
    // (306 R + 601 G + 117 B) >> 10
    const uint8_t want[] = {255, uint8_t(306 * 255 >> 10), uint8_t(601 * 255 >> 10), uint8_t(117 * 255 >> 10),
                            uint8_t((306 * 150 + 601 * 100 + 117 * 50) >> 10), 0, 0, 0};
    EXPECT_EQ(grtest::Span(got.data() + 56, 8), grtest::Span(want, 8));
  }
  // Not reduced: drawn with a ROP, host-corrected, already reduced, or not plain data.
  pdev_->machineColor = 0;
  for (uint32_t format : {kImageDepth24 | kImageRop, kImageDepth24 | kImageHostIcm, kImageDepth24 | kImageReduced}) {
    img.format = format;
    std::vector<uint8_t> got = EncodeImage(img);
    EXPECT_EQ(got.size(), 56u + 16) << std::hex << format;
    EXPECT_EQ(got[2] & 0x0F, 4) << std::hex << format;
  }
  // Nor by the whole-record writer.
  img.format = kImageDepth24;
  DlInit(stream());
  spool_.bytes.clear();
  ASSERT_TRUE(DlImageWhole(stream(), img));
  ASSERT_TRUE(DlFlush(stream()));
  EXPECT_EQ(DataBytes().size(), 56u + 16);
}

TEST_F(Records, ImagesThatCannotBeDescribedAreRefused) {
  const uint8_t row[4] = {};
  const DlImageSource bad[] = {
      {0, 0, 1, 1, 0, 0, 0, 1, kImageDepth24, row, nullptr, false},  // zero row size
      {0, 0, 1, 1, 0, 0, 1, 1, 3, row, nullptr, false},              // unknown depth
      {0, 0, 1, 1, 0, 0, 1, 1, kImageDepth1, nullptr, nullptr, false},
      {INT32_MAX, 0, 1, 1, 0, 0, 1, 1, kImageDepth1, row, nullptr, false},  // right edge overflows
      // 100,000 rows of 100,000 24-bit pixels: beyond the 32-bit size field.
      {0, 0, 1, 1, 0, 0, 100000, 100000, kImageDepth24, row, nullptr, false},
  };
  for (const DlImageSource& img : bad) {
    EXPECT_FALSE(DlImage(stream(), img));
    EXPECT_FALSE(DlImageWhole(stream(), img));
    EXPECT_FALSE(DlImageByRow(stream(), img));
  }
  EXPECT_EQ(stream()->reservations, 0u);
}

}  // namespace
