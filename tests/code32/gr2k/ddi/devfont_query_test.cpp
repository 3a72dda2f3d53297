// The engine's questions about VELMPD0's device fonts (metrics, glyph set,
// kerning pairs, glyph data, realised extents, advance widths) against
// font objects of the engine with chosen transforms, and what DEVINFO
// announces in vector and raster mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ddi_printer_machine.h"
#include "ddi_test_support.h"
#include "env_test_machine.h"
#include "eng/text.h"
#include "gr2k/devfont.h"
#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"

namespace {

using namespace gr_item;

constexpr LONG kFdError = -1;  // FD_ERROR: the query failed

const HMODULE kModule = reinterpret_cast<HMODULE>(0x52000);

// A Pdev of vector mode with the device fonts of the module's resources.
class FontQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    TxtRegisterDeviceFontResources(kModule);
    pdev = ddi_test::MakePdev({.raster = 0});
    ASSERT_NE(pdev, nullptr);
    pdev->deviceFonts = TxtLoadDeviceFonts(pdev, kModule, &pdev->deviceFontCount);
    ASSERT_NE(pdev->deviceFonts, nullptr);
  }
  void TearDown() override {
    if (pdev) {
      TxtFreeDeviceFonts(pdev, pdev->deviceFonts);
      PdevDestroy(pdev);
    }
    TxtWithdrawDeviceFontResources(kModule);
  }
  // A font object of device font i_face with the transform m (font units to
  // device pixels).
  std::unique_ptr<eng::FontObject> Font(ULONG i_face, const XFORML& m) {
    ULONG_PTR id = 1;
    IFIMETRICS* ifi = DrvQueryFont(pdev, 0, i_face == 0 || i_face > 4 ? 1 : i_face, &id);
    auto* set = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(pdev, 0, 1, QFT_GLYPHSET, &id));
    return eng::FontObject::CreateSynthetic(ifi, set, m, i_face);
  }
  Pdev* pdev = nullptr;
};

