// VELMPD0's exports and DDI table, the band geometry, what GDIINFO and
// DEVINFO announce for each kind of page, the Pdev check of every entry, and
// the hand-over of a document by DrvResetPDEV.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ddi_test_support.h"
#include "gr2k/glyph.h"
#include "plat/kernel.h"

namespace {

using ddi_test::MakePdev;
using ddi_test::PageSetup;

// ---- exports ---------------------------------------------------------------------------------

TEST(DdiExports, EnableDriverChecksVersionAndSize) {
  struct Case {
    const char* name;
    ULONG version;
    ULONG size;
    bool ok;
    DWORD error;
  } cases[] = {
      {"engine below the lowest version", 0x1FFFF, sizeof(DRVENABLEDATA), false, ERROR_BAD_DRIVER_LEVEL},
      {"lowest version", 0x20000, sizeof(DRVENABLEDATA), true, 0},
      {"the engine of this machine", DDI_DRIVER_VERSION_NT5_01, sizeof(DRVENABLEDATA), true, 0},
      // 12 bytes hold the version and count but only half the table pointer.
      {"a 12-byte record", 0x20000, 12, false, ERROR_INVALID_PARAMETER},
      {"one byte short", 0x20000, sizeof(DRVENABLEDATA) - 1, false, ERROR_INVALID_PARAMETER},
      {"a longer record", 0x20000, 64, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRVENABLEDATA data;
    std::memset(&data, 0xAB, sizeof data);
    SetLastError(0);
    EXPECT_EQ(DrvEnableDriver(c.version, c.size, &data), c.ok ? TRUE : FALSE);
    if (c.ok) {
      EXPECT_EQ(data.iDriverVersion, 0x30000u);
      EXPECT_EQ(data.c, 30u);
      EXPECT_NE(data.pdrvfn, nullptr);
    } else {
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(data.iDriverVersion, 0xABABABABu) << "a refused record is left alone";
    }
  }
  SetLastError(0);
  EXPECT_FALSE(DrvEnableDriver(0x20000, sizeof(DRVENABLEDATA), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(DdiExports, TableOrderAndFunctions) {
  DRVENABLEDATA data{};
  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
  const std::vector<std::pair<ULONG, PFN>> expected = {
      {0, reinterpret_cast<PFN>(DrvEnablePDEV)},     {2, reinterpret_cast<PFN>(DrvDisablePDEV)},
      {1, reinterpret_cast<PFN>(DrvCompletePDEV)},   {7, reinterpret_cast<PFN>(DrvResetPDEV)},
      {3, reinterpret_cast<PFN>(DrvEnableSurface)},  {4, reinterpret_cast<PFN>(DrvDisableSurface)},
      {33, reinterpret_cast<PFN>(DrvStartPage)},     {32, reinterpret_cast<PFN>(DrvSendPage)},
      {35, reinterpret_cast<PFN>(DrvStartDoc)},      {34, reinterpret_cast<PFN>(DrvEndDoc)},
      {57, reinterpret_cast<PFN>(DrvStartBanding)},  {58, reinterpret_cast<PFN>(DrvNextBand)},
      {18, reinterpret_cast<PFN>(DrvBitBlt)},        {20, reinterpret_cast<PFN>(DrvStretchBlt)},
      {14, reinterpret_cast<PFN>(DrvStrokePath)},    {15, reinterpret_cast<PFN>(DrvFillPath)},
      {16, reinterpret_cast<PFN>(DrvStrokeAndFillPath)}, {12, reinterpret_cast<PFN>(DrvRealizeBrush)},
      {24, reinterpret_cast<PFN>(DrvEscape)},        {37, reinterpret_cast<PFN>(DrvGetGlyphMode)},
      {13, reinterpret_cast<PFN>(DrvDitherColor)},   {19, reinterpret_cast<PFN>(DrvCopyBits)},
      {26, reinterpret_cast<PFN>(DrvQueryFont)},     {28, reinterpret_cast<PFN>(DrvQueryFontData)},
      {27, reinterpret_cast<PFN>(DrvQueryFontTree)}, {64, reinterpret_cast<PFN>(DrvIcmCreateColorTransform)},
      {65, reinterpret_cast<PFN>(DrvIcmDeleteColorTransform)}, {69, reinterpret_cast<PFN>(DrvStretchBltROP)},
      {53, reinterpret_cast<PFN>(DrvQueryAdvanceWidths)}, {23, reinterpret_cast<PFN>(DrvTextOut)},
  };
  ASSERT_EQ(data.c, expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(data.pdrvfn[i].iFunc, expected[i].first) << "entry " << i;
    EXPECT_EQ(data.pdrvfn[i].pfn, expected[i].second) << "entry " << i;
  }
}

TEST(DdiExports, QueryDriverInfo) {
  struct Case {
    const char* name;
    DWORD query;
    DWORD size;
    bool buffer;
    bool ok;
    DWORD error;
    DWORD needed;  // 0xFFFF: untouched
  } cases[] = {
      {"user mode, 4 bytes", DRVQUERY_USERMODE, 4, true, true, 0, 4},
      {"user mode, 8 bytes", DRVQUERY_USERMODE, 8, true, true, 0, 4},
      {"user mode, 3 bytes", DRVQUERY_USERMODE, 3, true, false, ERROR_INSUFFICIENT_BUFFER, 4},
      {"user mode, no buffer", DRVQUERY_USERMODE, 4, false, false, ERROR_INSUFFICIENT_BUFFER, 4},
      {"unknown query", 2, 4, true, false, ERROR_INVALID_PARAMETER, 0xFFFF},
      {"query 0", 0, 4, true, false, ERROR_INVALID_PARAMETER, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t buffer[8];
    std::memset(buffer, 0xCD, sizeof buffer);
    DWORD needed = 0xFFFF;
    SetLastError(0);
    EXPECT_EQ(DrvQueryDriverInfo(c.query, c.buffer ? buffer : nullptr, c.size, &needed), c.ok ? TRUE : FALSE);
    EXPECT_EQ(needed, c.needed);
    if (c.ok) {
      EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), (std::vector<uint8_t>{1, 0, 0, 0}));
      EXPECT_EQ(buffer[4], 0xCD) << "nothing beyond the DWORD";
    } else {
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(buffer[0], 0xCD);
    }
  }
}

// ---- band geometry -------------------------------------------------------------------------

TEST(DdiBandGeometry, BandHeight) {
  struct Case {
    int32_t width, height, band;
  } cases[] = {
      {4961, 7016, 512},        // A4 at 600 dpi: 624-byte rows
      {9921, 14032, 256},       // A4 at 1200 dpi: 1244-byte rows
      {4961, 300, 300},         // a page below one band
      {4961, 512, 512},         // exactly one band
      {2000000, 7016, 32},      // rows above 300 KB: the 32-row minimum
      {32, 100000, 76832},      // 4-byte rows: (76800 / 32 + 1) * 32
      {1, 10, 10},
  };
  for (const Case& c : cases) EXPECT_EQ(GrBandHeight(c.width, c.height), c.band) << c.width << " x " << c.height;
}

TEST(DdiBandGeometry, RowBytes) {
  struct Case {
    ULONG format;
    int64_t width, bytes;
  } cases[] = {
      {BMF_1BPP, 4961, 624}, {BMF_1BPP, 9921, 1244}, {BMF_1BPP, 32, 4},  {BMF_1BPP, 33, 8},
      {BMF_4BPP, 3, 4},      {BMF_8BPP, 5, 8},       {BMF_16BPP, 3, 8},  {BMF_24BPP, 4961, 14884},
      {BMF_24BPP, 1, 4},     {BMF_32BPP, 10, 40},    {99, 10, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ImgStride(c.format, c.width), c.bytes) << c.format << " " << c.width;
}

// ---- GDIINFO and DEVINFO ---------------------------------------------------------------------

struct Filled {
  GDIINFO gdi{};
  DEVINFO dev{};
  bool ok = false;
};

Filled Fill(Pdev* pdev) {
  Filled f;
  GrFillGdiInfo(pdev, &f.gdi);
  f.ok = GrFillDevInfo(pdev, f.gdi, &f.dev);
  return f;
}

class DdiDeviceInfo : public ::testing::Test {
 protected:
  void SetUp() override { palettes_ = eng::LivePalettes(); }
  void TearDown() override {
    for (Pdev* p : pdevs_) GrFreePdev(p);
    EXPECT_EQ(eng::LivePalettes(), palettes_) << "a palette outlived its Pdev";
  }
  Pdev* New(const PageSetup& s) {
    Pdev* p = MakePdev(s);
    EXPECT_NE(p, nullptr);
    pdevs_.push_back(p);
    return p;
  }
  std::vector<Pdev*> pdevs_;
  long palettes_ = 0;
};

// Depth by mode, colour process and dmColor.
TEST_F(DdiDeviceInfo, DepthByModeAndColour) {
  struct Case {
    int16_t raster, process;
    uint32_t color;
    ULONG bits, planes, colors, palette;
  } cases[] = {
      {1, 1, 1, 1, 1, 2, 2},
      {1, 1, 2, 8, 3, 0xFFFFFF, 0xFFFFFF},
      {1, 2, 1, 8, 3, 0xFFFFFF, 0xFFFFFF},
      {1, 0, 1, 8, 3, 0xFFFFFF, 0xFFFFFF},
      {0, 1, 1, 1, 1, 2, 2},
      {0, 1, 2, 1, 1, 8, 20},
      {0, 2, 1, 24, 1, 0xFFFFFF, 0xFFFFFF},
      {0, 2, 2, 24, 1, 0xFFFFFF, 0xFFFFFF},
      {0, 3, 2, 8, 3, 0xFFFFFF, 0xFFFFFF},
      {0, 0, 1, 8, 3, 0xFFFFFF, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "raster " << c.raster << " process " << c.process << " color " << c.color);
    PageSetup s;
    s.raster = c.raster;
    s.colorProcess = c.process;
    s.color = c.color;
    Filled f = Fill(New(s));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.gdi.cBitsPixel, c.bits);
    EXPECT_EQ(f.gdi.cPlanes, c.planes);
    EXPECT_EQ(f.gdi.ulNumColors, c.colors);
    EXPECT_EQ(f.gdi.ulNumPalReg, c.palette);
  }
}

// Halftone format, capabilities, dithering and palette over mode, colour,
// the one-bit surface item and the EMF and ICM items.
TEST_F(DdiDeviceInfo, CapsFormatsAndPalette) {
  struct Case {
    const char* name;
    int16_t raster, process;
    uint32_t color;
    int16_t oneBitSurface;
    uint32_t emf;
    uint8_t matching, icm;
    ULONG htFormat;
    FLONG caps;
    ULONG dither;
    USHORT ditherSize;
  } cases[] = {
      {"one-bit raster", 1, 1, 1, 0, 0, 0, 0, 0, 0x430 | 0x2000 | 0x800000, BMF_1BPP, 8},
      {"one-bit raster, EMF", 1, 1, 1, 0, 1, 0, 0, 0, 0x430 | 0x800000, BMF_1BPP, 8},
      {"colour raster", 1, 2, 2, 0, 0, 0, 0, 6, 0x430 | 0x2000, BMF_24BPP, 0},
      {"colour raster with ICM", 1, 2, 2, 0, 1, 1, 1, 6, 0x430 | 0x2000000, BMF_24BPP, 0},
      {"ICM needs both items", 1, 2, 2, 0, 1, 1, 0, 6, 0x430, BMF_24BPP, 0},
      {"ICM needs colour", 1, 2, 1, 0, 1, 1, 1, 6, 0x430, BMF_24BPP, 0},
      {"one-bit raster ignores 376", 1, 1, 1, 1, 0, 0, 0, 0, 0x430 | 0x2000 | 0x800000, BMF_1BPP, 8},
      {"mono vector", 0, 1, 1, 0, 0, 0, 0, 6, 0x1F | 0x2000, BMF_24BPP, 0},
      {"mono vector, one-bit surface", 0, 1, 1, 1, 0, 0, 0, 0, 0x1F | 0x2000, BMF_24BPP, 0},
      {"colour vector, EMF", 0, 2, 2, 1, 1, 0, 0, 6, 0x1F, BMF_24BPP, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageSetup s;
    s.raster = c.raster;
    s.colorProcess = c.process;
    s.color = c.color;
    Pdev* p = New(s);
    p->oneBitSurface = c.oneBitSurface;
    p->emfSpool = c.emf;
    p->colorMatching = c.matching;
    p->icmType = c.icm;
    Filled f = Fill(p);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.gdi.ulHTOutputFormat, c.htFormat);
    EXPECT_EQ(f.dev.flGraphicsCaps, c.caps);
    EXPECT_EQ(f.dev.iDitherFormat, c.dither);
    EXPECT_EQ(f.dev.cxDither, c.ditherSize);
    EXPECT_EQ(f.dev.cyDither, c.ditherSize);
    EXPECT_EQ(f.dev.hpalDefault, p->palette);
    EXPECT_NE(f.dev.hpalDefault, nullptr);
    EXPECT_EQ(f.dev.cFonts, 0u);
  }
}

TEST_F(DdiDeviceInfo, SizesResolutionAndFixedFields) {
  PageSetup s;  // A4 printable area at 600 dpi
  Pdev* p = New(s);
  p->physWidthDots = 4961 + 200;
  p->physLengthDots = 7016 + 200;
  p->offsetXDots = 100;
  p->offsetYDots = 90;
  struct Case {
    int16_t ext;
    ULONG horz, vert;
  } cases[] = {
      {2, 210, 297},                                // millimetres
      {0, ULONG(-2100 * 100), ULONG(-2970 * 100)},  // negative micrometres
      {1, ULONG(-2100 * 100), ULONG(-2970 * 100)},
  };
  for (const Case& c : cases) {
    p->extPrintArea = c.ext;
    Filled f = Fill(p);
    EXPECT_EQ(f.gdi.ulHorzSize, c.horz) << c.ext;
    EXPECT_EQ(f.gdi.ulVertSize, c.vert) << c.ext;
  }
  Filled f = Fill(p);
  EXPECT_EQ(f.gdi.ulVersion, 0x500u);
  EXPECT_EQ(f.gdi.ulTechnology, 2u);
  EXPECT_EQ(f.gdi.ulHorzRes, 4961u);
  EXPECT_EQ(f.gdi.ulVertRes, 7016u);
  EXPECT_EQ(p->pageWidth, 4961);
  EXPECT_EQ(p->pageHeight, 7016);
  EXPECT_EQ(f.gdi.ulLogPixelsX, 600u);
  EXPECT_EQ(f.gdi.ulAspectY, 600u);
  EXPECT_EQ(f.gdi.flTextCaps, 0x581Fu);
  EXPECT_EQ(f.gdi.ulAspectXY, 848u);
  EXPECT_EQ(f.gdi.denStyleStep, 24);
  EXPECT_EQ(f.gdi.ptlPhysOffset.x, 100);
  EXPECT_EQ(f.gdi.ptlPhysOffset.y, 90);
  EXPECT_EQ(f.gdi.szlPhysSize.cx, 5161);
  EXPECT_EQ(f.gdi.szlPhysSize.cy, 7216);
  EXPECT_EQ(f.gdi.ciDevice.Red.x, 6380);
  EXPECT_EQ(f.gdi.ciDevice.AlignmentWhite.y, 3290);
  EXPECT_EQ(f.gdi.ciDevice.MagentaInYellowDye, 10000);
  EXPECT_EQ(f.gdi.ulPrimaryOrder, 4u);
  EXPECT_EQ(f.gdi.ulHTPatternSize, 7u);
  EXPECT_EQ(f.gdi.flHTFlags, 2u);
}

TEST(DdiHalftone, PatternSizeAndCharsets) {
  struct Pattern {
    uint32_t x, y, size;
  } patterns[] = {{2400, 2400, 15}, {1800, 2400, 13}, {1200, 1200, 11}, {900, 900, 9}, {600, 600, 7},
                  {400, 1200, 7},   {399, 399, 5},     {180, 180, 5},    {179, 600, 3}, {0, 0, 3}};
  for (const Pattern& p : patterns) EXPECT_EQ(GrHalftonePatternSize(p.x, p.y), p.size) << p.x << " " << p.y;
  struct Charset {
    uint32_t codePage;
    uint8_t charset;
  } charsets[] = {{932, 128}, {1252, 0}, {949, 129}, {1361, 130}, {936, 134}, {950, 136}, {1255, 177},
                  {1256, 178}, {1253, 161}, {1254, 162}, {1257, 186}, {1250, 238}, {1251, 204}, {874, 222},
                  {437, 0},    {65001, 0}};
  for (const Charset& c : charsets) EXPECT_EQ(GrCharsetCodePage(c.codePage), c.charset) << c.codePage;
}

TEST_F(DdiDeviceInfo, DefaultFontOnlyForJapaneseVectorPages) {
  struct Case {
    const char* name;
    int16_t raster, language;
    uint32_t allowed;
    uint16_t resolution;
    LONG height;
  } cases[] = {
      {"vector, Japanese, allowed, 600 dpi", 0, 0, 1, 600, 87},
      {"1200 dpi", 0, 0, 1, 1200, 175},
      {"raster", 1, 0, 1, 600, 0},
      {"another language", 0, 1, 1, 600, 0},
      {"not allowed", 0, 0, 0, 600, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageSetup s;
    s.raster = c.raster;
    s.colorProcess = 2;
    s.color = 2;
    s.resolution = c.resolution;
    Pdev* p = New(s);
    p->languageId = c.language;
    p->defaultFontAllowed = c.allowed;
    Filled f = Fill(p);
    const LOGFONTW& lf = f.dev.lfDefaultFont;
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(lf.lfWidth, c.height / 2);
    EXPECT_EQ(lf.lfCharSet, 128) << "the charset of code page 932 in every case";
    EXPECT_EQ(f.dev.lfAnsiVarFont.lfCharSet, 0);
    EXPECT_EQ(f.dev.lfAnsiFixFont.lfHeight, c.height);
    if (c.height) {
      EXPECT_EQ(lf.lfWeight, 400);
      EXPECT_EQ(lf.lfPitchAndFamily, 0x11);
      EXPECT_EQ(lf.lfOutPrecision, 1);
      EXPECT_EQ(lf.lfClipPrecision, 2);
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(lf.lfFaceName)), u"\u660E\u671D");
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(f.dev.lfAnsiVarFont.lfFaceName)), u"\u660E\u671D");
    } else {
      EXPECT_EQ(lf.lfFaceName[0], 0);
    }
  }
}

TEST_F(DdiDeviceInfo, PaletteReplacedAndFailureKeepsNothing) {
  Pdev* p = New(PageSetup{});
  Filled first = Fill(p);
  ASSERT_TRUE(first.ok);
  const long live = eng::LivePalettes();
  Filled second = Fill(p);
  ASSERT_TRUE(second.ok);
  EXPECT_EQ(eng::LivePalettes(), live) << "the earlier palette is deleted";
  plat::FailNth("EngAllocMem", 1);
  Filled failed = Fill(p);
  plat::ClearFaults();
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(p->palette, nullptr);
  EXPECT_EQ(eng::LivePalettes(), live - 1);
}

// ---- the Pdev check of every entry -------------------------------------------------------------

struct EntryCase {
  const char* name;
  // Calls the entry with the Pdev (directly or through a surface) and says
  // whether the answer is the entry's failure value.
  std::function<bool(Pdev*, SURFOBJ*)> fails;
  bool setsError = true;
};

std::vector<EntryCase> Entries() {
  static uint8_t buffer[64];
  return {
      {"DrvCompletePDEV", [](Pdev* p, SURFOBJ*) { DrvCompletePDEV(p, reinterpret_cast<HDEV>(0x99)); return p->engineDevice == nullptr; }},
      {"DrvResetPDEV old", [](Pdev* p, SURFOBJ*) {
         Pdev* good = MakePdev(PageSetup{});
         bool failed = !DrvResetPDEV(p, good);
         PdevDestroy(good);
         return failed;
       }},
      {"DrvResetPDEV new", [](Pdev* p, SURFOBJ*) {
         Pdev* good = MakePdev(PageSetup{});
         bool failed = !DrvResetPDEV(good, p);
         PdevDestroy(good);
         return failed;
       }},
      {"DrvEnableSurface", [](Pdev* p, SURFOBJ*) { return DrvEnableSurface(p) == nullptr; }},
      {"DrvDisableSurface", [](Pdev* p, SURFOBJ*) {
         p->surface = reinterpret_cast<void*>(0x77);  // never touched for a bad Pdev
         DrvDisableSurface(p);
         bool kept = p->surface == reinterpret_cast<void*>(0x77);
         p->surface = nullptr;
         return kept;
       }, false},
      {"DrvStartDoc", [](Pdev*, SURFOBJ* so) { return !DrvStartDoc(so, nullptr, 1); }},
      {"DrvStartPage", [](Pdev*, SURFOBJ* so) { return !DrvStartPage(so); }},
      {"DrvSendPage", [](Pdev*, SURFOBJ* so) { return !DrvSendPage(so); }},
      {"DrvEndDoc", [](Pdev*, SURFOBJ* so) { return !DrvEndDoc(so, 0); }},
      {"DrvEscape", [](Pdev*, SURFOBJ* so) { return DrvEscape(so, 8, 0, nullptr, 0, nullptr) == 0; }},
      {"DrvStartBanding", [](Pdev*, SURFOBJ* so) {
         POINTL o{5, 5};
         return !DrvStartBanding(so, &o);
       }},
      {"DrvNextBand", [](Pdev*, SURFOBJ* so) {
         POINTL o{5, 5};
         return !DrvNextBand(so, &o);
       }},
      {"DrvBitBlt", [](Pdev*, SURFOBJ* so) {
         RECTL r{0, 0, 1, 1};
         return !DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0);
       }},
      {"DrvStretchBlt", [](Pdev*, SURFOBJ* so) {
         return !DrvStretchBlt(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
       }},
      {"DrvStretchBltROP", [](Pdev*, SURFOBJ* so) {
         return !DrvStretchBltROP(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                                  nullptr, 0);
       }},
      {"DrvCopyBits", [](Pdev*, SURFOBJ* so) { return !DrvCopyBits(so, nullptr, nullptr, nullptr, nullptr, nullptr); }},
      {"DrvStrokePath", [](Pdev*, SURFOBJ* so) {
         return DrvStrokePath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0) == -1;
       }},
      {"DrvFillPath", [](Pdev*, SURFOBJ* so) { return DrvFillPath(so, nullptr, nullptr, nullptr, nullptr, 0, 0) == -1; }},
      {"DrvStrokeAndFillPath", [](Pdev*, SURFOBJ* so) {
         return DrvStrokeAndFillPath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0) == -1;
       }},
      {"DrvTextOut", [](Pdev*, SURFOBJ* so) {
         return !DrvTextOut(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
       }},
      {"DrvRealizeBrush", [](Pdev*, SURFOBJ* so) { return !DrvRealizeBrush(nullptr, so, nullptr, nullptr, nullptr, 0); }},
      {"DrvDitherColor", [](Pdev* p, SURFOBJ*) { return DrvDitherColor(p, 0, 0, nullptr) == 0; }},
      {"DrvGetGlyphMode", [](Pdev* p, SURFOBJ*) { return DrvGetGlyphMode(p, nullptr) == 0; }},
      {"DrvQueryFont", [](Pdev* p, SURFOBJ*) { return DrvQueryFont(p, 0, 1, nullptr) == nullptr; }},
      {"DrvQueryFontData", [](Pdev* p, SURFOBJ*) {
         return DrvQueryFontData(p, nullptr, 0, 0, nullptr, buffer, sizeof buffer) == -1;
       }},
      {"DrvQueryFontTree", [](Pdev* p, SURFOBJ*) { return DrvQueryFontTree(p, 0, 1, 0, nullptr) == nullptr; }},
      {"DrvQueryAdvanceWidths", [](Pdev* p, SURFOBJ*) {
         return !DrvQueryAdvanceWidths(p, nullptr, 0, nullptr, buffer, 1);
       }},
      {"DrvIcmCreateColorTransform", [](Pdev* p, SURFOBJ*) {
         return DrvIcmCreateColorTransform(p, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0) == nullptr;
       }},
      {"DrvIcmDeleteColorTransform", [](Pdev* p, SURFOBJ*) {
         return !DrvIcmDeleteColorTransform(p, reinterpret_cast<HANDLE>(0x5));
       }},
      {"DrvDisablePDEV", [](Pdev* p, SURFOBJ*) {
         DrvDisablePDEV(p);  // a bad Pdev is not freed: the case's Pdev is still readable
         return p->pool != nullptr;
       }},
  };
}

TEST(DdiPdevCheck, EveryEntryRefusesABadMagic) {
  const long blocks = plat::LiveGlobalBlocks();
  for (const EntryCase& c : Entries()) {
    for (bool first : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (first ? ": first word" : ": last word"));
      Pdev* p = MakePdev(PageSetup{});
      ASSERT_NE(p, nullptr);
      if (first) {
        p->magicFirst ^= 1;
      } else {
        p->magicLast = 0x13101965;
      }
      SURFOBJ so{};
      so.dhpdev = p;
      SetLastError(0);
      EXPECT_TRUE(c.fails(p, &so));
      if (c.setsError) {
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
      }
      p->magicFirst = p->magicLast = kPdevMagic;
      PdevDestroy(p);
    }
  }
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
  SetLastError(0);
  EXPECT_FALSE(DrvStartPage(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// ---- DrvResetPDEV -----------------------------------------------------------------------------

class DdiReset : public ::testing::Test {
 protected:
  void SetUp() override {
    blocks_ = plat::LiveGlobalBlocks();
    old_ = MakePdev(PageSetup{});
    new_ = MakePdev(PageSetup{});
    ASSERT_TRUE(old_ && new_);
    old_->rasterMode = new_->rasterMode = 0;  // the user information is a context matter: see below
    ddi_test::Bind(old_, &spool_);
  }
  void TearDown() override {
    PdevDestroy(old_);
    PdevDestroy(new_);
    EXPECT_EQ(plat::LiveGlobalBlocks(), blocks_);
  }
  void StartDocument() {
    old_->flags |= kPdevDocStarted;
    old_->pageCount = 3;
    old_->jobId = 17;
    static const char kName[] = "Report";
    old_->jobName = static_cast<char*>(GrPoolAlloc(old_->pool, 6));
    std::memcpy(old_->jobName, kName, 6);
    old_->jobNameLength = 6;
    old_->colorTransform = reinterpret_cast<HANDLE>(0x71);
    old_->colorProfile = reinterpret_cast<HANDLE>(0x72);
    ASSERT_NE(DlEndPage(&old_->stream), nullptr);  // a record still buffered
  }
  Pdev* old_ = nullptr;
  Pdev* new_ = nullptr;
  grtest::SpoolRecorder spool_;
  long blocks_ = 0;
};

TEST_F(DdiReset, WithoutDocumentNothingMoves) {
  new_->colorTransform = reinterpret_cast<HANDLE>(0x33);
  old_->pageCount = 2;
  EXPECT_TRUE(DrvResetPDEV(old_, new_));
  EXPECT_EQ(new_->flags, 0u);
  EXPECT_EQ(new_->pageCount, 0);
  EXPECT_EQ(new_->stream.spoolWrite, nullptr);
  EXPECT_NE(old_->stream.spoolWrite, nullptr);
  EXPECT_EQ(new_->colorTransform, reinterpret_cast<HANDLE>(0x33));
}

TEST_F(DdiReset, DocumentContinuesInTheNewPdev) {
  StartDocument();
  const int16_t generation = old_->glyphs.generation;
  ASSERT_TRUE(DrvResetPDEV(old_, new_));
  // The old buffer went out first.
  EXPECT_EQ(spool_.bytes, (std::vector<uint8_t>{0xF5, 0, 0, 0, 4, 0, 0, 0, 0x61, 0, 0, 0}));
  EXPECT_EQ(new_->pageCount, 3);
  EXPECT_EQ(new_->jobId, 17u);
  EXPECT_EQ(new_->flags, kPdevDocStarted | kPdevContinued);
  EXPECT_TRUE(old_->flags & kPdevContinued);
  // The spool-side binding and the colour handles have one owner: the new Pdev.
  EXPECT_EQ(new_->stream.spoolDocument, &spool_);
  EXPECT_EQ(new_->stream.spoolWrite, &grtest::SpoolRecorder::Write);
  EXPECT_EQ(old_->stream.spoolWrite, nullptr);
  EXPECT_EQ(old_->stream.spoolDocument, nullptr);
  EXPECT_EQ(new_->colorTransform, reinterpret_cast<HANDLE>(0x71));
  EXPECT_EQ(new_->colorProfile, reinterpret_cast<HANDLE>(0x72));
  EXPECT_EQ(old_->colorTransform, nullptr);
  EXPECT_EQ(old_->colorProfile, nullptr);
  // The job name lives in the new pool.
  ASSERT_NE(new_->jobName, nullptr);
  EXPECT_NE(new_->jobName, old_->jobName);
  EXPECT_EQ(std::string(new_->jobName, size_t(new_->jobNameLength)), "Report");
  EXPECT_EQ(old_->glyphs.generation, int16_t(generation + 1));
  EXPECT_EQ(new_->glyphs.generation, old_->glyphs.generation);
  // The new Pdev writes the rest of the job.
  EXPECT_TRUE(SpoolWrite(&new_->stream, "x", 1));
  EXPECT_EQ(spool_.bytes.back(), 'x');
}

TEST_F(DdiReset, OutputFailureIsCarriedOver) {
  old_->flags |= kPdevOutputFailed;
  EXPECT_TRUE(DrvResetPDEV(old_, new_));
  EXPECT_TRUE(new_->flags & kPdevOutputFailed);
  old_->flags = 0;
  new_->flags = 0;
  StartDocument();
  DlInit(&old_->stream);  // nothing buffered: the flush writes nothing
  old_->flags |= kPdevOutputFailed;
  EXPECT_TRUE(DrvResetPDEV(old_, new_));
  EXPECT_TRUE(new_->flags & kPdevOutputFailed) << "a broken job stays broken in the new Pdev";
}

TEST_F(DdiReset, AFailedFlushLeavesTheOldDocument) {
  StartDocument();
  spool_.failAt = 1;
  const long new_blocks = long(new_->pool->blocks);
  EXPECT_FALSE(DrvResetPDEV(old_, new_));
  EXPECT_FALSE(new_->flags & kPdevDocStarted);
  EXPECT_EQ(new_->stream.spoolWrite, nullptr);
  EXPECT_EQ(new_->colorTransform, nullptr);
  EXPECT_EQ(old_->colorTransform, reinterpret_cast<HANDLE>(0x71));
  EXPECT_EQ(long(new_->pool->blocks), new_blocks) << "the copied job name is given back";
}

TEST_F(DdiReset, ANameCopyThatFailsChangesNothing) {
  StartDocument();
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_FALSE(DrvResetPDEV(old_, new_));
  plat::ClearFaults();
  EXPECT_TRUE(spool_.bytes.empty()) << "nothing flushed";
  EXPECT_EQ(old_->stream.spoolWrite, &grtest::SpoolRecorder::Write);
  EXPECT_FALSE(new_->flags & kPdevDocStarted);
}

}  // namespace