TEST_F(FontQueries, FontAndTree) {
  ULONG_PTR id = 77;
  IFIMETRICS* ifi = DrvQueryFont(pdev, 0, 2, &id);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(ifi, TxtFontMetrics(TxtFontRecord(pdev->deviceFonts, 2)));
  for (ULONG bad : {0u, 5u}) {
    SetLastError(0);
    id = 77;
    EXPECT_EQ(DrvQueryFont(pdev, 0, bad, &id), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(id, 0u);
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontTree(pdev, 0, bad, QFT_GLYPHSET, &id), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }

  auto* pairs = static_cast<FD_KERNINGPAIR*>(DrvQueryFontTree(pdev, 0, 3, QFT_KERNPAIRS, &id));
  ASSERT_NE(pairs, nullptr);
  EXPECT_EQ(pairs[0].wcFirst, 0);
  EXPECT_EQ(pairs[0].wcSecond, 0);
  EXPECT_EQ(pairs[0].fwdKern, 0);
  EXPECT_EQ(DrvQueryFontTree(pdev, 0, 4, QFT_GLYPHSET, &id), TxtGlyphSet(pdev, pdev->deviceFonts, 1));
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontTree(pdev, 0, 1, QFT_LIGATURES, &id), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // A Pdev without device fonts answers none; a foreign one is refused.
  Pdev* bare = ddi_test::MakePdev({.raster = 0});
  SetLastError(0);
  EXPECT_EQ(DrvQueryFont(bare, 0, 1, &id), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  PdevDestroy(bare);
  uint32_t junk[64] = {};
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontTree(junk, 0, 1, QFT_GLYPHSET, &id), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(FontQueries, AdvanceWidths) {
  auto font = Font(1, XFORML{0.05f, 0, 0, 0.05f, 0, 0});  // a 50-pixel em
  ASSERT_NE(font, nullptr) << GetLastError();
  HGLYPH glyphs[] = {0x41, 0x889F, 0x8540, 0x8640, 0x82A0};
  USHORT widths[5] = {};
  for (ULONG mode : {QAW_GETWIDTHS, QAW_GETEASYWIDTHS}) {
    std::fill(std::begin(widths), std::end(widths), 0xEEEE);
    ASSERT_TRUE(DrvQueryAdvanceWidths(pdev, font->get(), mode, glyphs, widths, 5));
    // 25 and 50 pixels in 12.4.
    EXPECT_EQ(widths[0], 25 * 16);
    EXPECT_EQ(widths[1], 50 * 16);
    EXPECT_EQ(widths[2], 25 * 16);
    EXPECT_EQ(widths[3], 25 * 16);
    EXPECT_EQ(widths[4], 50 * 16);
  }
  EXPECT_TRUE(DrvQueryAdvanceWidths(pdev, font->get(), QAW_GETWIDTHS, nullptr, nullptr, 0));  // empty: at once
  for (ULONG bad : {0u, 5u}) {
    auto other = Font(bad, XFORML{0.05f, 0, 0, 0.05f, 0, 0});
    ASSERT_NE(other, nullptr);
    SetLastError(0);
    EXPECT_FALSE(DrvQueryAdvanceWidths(pdev, other->get(), QAW_GETWIDTHS, glyphs, widths, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  // A width beyond the 16-bit field is held at the largest whole pixel.
  auto huge = Font(1, XFORML{100.0f, 0, 0, 100.0f, 0, 0});
  ASSERT_NE(huge, nullptr);
  ASSERT_TRUE(DrvQueryAdvanceWidths(pdev, huge->get(), QAW_GETWIDTHS, glyphs, widths, 2));
  EXPECT_EQ(widths[0], 0xFFF0);
  EXPECT_EQ(widths[1], 0xFFF0);
}

TEST_F(FontQueries, GlyphMetricsWithoutBitmaps) {
  auto font = Font(3, XFORML{1.0f, 0, 0, 1.0f, 0, 0});  // font units are pixels
  ASSERT_NE(font, nullptr) << GetLastError();
  EXPECT_EQ(DrvQueryFontData(pdev, font->get(), QFD_GLYPHANDBITMAP, 0x41, nullptr, nullptr, 0), 0);
  const struct {
    HGLYPH hg;
    FIX advance;
  } cases[] = {{0x41, 500 * 16}, {0x889F, 1000 * 16}, {0x8540, 500 * 16}};
  for (const auto& c : cases) {
    GLYPHDATA gd;
    std::memset(&gd, 0xEE, sizeof gd);
    ASSERT_EQ(DrvQueryFontData(pdev, font->get(), QFD_GLYPHANDBITMAP, c.hg, &gd, nullptr, 0), 0);
    EXPECT_EQ(gd.hg, c.hg);
    EXPECT_EQ(gd.fxD, c.advance);
    EXPECT_EQ(gd.fxA, 0);
    EXPECT_EQ(gd.fxAB, c.advance);
    EXPECT_EQ(gd.ptqD.x, int64_t(c.advance) << 32);
    EXPECT_EQ(gd.ptqD.y, 0);
    EXPECT_EQ(gd.fxInkTop, 900 * 16);
    EXPECT_EQ(gd.fxInkBottom, -100 * 16);
    EXPECT_EQ(gd.rclInk.left, LONG(0xEEEEEEEE)) << "left as it was";
  }
  // An em of 40,000 pixels: the advance product needs more than 32 bits.
  auto big = Font(3, XFORML{40.0f, 0, 0, 40.0f, 0, 0});
  ASSERT_NE(big, nullptr);
  GLYPHDATA gd{};
  ASSERT_EQ(DrvQueryFontData(pdev, big->get(), QFD_GLYPHANDBITMAP, 0x889F, &gd, nullptr, 0), 0);
  EXPECT_EQ(gd.fxD, 40000 * 16);
  EXPECT_EQ(gd.ptqD.x, int64_t(40000 * 16) << 32);
}

TEST_F(FontQueries, MaxExtentsAndShortBuffer) {
  auto font = Font(1, XFORML{1.0f, 0, 0, 1.0f, 0, 0});
  ASSERT_NE(font, nullptr) << GetLastError();
  EXPECT_EQ(DrvQueryFontData(pdev, font->get(), QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
  std::array<uint8_t, 128> buffer;
  buffer.fill(0xEE);
  ASSERT_EQ(DrvQueryFontData(pdev, font->get(), QFD_MAXEXTENTS, 0, nullptr, buffer.data(), 124), 124);
  FD_DEVICEMETRICS dm;
  std::memcpy(&dm, buffer.data(), sizeof dm);
  EXPECT_EQ(buffer[124], 0xEE);
  EXPECT_EQ(dm.flRealizedType, 0u);
  EXPECT_FLOAT_EQ(dm.pteBase.x, 1.0f);
  EXPECT_FLOAT_EQ(dm.pteBase.y, 0.0f);
  EXPECT_FLOAT_EQ(dm.pteSide.x, 0.0f);
  EXPECT_FLOAT_EQ(dm.pteSide.y, -1.0f);
  EXPECT_EQ(dm.cxMax, 1000u);
  EXPECT_EQ(dm.lD, 0);  // not FM_INFO_CONSTANT_WIDTH
  EXPECT_EQ(dm.fxMaxAscender, 900 * 16);
  EXPECT_EQ(dm.fxMaxDescender, 100 * 16);
  EXPECT_EQ(dm.ptlUnderline1.x, 0);
  EXPECT_EQ(dm.ptlUnderline1.y, 93);
  EXPECT_EQ(dm.ptlStrikeOut.y, -450);
  EXPECT_EQ(dm.ptlULThickness.y, 46);
  EXPECT_EQ(dm.ptlSOThickness.y, 46);
  EXPECT_EQ(dm.cyMax, 0u);

  // A buffer shorter than the record is refused and left untouched.
  for (ULONG size : {0u, 1u, 123u}) {
    buffer.fill(0xEE);
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontData(pdev, font->get(), QFD_MAXEXTENTS, 0, nullptr, buffer.data(), size), kFdError);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buffer[0], 0xEE);
  }
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontData(pdev, font->get(), QFD_GLYPHANDOUTLINE, 0x41, nullptr, buffer.data(), 128), kFdError);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// ---- DEVINFO of a device context over a printer -------------------------------------------------
class DeviceFontsEnabled : public ddi_test::PrinterMachine {
 protected:
  DeviceFontsEnabled() : PrinterMachine(kModule) {}
};

TEST_F(DeviceFontsEnabled, DevinfoAnnouncesTheFontsInVectorModeOnly) {
  const struct {
    const char* name;
    int32_t imagePrint, driverType;
    ULONG fonts;
  } cases[] = {{"vector", 0, 0, 4}, {"raster", 1, 0, 0}, {"vector, driver type 1", 0, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> job = JobDevmode({{kImagePrint, c.imagePrint}, {kDriverType, c.driverType}});
    GDIINFO gdi{};
    DEVINFO dev{};
    std::u16string name = u"Office";
    DHPDEV p = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(job.data()), nullptr, 0, nullptr, sizeof gdi,
                             reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, nullptr, name.data(), printer_);
    ASSERT_NE(p, nullptr) << GetLastError();
    auto* pdev = static_cast<Pdev*>(p);
    EXPECT_EQ(dev.cFonts, c.fonts);
    EXPECT_EQ(pdev->deviceFontCount, c.fonts);
    EXPECT_EQ(pdev->deviceFonts != nullptr, c.fonts != 0);
    if (c.fonts) {
      ULONG_PTR id;
      EXPECT_NE(DrvQueryFontTree(p, 0, 2, QFT_GLYPHSET, &id), nullptr);  // loaded, then freed with the Pdev
    }
    DrvDisablePDEV(p);
  }
}

}  // namespace
