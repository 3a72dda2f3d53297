// Fonts and strings of the engine: realised IPA and CFF faces (metrics,
// glyph bitmaps and outlines, transforms), strings and their enumeration,
// EngTextOut drawing glyphs with the clip, device fonts of a driver through
// the DC, and the code-page conversion that text output uses.
#include <mupdf/fitz.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <type_traits>

#include "eng/dc.h"
#include "eng/text.h"
#include "eng_test_util.h"
#include "plat/fonts.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "temp_machine.h"
#include "test_driver.h"
#include "test_driver_fixture.h"

namespace {

using eng_test::Joined;
using eng_test::TestBitmap;

constexpr MIX kCopyPen = 0x0D0D;
const char* const kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
const char* const kGothicP = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
const char* const kMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

eng::FontBytes Bytes(const char* path) {
  static std::vector<std::pair<std::string, eng::FontBytes>> cache;
  for (auto& [p, b] : cache)
    if (p == path) return b;
  eng::FontBytes b = eng::ReadFontFile(path);
  EXPECT_NE(b, nullptr) << path << " (the test command installs the IPA fonts)";
  cache.emplace_back(path, b);
  return b;
}

// A bare CFF font, as a PDF embeds it: MuPDF's built-in Times.
eng::FontBytes CffTimes() {
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_UNLIMITED);
  int len = 0;
  const unsigned char* data = fz_lookup_base14_font(ctx, "Times-Roman", &len);
  eng::FontBytes b = data && len > 0 ? std::make_shared<std::vector<uint8_t>>(data, data + len) : nullptr;
  fz_drop_context(ctx);
  return b;
}

std::unique_ptr<eng::FontObject> Font(const char* path, double height, LONG escapement = 0) {
  eng::FontSpec wanted;
  wanted.data = Bytes(path);
  wanted.height = height;
  wanted.escapement = escapement;
  return eng::FontObject::Create(wanted);
}

std::u16string Name(const IFIMETRICS* ifi, PTRDIFF at) {
  return reinterpret_cast<const char16_t*>(reinterpret_cast<const uint8_t*>(ifi) + at);
}

GLYPHDATA* Glyph(FONTOBJ* fo, ULONG mode, HGLYPH hg) {
  void* out = nullptr;
  if (FONTOBJ_cGetGlyphs(fo, mode, 1, &hg, &out) != 1) return nullptr;
  return static_cast<GLYPHDATA*>(out);
}

int Bit(const GLYPHBITS* gb, LONG x, LONG y) {
  LONG row = (gb->sizlBitmap.cx + 7) / 8;
  return (gb->aj[y * row + x / 8] >> (7 - x % 8)) & 1;
}

int Ink(const GLYPHBITS* gb) {
  int n = 0;
  for (LONG y = 0; y < gb->sizlBitmap.cy; ++y)
    for (LONG x = 0; x < gb->sizlBitmap.cx; ++x) n += Bit(gb, x, y);
  return n;
}

// ---- realised fonts ----------------------------------------------------------------------

TEST(EngineFont, IfiMetricsComeFromTheFace) {
  struct Case {
    const char* name;
    eng::FontBytes data;
    std::u16string family;
    FLONG tech_on, tech_off;
    BYTE charset;
    BYTE pitch;
  } cases[] = {
      {"IPA Gothic", Bytes(kGothic), u"IPAゴシック", FM_INFO_TECH_TRUETYPE, FM_INFO_TECH_OUTLINE_NOT_TRUETYPE,
       SHIFTJIS_CHARSET, FIXED_PITCH},
      {"IPA P Mincho", Bytes(kMincho), u"IPA明朝", FM_INFO_TECH_TRUETYPE, FM_INFO_TECH_OUTLINE_NOT_TRUETYPE,
       SHIFTJIS_CHARSET, FIXED_PITCH},
      {"IPA P Gothic", Bytes(kGothicP), u"IPA Pゴシック", FM_INFO_TECH_TRUETYPE,
       FM_INFO_TECH_OUTLINE_NOT_TRUETYPE, SHIFTJIS_CHARSET, VARIABLE_PITCH},
      {"CFF Times", CffTimes(), u"", FM_INFO_TECH_OUTLINE_NOT_TRUETYPE | FM_INFO_TECH_CFF, FM_INFO_TECH_TRUETYPE,
       ANSI_CHARSET, VARIABLE_PITCH},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.data, nullptr) << c.name;
    eng::FontSpec wanted;
    wanted.data = c.data;
    wanted.height = -100;
    auto font = eng::FontObject::Create(wanted);
    ASSERT_NE(font, nullptr) << c.name;
    const IFIMETRICS* ifi = FONTOBJ_pifi(font->get());
    ASSERT_NE(ifi, nullptr);
    if (!c.family.empty()) {
      EXPECT_EQ(Name(ifi, ifi->dpwszFamilyName), c.family) << c.name;
    }
    EXPECT_FALSE(Name(ifi, ifi->dpwszFaceName).empty()) << c.name;
    EXPECT_FALSE(Name(ifi, ifi->dpwszStyleName).empty()) << c.name;
    EXPECT_GE(ifi->cjThis, sizeof(IFIMETRICS));
    EXPECT_LT(size_t(ifi->dpwszUniqueName), size_t(ifi->cjThis));
    EXPECT_EQ(ifi->flInfo & c.tech_on, c.tech_on) << c.name;
    EXPECT_EQ(ifi->flInfo & c.tech_off, 0u) << c.name;
    EXPECT_EQ(ifi->jWinCharSet, c.charset) << c.name;
    EXPECT_EQ(ifi->jWinPitchAndFamily & 3, c.pitch) << c.name;
    EXPECT_GT(ifi->fwdUnitsPerEm, 0);
    EXPECT_GT(ifi->fwdWinAscender, ifi->fwdUnitsPerEm / 2) << c.name;
    EXPECT_GE(ifi->fwdWinDescender, 0) << c.name;
    EXPECT_GT(ifi->fwdAveCharWidth, 0);
    EXPECT_GE(ifi->fwdMaxCharInc, ifi->fwdAveCharWidth);
    EXPECT_EQ(ifi->usWinWeight, 400) << c.name;
    EXPECT_GT(ifi->rclFontBox.top, 0);
    EXPECT_LT(ifi->rclFontBox.bottom, 0);
    EXPECT_LT(ifi->fwdUnderscorePosition, 0);
    EXPECT_GT(ifi->fwdStrikeoutPosition, 0);
    EXPECT_LE(ifi->wcFirstChar, u'A');
    EXPECT_GE(ifi->wcLastChar, u'z');
    if (c.charset == SHIFTJIS_CHARSET) {
      EXPECT_EQ(ifi->panose.bFamilyType, 2) << c.name;  // Latin text
      EXPECT_TRUE(ifi->flInfo & FM_INFO_DBCS_FIXED_PITCH);
      EXPECT_TRUE(font->get()->flFontType & FO_DBCS_FONT);
    }
    // The FONTOBJ of a 100-pixel em at 600 dpi.
    const FONTOBJ* fo = font->get();
    EXPECT_EQ(fo->sizLogResPpi.cx, 600);
    EXPECT_EQ(fo->ulStyleSize, 12u);  // 100 px at 600 dpi
    EXPECT_GE(fo->cxMax, 100u) << c.name;
    EXPECT_TRUE(fo->flFontType & FO_EM_HEIGHT);
    EXPECT_EQ(fo->flFontType & DEVICE_FONTTYPE, 0u);
    EXPECT_NE(fo->iUniq, 0u);
  }
}

TEST(EngineFont, EachRealisationIsUniqueAndOneFileKeepsItsIdentity) {
  auto a = Font(kGothic, -50), b = Font(kGothic, -60), c = Font(kMincho, -50);
  ASSERT_TRUE(a && b && c);
  EXPECT_NE(a->get()->iUniq, b->get()->iUniq);
  EXPECT_EQ(a->get()->iFile, b->get()->iFile);
  EXPECT_NE(a->get()->iFile, c->get()->iFile);
  EXPECT_EQ(a->get()->flFontType & TRUETYPE_FONTTYPE, TRUETYPE_FONTTYPE);
  EXPECT_EQ(a->get()->iFace, 1u);
}

// 'A' and 'あ' of IPA Gothic at a 100-pixel em: IPA Gothic sets Latin
// letters half an em wide and kana a whole em.
TEST(EngineFont, GlyphBitmapsAndMetricsOfIpaGothic) {
  auto font = Font(kGothic, -100);
  ASSERT_NE(font, nullptr);
  struct Case {
    char16_t ch;
    FIX advance;
    LONG min_height;  // of the ink, in pixels
    LONG max_top;     // the ink's top above the baseline (negative y)
    LONG min_bottom;  // the ink's bottom at or below
  } cases[] = {
      {u'A', 50 * 16, 60, -60, -8},  // IPA Gothic's Latin capitals stand a little above the baseline
      {u'あ', 100 * 16, 70, -70, 0},
  };
  for (const Case& c : cases) {
    HGLYPH hg = font->GlyphsOf(std::u16string(1, c.ch))[0];
    ASSERT_NE(hg, 0u);
    GLYPHDATA* gd = Glyph(font->get(), FO_GLYPHBITS, hg);
    ASSERT_NE(gd, nullptr);
    const GLYPHBITS* gb = gd->gdf.pgb;
    ASSERT_NE(gb, nullptr);
    EXPECT_EQ(gd->hg, hg);
    EXPECT_EQ(gd->fxD, c.advance);
    EXPECT_EQ(gd->ptqD.x >> 32, c.advance);
    EXPECT_EQ(gd->ptqD.y, 0);
    EXPECT_GE(gb->sizlBitmap.cy, c.min_height);
    EXPECT_LE(gb->sizlBitmap.cx, 100);
    EXPECT_LE(gb->ptlOrigin.y, c.max_top);
    EXPECT_GE(gb->ptlOrigin.y + gb->sizlBitmap.cy, c.min_bottom);
    EXPECT_LE(gb->ptlOrigin.y + gb->sizlBitmap.cy, 15);
    EXPECT_GE(gb->ptlOrigin.x, -2);
    EXPECT_LE(gb->ptlOrigin.x + gb->sizlBitmap.cx, c.advance / 16 + 2);
    // The ink box is the bitmap's box, the bearings lie inside the advance.
    EXPECT_EQ(gd->rclInk.left, gb->ptlOrigin.x);
    EXPECT_EQ(gd->rclInk.top, gb->ptlOrigin.y);
    EXPECT_EQ(gd->rclInk.right, gb->ptlOrigin.x + gb->sizlBitmap.cx);
    EXPECT_EQ(gd->rclInk.bottom, gb->ptlOrigin.y + gb->sizlBitmap.cy);
    EXPECT_GE(gd->fxA, 0);
    EXPECT_LT(gd->fxA, gd->fxAB);
    EXPECT_LE(gd->fxAB, gd->fxD);
    EXPECT_GT(gd->fxInkTop, 16 * 60);
    EXPECT_LE(gd->fxInkBottom, 16 * 8);
    EXPECT_NEAR(gd->fxInkBottom / 16.0, -(gb->ptlOrigin.y + gb->sizlBitmap.cy), 1.0);
    EXPECT_NEAR(gd->fxInkTop / 16.0, -gb->ptlOrigin.y, 1.0);
    // Real ink, the bitmap cut to it (ink in its first and last rows); the
    // padding bits of each row stay clear.
    int ink = Ink(gb);
    EXPECT_GT(ink, gb->sizlBitmap.cx * gb->sizlBitmap.cy / 10);
    EXPECT_LT(ink, gb->sizlBitmap.cx * gb->sizlBitmap.cy * 2 / 3);
    LONG row = (gb->sizlBitmap.cx + 7) / 8;
    for (LONG y = 0; y < gb->sizlBitmap.cy; ++y) {
      int pad = int(row * 8 - gb->sizlBitmap.cx);
      if (pad) {
        EXPECT_EQ(gb->aj[y * row + row - 1] & ((1 << pad) - 1), 0) << "row " << y;
      }
    }
    int top_ink = 0, bottom_ink = 0;
    for (LONG x = 0; x < gb->sizlBitmap.cx; ++x) {
      top_ink += Bit(gb, x, 0);
      bottom_ink += Bit(gb, x, gb->sizlBitmap.cy - 1);
    }
    EXPECT_GT(top_ink, 0);
    EXPECT_GT(bottom_ink, 0);
  }
  // The space is blank, one pixel, with its advance.
  GLYPHDATA* space = Glyph(font->get(), FO_GLYPHBITS, font->GlyphsOf(u" ")[0]);
  ASSERT_NE(space, nullptr);
  EXPECT_EQ(Ink(space->gdf.pgb), 0);
  EXPECT_EQ(space->fxD, 50 * 16);
}

// The outline of a glyph is a path in device pixels relative to the
// character origin, whose bounds are those of the bitmap.
TEST(EngineFont, GlyphOutlinesMatchTheBitmaps) {
  auto font = Font(kGothic, -100);
  ASSERT_NE(font, nullptr);
  for (char16_t ch : {u'A', u'あ', u'ゴ'}) {
    HGLYPH hg = font->GlyphsOf(std::u16string(1, ch))[0];
    GLYPHDATA* bits = Glyph(font->get(), FO_GLYPHBITS, hg);
    ASSERT_NE(bits, nullptr);
    RECTL ink = bits->rclInk;
    GLYPHDATA* gd = Glyph(font->get(), FO_PATHOBJ, hg);
    ASSERT_NE(gd, nullptr);
    PATHOBJ* po = gd->gdf.ppo;
    ASSERT_NE(po, nullptr);
    EXPECT_GT(po->cCurves, 4u);
    RECTFX b;
    PATHOBJ_vGetBounds(po, &b);
    EXPECT_NEAR(b.xLeft / 16.0, ink.left, 1.0);
    EXPECT_NEAR(b.xRight / 16.0, ink.right, 1.0);
    EXPECT_NEAR(b.yTop / 16.0, ink.top, 1.0);
    EXPECT_NEAR(b.yBottom / 16.0, ink.bottom, 1.0);
    // Asked again (the font's cached glyph), in either mode: the same
    // outline, advance and ink box.
    GLYPHDATA* again = Glyph(font->get(), FO_PATHOBJ, hg);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->gdf.ppo, po);
    RECTFX b2;
    PATHOBJ_vGetBounds(again->gdf.ppo, &b2);
    EXPECT_TRUE(b2.xLeft == b.xLeft && b2.yTop == b.yTop && b2.xRight == b.xRight && b2.yBottom == b.yBottom);
    GLYPHDATA* bits_again = Glyph(font->get(), FO_GLYPHBITS, hg);
    ASSERT_NE(bits_again, nullptr);
    EXPECT_EQ(bits_again->fxD, gd->fxD);
    EXPECT_TRUE(bits_again->rclInk.left == ink.left && bits_again->rclInk.bottom == ink.bottom);
    // Every subpath begins and ends; filled, the outline gives the same ink.
    int begins = 0, ends = 0;
    PATHDATA pd;
    PATHOBJ_vEnumStart(po);
    BOOL more;
    do {
      more = PATHOBJ_bEnum(po, &pd);
      begins += (pd.flags & PD_BEGINSUBPATH) != 0;
      ends += (pd.flags & PD_ENDSUBPATH) != 0;
    } while (more);
    EXPECT_GT(begins, 0);
    EXPECT_EQ(begins, ends);
    TestBitmap filled(120, 120, BMF_1BPP);
    eng::Path moved;  // the outline moved to (10, 100)
    PATHOBJ_vEnumStart(po);
    do {
      more = PATHOBJ_bEnum(po, &pd);
      ULONG i = 0;
      if (pd.flags & PD_BEGINSUBPATH) moved.MoveTo(10 + pd.pptfx[0].x / 16.0, 100 + pd.pptfx[0].y / 16.0), i = 1;
      if (pd.flags & PD_BEZIERS) {
        for (; i + 2 < pd.count; i += 3)
          moved.BezierTo(10 + pd.pptfx[i].x / 16.0, 100 + pd.pptfx[i].y / 16.0, 10 + pd.pptfx[i + 1].x / 16.0,
                         100 + pd.pptfx[i + 1].y / 16.0, 10 + pd.pptfx[i + 2].x / 16.0, 100 + pd.pptfx[i + 2].y / 16.0);
      } else {
        for (; i < pd.count; ++i) moved.LineTo(10 + pd.pptfx[i].x / 16.0, 100 + pd.pptfx[i].y / 16.0);
      }
      if (pd.flags & PD_ENDSUBPATH) moved.Close();
    } while (more);
    eng::PathObject path(moved);
    eng::BrushObject black(0);
    POINTL org{0, 0};
    ASSERT_TRUE(EngFillPath(filled.so(), path.get(), nullptr, black.get(), &org, kCopyPen, FP_WINDINGMODE));
    bits = Glyph(font->get(), FO_GLYPHBITS, hg);
    int ink_bits = Ink(bits->gdf.pgb), ink_path = 0, differ = 0;
    for (LONG y = 0; y < 120; ++y)
      for (LONG x = 0; x < 120; ++x) {
        bool p = filled.At(x, y) == 0;
        ink_path += p;
        LONG gx = x - 10 - bits->gdf.pgb->ptlOrigin.x, gy = y - 100 - bits->gdf.pgb->ptlOrigin.y;
        bool g = gx >= 0 && gy >= 0 && gx < bits->gdf.pgb->sizlBitmap.cx && gy < bits->gdf.pgb->sizlBitmap.cy &&
                 Bit(bits->gdf.pgb, gx, gy);
        differ += p != g;
      }
    EXPECT_GT(ink_path, 0);
    EXPECT_LT(differ, ink_bits / 5) << "glyph " << int(ch);
  }
}

TEST(EngineFont, CffFaceFromMemoryGivesGlyphs) {
  eng::FontSpec wanted;
  wanted.data = CffTimes();
  ASSERT_NE(wanted.data, nullptr);
  wanted.height = -80;
  auto font = eng::FontObject::Create(wanted);
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->get()->flFontType & FO_CFF);
  HGLYPH hg = font->GlyphsOf(u"A")[0];
  ASSERT_NE(hg, 0u);
  GLYPHDATA* gd = Glyph(font->get(), FO_GLYPHBITS, hg);
  ASSERT_NE(gd, nullptr);
  EXPECT_GT(Ink(gd->gdf.pgb), 200);
  EXPECT_NEAR(gd->fxD / 16.0, 80 * 0.722, 1.0);  // Times' 'A' is 722/1000 em wide
  EXPECT_NE(Glyph(font->get(), FO_PATHOBJ, hg), nullptr);
}

TEST(EngineFont, BadRequestsFailCleanly) {
  eng::FontSpec wanted;
  wanted.data = std::make_shared<std::vector<uint8_t>>(1000, uint8_t(0x5A));
  EXPECT_EQ(eng::FontObject::Create(wanted), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  wanted = eng::FontSpec{};
  wanted.face_name = u"No Such Family";
  EXPECT_EQ(eng::FontObject::Create(wanted), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(eng::RegisterFontFile(std::make_shared<std::vector<uint8_t>>(10, uint8_t(1))));

  wanted = eng::FontSpec{};
  wanted.data = Bytes(kGothic);
  wanted.has_matrix = true;
  const double singular[4] = {10, 0, 20, 0};
  std::copy(singular, singular + 4, wanted.matrix);
  EXPECT_EQ(eng::FontObject::Create(wanted), nullptr);

  auto font = Font(kGothic, -20);
  ASSERT_NE(font, nullptr);
  HGLYPH beyond = 0x7FFFFFFF, a = font->GlyphsOf(u"A")[0];
  void* out = nullptr;
  EXPECT_EQ(FONTOBJ_cGetGlyphs(font->get(), FO_GLYPHBITS, 1, &beyond, &out), 0u);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(font->get(), FO_GLYPHBITS, 0, &a, &out), 0u);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(font->get(), FO_HGLYPHS, 1, &a, &out), 0u);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(nullptr, FO_GLYPHBITS, 1, &a, &out), 0u);
  FONTOBJ stranger{};
  EXPECT_EQ(FONTOBJ_pifi(&stranger), nullptr);
  EXPECT_EQ(FONTOBJ_pxoGetXform(&stranger), nullptr);
  plat::FailNth("EngAllocMem", 1);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(font->get(), FO_GLYPHBITS, 1, &a, &out), 0u);
  plat::ClearFaults();
  EXPECT_EQ(FONTOBJ_cGetGlyphs(font->get(), FO_GLYPHBITS, 1, &a, &out), 1u);
}

// A copy of a TrueType font with its metrics damaged as a broken embedded
// font may have them: the font box upside down and as wide as its 16-bit
// fields go (head xMin 32767, xMax -32768), and no advance width anywhere
// (hhea advanceWidthMax and every hmtx advance 0).
eng::FontBytes DamagedMetrics(const char* path) {
  std::vector<uint8_t> b = *Bytes(path);
  auto u16 = [&](size_t at) { return size_t(b.at(at)) << 8 | b.at(at + 1); };
  auto put16 = [&](size_t at, uint16_t v) {
    b.at(at) = uint8_t(v >> 8);
    b.at(at + 1) = uint8_t(v);
  };
  size_t head = 0, hhea = 0, hmtx = 0;
  for (size_t i = 0, tables = u16(4); i < tables; ++i) {
    const size_t rec = 12 + 16 * i;
    const std::string tag(b.begin() + long(rec), b.begin() + long(rec) + 4);
    const size_t at = u16(rec + 8) << 16 | u16(rec + 10);
    if (tag == "head") head = at;
    if (tag == "hhea") hhea = at;
    if (tag == "hmtx") hmtx = at;
  }
  EXPECT_TRUE(head && hhea && hmtx);
  put16(head + 36, 0x7FFF);
  put16(head + 40, 0x8000);
  put16(hhea + 10, 0);
  for (size_t i = 0, n = u16(hhea + 34); i < n; ++i) put16(hmtx + 4 * i, 0);
  return std::make_shared<const std::vector<uint8_t>>(std::move(b));
}

// Metrics out of their fields' range are held at the range's end: the
// widest glyph of an upside-down box is no glyph wide, and the font still
// draws.
TEST(EngineFont, DamagedMetricsAreHeldToTheirFields) {
  eng::FontSpec wanted;
  wanted.data = DamagedMetrics(kGothic);
  wanted.height = -40;
  auto font = eng::FontObject::Create(wanted);
  ASSERT_NE(font, nullptr);
  FONTOBJ* fo = font->get();
  const IFIMETRICS* ifi = FONTOBJ_pifi(fo);
  EXPECT_GT(ifi->rclFontBox.left, ifi->rclFontBox.right);
  EXPECT_EQ(ifi->fwdMaxCharInc, -32768);
  EXPECT_EQ(fo->cxMax, 0u);
  FONTINFO info{};
  FONTOBJ_vGetInfo(fo, sizeof info, &info);
  EXPECT_GT(info.cjMaxGlyph1, 0u);
  EXPECT_LT(info.cjMaxGlyph1, 1u << 20);
  const GLYPHDATA* gd = Glyph(fo, FO_GLYPHBITS, font->GlyphsOf(u"A")[0]);
  ASSERT_NE(gd, nullptr);
  EXPECT_GT(Ink(gd->gdf.pgb), 0);
}

TEST(EngineFont, FontFilesAreFoundByTheirFamilyNames) {
  ASSERT_TRUE(eng::RegisterFontFile(Bytes(kMincho)));
  for (const char16_t* name : {u"IPA明朝", u"IPAMincho", u"ipamincho"}) {
    eng::FontSpec wanted;
    wanted.face_name = name;
    wanted.height = -30;
    auto font = eng::FontObject::Create(wanted);
    ASSERT_NE(font, nullptr) << plat::ToUtf8(name);
    const IFIMETRICS* ifi = FONTOBJ_pifi(font->get());
    EXPECT_EQ(Name(ifi, ifi->dpwszFamilyName), u"IPA明朝");
  }
}

TEST(EngineFont, TheMachineFontsFolderIsSearchedByName) {
  plat_test::TempMachine machine;
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\Fonts"));
  std::filesystem::copy_file(kGothicP, plat_test::TempMachine::Host(u"C:\\Windows\\Fonts\\ipagp.ttf"));
  eng::FontSpec wanted;
  wanted.face_name = u"IPA Pゴシック";
  wanted.height = -30;
  auto font = eng::FontObject::Create(wanted);
  ASSERT_NE(font, nullptr) << GetLastError();
  const IFIMETRICS* ifi = FONTOBJ_pifi(font->get());
  EXPECT_EQ(Name(ifi, ifi->dpwszFamilyName), u"IPA Pゴシック");
  EXPECT_EQ(ifi->jWinPitchAndFamily & 3, VARIABLE_PITCH);
}

// Simulations: bold thickens the strokes, italic leans them.
TEST(EngineFont, SimulatedBoldAndItalic) {
  eng::FontSpec wanted;
  wanted.data = Bytes(kGothic);
  wanted.height = -100;
  auto plain = eng::FontObject::Create(wanted);
  wanted.weight = 700;
  auto bold = eng::FontObject::Create(wanted);
  wanted.weight = 400;
  wanted.italic = true;
  auto italic = eng::FontObject::Create(wanted);
  ASSERT_TRUE(plain && bold && italic);
  EXPECT_EQ(plain->get()->flFontType & (FO_SIM_BOLD | FO_SIM_ITALIC), 0u);
  EXPECT_TRUE(bold->get()->flFontType & FO_SIM_BOLD);
  EXPECT_TRUE(italic->get()->flFontType & FO_SIM_ITALIC);
  EXPECT_EQ(FONTOBJ_pifi(bold->get())->usWinWeight, 700);
  HGLYPH hg = plain->GlyphsOf(u"l")[0];
  int thin = Ink(Glyph(plain->get(), FO_GLYPHBITS, hg)->gdf.pgb);
  int thick = Ink(Glyph(bold->get(), FO_GLYPHBITS, hg)->gdf.pgb);
  EXPECT_GT(thick, thin * 5 / 4);
  // The lean: how far right the stem's top starts from its bottom.
  auto lean = [](const GLYPHBITS* gb) {
    auto first_ink = [gb](LONG y) {
      for (LONG x = 0; x < gb->sizlBitmap.cx; ++x)
        if (Bit(gb, x, y)) return x;
      return LONG(-1);
    };
    return first_ink(0) - first_ink(gb->sizlBitmap.cy * 4 / 5);  // above the foot
  };
  EXPECT_EQ(lean(Glyph(plain->get(), FO_GLYPHBITS, hg)->gdf.pgb), 0);
  EXPECT_GT(lean(Glyph(italic->get(), FO_GLYPHBITS, hg)->gdf.pgb), 8);
}

// ---- transforms --------------------------------------------------------------------------

TEST(EngineFont, RotatedAndMirroredFontsCarryTheirTransform) {
  auto upright = Font(kGothic, -100);
  auto rotated = Font(kGothic, -100, 900);  // the baseline runs up the page
  ASSERT_TRUE(upright && rotated);
  XFORML m;
  XFORMOBJ* xo = FONTOBJ_pxoGetXform(rotated->get());
  ASSERT_NE(xo, nullptr);
  EXPECT_EQ(XFORMOBJ_iGetXform(xo, &m), GX_GENERAL);
  const double s = 100.0 / 2048;
  EXPECT_EQ(m.eM11, 0.0f);
  EXPECT_NEAR(m.eM12, -s, 1e-6);
  EXPECT_NEAR(m.eM21, s, 1e-6);
  EXPECT_EQ(m.eM22, 0.0f);
  XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(upright->get()), &m);
  EXPECT_NEAR(m.eM11, s, 1e-6);
  EXPECT_NEAR(m.eM22, s, 1e-6);

  // The rotated glyph stands on its side: left of the origin, above it.
  HGLYPH hg = upright->GlyphsOf(u"A")[0];
  GLYPHDATA up = *Glyph(upright->get(), FO_GLYPHBITS, hg);
  GLYPHDATA* side = Glyph(rotated->get(), FO_GLYPHBITS, hg);
  ASSERT_NE(side, nullptr);
  EXPECT_NEAR(side->gdf.pgb->sizlBitmap.cx, up.gdf.pgb->sizlBitmap.cy, 1);
  EXPECT_NEAR(side->gdf.pgb->sizlBitmap.cy, up.gdf.pgb->sizlBitmap.cx, 1);
  EXPECT_LT(side->gdf.pgb->ptlOrigin.x, -40);
  EXPECT_LE(side->gdf.pgb->ptlOrigin.x + side->gdf.pgb->sizlBitmap.cx, 2);
  EXPECT_LE(side->gdf.pgb->ptlOrigin.y + side->gdf.pgb->sizlBitmap.cy, 2);
  EXPECT_EQ(side->fxD, up.fxD);
  EXPECT_EQ(side->ptqD.x, 0);
  EXPECT_EQ(side->ptqD.y >> 32, -up.fxD);
  EXPECT_NEAR(Ink(side->gdf.pgb), Ink(up.gdf.pgb), Ink(up.gdf.pgb) / 20);

  // A matrix with the em up the page pointing down mirrors the glyph about
  // its baseline.
  eng::FontSpec wanted;
  wanted.data = Bytes(kGothic);
  wanted.has_matrix = true;
  const double flip[4] = {100, 0, 0, 100};
  std::copy(flip, flip + 4, wanted.matrix);
  auto mirrored = eng::FontObject::Create(wanted);
  ASSERT_NE(mirrored, nullptr);
  XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(mirrored->get()), &m);
  EXPECT_LT(m.eM22, 0);
  GLYPHDATA* down = Glyph(mirrored->get(), FO_GLYPHBITS, hg);
  ASSERT_NE(down, nullptr);
  const GLYPHBITS* a = up.gdf.pgb;
  const GLYPHBITS* b = down->gdf.pgb;
  ASSERT_EQ(b->sizlBitmap.cx, a->sizlBitmap.cx);
  ASSERT_NEAR(b->sizlBitmap.cy, a->sizlBitmap.cy, 1);
  EXPECT_GE(b->ptlOrigin.y, -1);
  int differ = 0;
  for (LONG y = 0; y < std::min(a->sizlBitmap.cy, b->sizlBitmap.cy); ++y)
    for (LONG x = 0; x < a->sizlBitmap.cx; ++x) differ += Bit(a, x, a->sizlBitmap.cy - 1 - y) != Bit(b, x, y);
  EXPECT_LT(differ, Ink(a) / 20);
}

TEST(EngineFont, ApplyXformInEachMode) {
  eng::XformObject xo(XFORML{0, -2, 3, 0, 10, 20});  // a quarter turn with scales and a move
  struct Case {
    ULONG mode;
    LONG in[2];
    LONG out[2];
  } cases[] = {
      {XF_LTOL, {5, 7}, {0 * 5 + 3 * 7 + 10, -2 * 5 + 0 * 7 + 20}},
      {XF_LTOFX, {5, 7}, {(21 + 10) * 16, (-10 + 20) * 16}},
      {XF_INV_LTOL, {31, 10}, {5, 7}},
      {XF_INV_FXTOL, {31 * 16, 10 * 16}, {5, 7}},
  };
  for (const Case& c : cases) {
    LONG out[2] = {-1, -1};
    ASSERT_TRUE(XFORMOBJ_bApplyXform(xo.get(), c.mode, 1, const_cast<LONG*>(c.in), out)) << c.mode;
    EXPECT_EQ(out[0], c.out[0]) << c.mode;
    EXPECT_EQ(out[1], c.out[1]) << c.mode;
  }
  LONG in_place[4] = {1, 0, 0, 1};
  ASSERT_TRUE(XFORMOBJ_bApplyXform(xo.get(), XF_LTOL, 2, in_place, in_place));
  EXPECT_EQ(in_place[0], 10);
  EXPECT_EQ(in_place[1], 18);
  EXPECT_EQ(in_place[2], 13);
  EXPECT_EQ(in_place[3], 20);
  eng::XformObject flat(XFORML{1, 2, 2, 4, 0, 0});
  LONG p[2] = {1, 1};
  EXPECT_FALSE(XFORMOBJ_bApplyXform(flat.get(), XF_INV_LTOL, 1, p, p));
  EXPECT_FALSE(XFORMOBJ_bApplyXform(xo.get(), 9, 1, p, p));
  EXPECT_FALSE(XFORMOBJ_bApplyXform(nullptr, XF_LTOL, 1, p, p));
}

// ---- strings -----------------------------------------------------------------------------

std::vector<GLYPHPOS> Enumerate(STROBJ* so) {
  std::vector<GLYPHPOS> all;
  STROBJ_vEnumStart(so);
  BOOL more;
  int guard = 0;
  do {
    ULONG n = 0;
    GLYPHPOS* gp = nullptr;
    more = STROBJ_bEnum(so, &n, &gp);
    for (ULONG i = 0; i < n; ++i) all.push_back(gp[i]);
  } while (more && ++guard < 1000);
  return all;
}

TEST(EngineString, LaysOutTextAndEnumeratesInBatches) {
  auto font = Font(kGothic, -40);
  ASSERT_NE(font, nullptr);
  auto str = eng::StringObject::Layout(*font, u"AあBい", 10, 100);
  STROBJ* so = str->get();
  EXPECT_EQ(so->cGlyphs, 4u);
  EXPECT_EQ(so->flAccel, SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL);
  EXPECT_EQ(std::u16string(so->pwszOrg), u"AあBい");
  EXPECT_EQ(STROBJ_dwGetCodePage(so), 932u);
  ASSERT_NE(so->pgp, nullptr);
  const LONG xs[] = {10, 30, 70, 90};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(so->pgp[i].ptl.x, xs[i]);
    EXPECT_EQ(so->pgp[i].ptl.y, 100);
  }
  EXPECT_EQ(so->pgp[0].hg, font->GlyphsOf(u"A")[0]);
  // The background: the cells from the first origin to the last advance,
  // the ascender above the baseline to the descender below.
  const IFIMETRICS* ifi = FONTOBJ_pifi(font->get());
  EXPECT_EQ(so->rclBkGround.left, 10);
  EXPECT_EQ(so->rclBkGround.right, 130);
  EXPECT_EQ(so->rclBkGround.top, 100 - LONG(std::ceil(ifi->fwdWinAscender * 40.0 / ifi->fwdUnitsPerEm - 1e-9)));
  EXPECT_EQ(so->rclBkGround.bottom, 100 + LONG(std::ceil(ifi->fwdWinDescender * 40.0 / ifi->fwdUnitsPerEm - 1e-9)));

  std::vector<GLYPHPOS> whole = Enumerate(so);
  ASSERT_EQ(whole.size(), 4u);
  for (ULONG batch : {1u, 2u, 3u, 4u, 9u}) {
    str->SetBatchGlyphs(batch);
    EXPECT_EQ(so->pgp, nullptr);
    std::vector<GLYPHPOS> got;
    STROBJ_vEnumStart(so);
    BOOL more;
    int calls = 0;
    do {
      ULONG n = 0;
      GLYPHPOS* gp = nullptr;
      more = STROBJ_bEnum(so, &n, &gp);
      EXPECT_LE(n, batch);
      for (ULONG i = 0; i < n; ++i) got.push_back(gp[i]);
      ++calls;
    } while (more && calls < 10);
    EXPECT_EQ(calls, int((4 + batch - 1) / batch)) << batch;
    ASSERT_EQ(got.size(), whole.size()) << batch;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].hg, whole[i].hg);
      EXPECT_EQ(got[i].ptl.x, whole[i].ptl.x);
    }
  }
  str->SetBatchGlyphs(0);
  EXPECT_EQ(so->pgp, whole.empty() ? nullptr : so->pgp);
  ULONG n = 7;
  GLYPHPOS* gp = nullptr;
  STROBJ stranger{};
  EXPECT_FALSE(STROBJ_bEnum(&stranger, &n, &gp));
  EXPECT_EQ(n, 0u);
}

TEST(EngineString, DirectionFlagsFollowTheBaseline) {
  struct Case {
    LONG escapement;
    FLONG direction;
  } cases[] = {
      {0, SO_HORIZONTAL},
      {1800, SO_HORIZONTAL | SO_REVERSED},
      {900, SO_VERTICAL | SO_REVERSED},  // up the page
      {2700, SO_VERTICAL},
      {450, 0},
  };
  for (const Case& c : cases) {
    auto font = Font(kGothic, -40, c.escapement);
    ASSERT_NE(font, nullptr);
    auto str = eng::StringObject::Layout(*font, u"AB", 100, 100);
    EXPECT_EQ(str->get()->flAccel & (SO_HORIZONTAL | SO_VERTICAL | SO_REVERSED), c.direction) << c.escapement;
  }
  // Given advances: not the default placement; each glyph dx further.
  auto font = Font(kGothic, -40);
  std::vector<double> dx = {25, 5};
  auto str = eng::StringObject::Layout(*font, u"ABC", 0, 50, &dx);
  EXPECT_FALSE(str->get()->flAccel & SO_FLAG_DEFAULT_PLACEMENT);
  EXPECT_EQ(str->get()->pgp[1].ptl.x, 25);
  EXPECT_EQ(str->get()->pgp[2].ptl.x, 30);
  // Glyphs at places of their own: a glyph-index string with no shared row.
  std::vector<eng::PlacedGlyph> placed = {{36, 0, 0, 36}, {37, 10, 5, 37}};
  eng::StringObject own(*font, placed, SO_GLYPHINDEX_TEXTOUT);
  EXPECT_EQ(own.get()->flAccel, SO_GLYPHINDEX_TEXTOUT);
  EXPECT_EQ(own.get()->pwszOrg[1], 37);
}

// ---- EngTextOut ----------------------------------------------------------------------------

struct Inked {
  int count = 0;
  RECTL box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
};
Inked InkOf(const TestBitmap& bmp, uint32_t ink_value) {
  Inked r;
  for (LONG y = 0; y < bmp.so()->sizlBitmap.cy; ++y)
    for (LONG x = 0; x < bmp.so()->sizlBitmap.cx; ++x)
      if (bmp.At(x, y) == ink_value) {
        ++r.count;
        r.box = RECTL{std::min(r.box.left, x), std::min(r.box.top, y), std::max(r.box.right, x + 1),
                      std::max(r.box.bottom, y + 1)};
      }
  return r;
}

TEST(EngTextOutGlyphs, DrawsInkInsideTheStringBoxAndRespectsTheClip) {
  auto font = Font(kGothic, -40);
  ASSERT_NE(font, nullptr);
  auto str = eng::StringObject::Layout(*font, u"AあB", 10, 50);
  const RECTL bk = str->get()->rclBkGround;
  POINTL org{0, 0};
  struct Case {
    ULONG format;
    ULONG color;  // the brush, in the target's format
    uint32_t ink;
  } cases[] = {{BMF_24BPP, 0x0000FF, 0x0000FF}, {BMF_1BPP, 0, 0}};
  int counts[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    const Case& c = cases[k];
    TestBitmap whole(160, 70, c.format);
    eng::BrushObject fore(c.color);
    ASSERT_TRUE(EngTextOut(whole.so(), str->get(), font->get(), nullptr, nullptr, nullptr, fore.get(), nullptr,
                           &org, kCopyPen));
    Inked all = InkOf(whole, c.ink);
    counts[k] = all.count;
    EXPECT_GT(all.count, 400);
    EXPECT_GE(all.box.left, bk.left);
    EXPECT_LE(all.box.right, bk.right);
    EXPECT_GE(all.box.top, bk.top);
    EXPECT_LE(all.box.bottom, bk.bottom);
    // Clipped to the left half: nothing beyond it, the same pixels inside.
    TestBitmap half(160, 70, c.format);
    RECTL left{0, 0, 50, 70};
    eng::ClipObject clip({left}, bk);
    ASSERT_TRUE(EngTextOut(half.so(), str->get(), font->get(), clip.get(), nullptr, nullptr, fore.get(), nullptr,
                           &org, kCopyPen));
    Inked part = InkOf(half, c.ink);
    EXPECT_GT(part.count, 100);
    EXPECT_LE(part.box.right, 50);
    for (LONG y = 0; y < 70; ++y)
      for (LONG x = 0; x < 50; ++x) ASSERT_EQ(half.At(x, y), whole.At(x, y)) << x << "," << y;
  }
  EXPECT_EQ(counts[0], counts[1]);  // one glyph source for both depths

  // Batches change nothing; an opaque box goes below the glyphs.
  TestBitmap batched(160, 70, BMF_24BPP), plain(160, 70, BMF_24BPP);
  eng::BrushObject fore(0), grey(0x808080);
  ASSERT_TRUE(EngTextOut(plain.so(), str->get(), font->get(), nullptr, nullptr, nullptr, fore.get(), nullptr, &org,
                         kCopyPen));
  str->SetBatchGlyphs(1);
  RECTL opaque = bk;
  ASSERT_TRUE(EngTextOut(batched.so(), str->get(), font->get(), nullptr, nullptr, &opaque, fore.get(), grey.get(),
                         &org, kCopyPen));
  EXPECT_EQ(InkOf(batched, 0).count, InkOf(plain, 0).count);
  EXPECT_EQ(InkOf(batched, 0x808080).count + InkOf(batched, 0).count,
            (bk.right - bk.left) * (bk.bottom - bk.top));
}

// ---- device fonts and the DC -------------------------------------------------------------------

class TextDcTest : public TestDriverFixture {
 protected:
  std::unique_ptr<eng::PrinterDc> Open(const TestDrvConfig& cfg) {
    Configure(cfg);
    return TestDriverFixture::Open();
  }
};

TEST_F(TextDcTest, DeviceFontsAreRealisedByFamilyName) {
  ASSERT_TRUE(eng::RegisterFontFile(Bytes(kGothic)));
  TestDrvConfig cfg;
  cfg.banding = false;
  cfg.fonts = 2;
  cfg.width = 400;
  cfg.height = 100;
  auto dc = Open(cfg);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->dev_info().cFonts, 2u);
  ASSERT_TRUE(dc->StartDoc(u"doc", 1));
  ASSERT_TRUE(dc->StartPage());
  struct Case {
    const char16_t* face;
    FLONG type;
    ULONG i_face;
    const char* glyphs;  // the handles the driver gets for "Aあ"
  } cases[] = {
      {u"TestMincho", DEVICE_FONTTYPE, 1, " 41@10,60 82a0@30,60"},
      {u"@testmincho", DEVICE_FONTTYPE, 2, " 41@10,60 82a0@30,60"},
      {u"IPAGothic", TRUETYPE_FONTTYPE, 1, ""},
  };
  for (const Case& c : cases) {
    eng::FontSpec wanted;
    wanted.face_name = c.face;
    wanted.height = -40;
    ASSERT_TRUE(dc->SelectFont(wanted)) << plat::ToUtf8(c.face);
    const FONTOBJ* fo = dc->selected_font()->get();
    EXPECT_EQ(fo->flFontType & 0xF, c.type);
    EXPECT_EQ(fo->iFace, c.i_face);
    EXPECT_EQ(dc->selected_font()->is_device(), c.type == DEVICE_FONTTYPE);
    ASSERT_TRUE(dc->TextOut(10, 60, u"Aあ", 0));
    std::vector<std::string> out = Log("TextOut");
    ASSERT_FALSE(out.empty());
    char want[64];
    std::snprintf(want, sizeof want, "TextOut type %u face %u", unsigned(c.type), unsigned(c.i_face));
    if (c.type == DEVICE_FONTTYPE) {
      EXPECT_EQ(out.back(), std::string(want) + c.glyphs);
    } else {
      EXPECT_EQ(out.back().rfind(want, 0), 0u) << out.back();
    }
  }
  // The driver's metrics reach FONTOBJ_pifi unchanged; the string's
  // advances are the driver's widths (500 and 1000 font units at 40 px).
  eng::FontSpec wanted;
  wanted.face_name = u"TestMincho";
  wanted.height = -40;
  ASSERT_TRUE(dc->SelectFont(wanted));
  const IFIMETRICS* ifi = FONTOBJ_pifi(dc->selected_font()->get());
  ASSERT_NE(ifi, nullptr);
  EXPECT_EQ(ifi->fwdAveCharWidth, 500);
  auto str = eng::StringObject::Layout(*dc->selected_font(), u"AあB", 0, 50);
  EXPECT_EQ(str->get()->pgp[2].ptl.x, 60);

  // A name that matches nothing fails and keeps the font selected before.
  wanted.face_name = u"Nothing Like It";
  EXPECT_FALSE(dc->SelectFont(wanted));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(dc->selected_font()->is_device());
  ASSERT_TRUE(dc->EndPage());
  ASSERT_TRUE(dc->EndDoc());
}

TEST_F(TextDcTest, WithoutAnnouncedFontsNoDeviceFontIsAsked) {
  ASSERT_TRUE(eng::RegisterFontFile(Bytes(kGothic)));
  TestDrvConfig cfg;
  cfg.banding = false;
  auto dc = Open(cfg);
  ASSERT_NE(dc, nullptr);
  eng::FontSpec wanted;
  wanted.face_name = u"TestMincho";
  EXPECT_FALSE(dc->SelectFont(wanted));  // no driver fonts announced
  EXPECT_TRUE(Log("QueryFont").empty());
  EXPECT_EQ(dc->selected_font(), nullptr);
  ASSERT_TRUE(dc->StartDoc(u"doc", 1));
  ASSERT_TRUE(dc->StartPage());
  EXPECT_FALSE(dc->TextOut(0, 0, u"A", 0));  // no font selected
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(dc->EndDoc());
}

// A banding page draws the same glyphs as one bitmap drawn at once, also
// where a glyph straddles the band edges; underline and glyph-index strings
// come through too.
TEST_F(TextDcTest, BandedTextMatchesTheWholePage) {
  TestDrvConfig cfg;
  cfg.bits = 1;
  cfg.width = 200;
  cfg.height = 64;
  cfg.band = 16;
  cfg.banding = true;
  auto dc = Open(cfg);
  ASSERT_NE(dc, nullptr);
  eng::FontSpec wanted;
  wanted.data = Bytes(kGothic);
  wanted.height = -40;
  ASSERT_TRUE(dc->SelectFont(wanted));
  ASSERT_TRUE(dc->StartDoc(u"doc", 1));
  ASSERT_TRUE(dc->StartPage());
  eng::TextOptions opts;
  opts.underline = true;
  ASSERT_TRUE(dc->TextOut(5, 40, u"Aあ", 0, opts));
  HGLYPH b = dc->selected_font()->GlyphsOf(u"B")[0];
  ASSERT_TRUE(dc->GlyphsOut({{b, 120, 45, u'B'}, {b, 150, 30, u'B'}}, 0));
  ASSERT_TRUE(dc->EndPage());
  int32_t stride = 0;
  size_t size = 0;
  const uint8_t* page = page_(&stride, &size);
  ASSERT_EQ(size, size_t(stride) * 64);
  std::vector<uint8_t> banded(page, page + size);
  ASSERT_TRUE(dc->EndDoc());
  // Every band got its part of the three strings (the glyph string's
  // text is its glyph indices).
  EXPECT_GE(Log("TextOut").size(), 3u);

  // The same strings drawn at once.
  TestBitmap whole(200, 64, BMF_1BPP);
  eng::BrushObject black(0);
  POINTL org{0, 0};
  auto font = eng::FontObject::Create(wanted);
  auto str = eng::StringObject::Layout(*font, u"Aあ", 5, 40);
  const IFIMETRICS* ifi = FONTOBJ_pifi(font->get());
  double s = 40.0 / ifi->fwdUnitsPerEm;
  double thick = std::max(1.0, ifi->fwdUnderscoreSize * s);
  LONG top = LONG(std::lround(40 - ifi->fwdUnderscorePosition * s - thick / 2));
  RECTL extra[] = {{str->get()->rclBkGround.left, top, str->get()->rclBkGround.right, top + LONG(std::lround(thick))},
                   {0, 0, 0, 0}};
  ASSERT_TRUE(EngTextOut(whole.so(), str->get(), font->get(), nullptr, extra, nullptr, black.get(), nullptr, &org,
                         kCopyPen));
  eng::StringObject glyphs(*font, {{b, 120, 45, 0}, {b, 150, 30, 0}}, SO_GLYPHINDEX_TEXTOUT);
  ASSERT_TRUE(EngTextOut(whole.so(), glyphs.get(), font->get(), nullptr, nullptr, nullptr, black.get(), nullptr, &org,
                         kCopyPen));
  int ink = 0;
  for (LONG y = 0; y < 64; ++y)
    for (LONG x = 0; x < 200; ++x) {
      int banded_bit = (banded[size_t(y) * size_t(stride) + size_t(x / 8)] >> (7 - x % 8)) & 1;
      ASSERT_EQ(uint32_t(banded_bit), whole.At(x, y)) << x << "," << y;
      ink += banded_bit == 0;
    }
  EXPECT_GT(ink, 500);
}

// ---- code page ------------------------------------------------------------------------------

TEST(EngineCodePage, UnicodeToMultiByteNeverSplitsACharacter) {
  struct Case {
    const char* name;
    std::u16string text;
    ULONG room;
    std::vector<uint8_t> want;
  } cases[] = {
      {"kanji and Latin", u"漢A", 8, {0x8A, 0xBF, 'A'}},
      {"half-width katakana is one byte", u"ｱ", 8, {0xB1}},
      {"room for the lead byte only", u"Aあ", 2, {'A'}},
      {"exactly the double byte", u"あ", 2, {0x82, 0xA0}},
      {"no room", u"あ", 1, {}},
      {"IBM extension", u"ⅰ", 8, {0xFA, 0x40}},
  };
  for (const Case& c : cases) {
    char out[16];
    std::memset(out, 0x7E, sizeof out);
    ULONG written = 99;
    std::u16string text = c.text;
    EngUnicodeToMultiByteN(out, c.room, &written, reinterpret_cast<WCHAR*>(text.data()), ULONG(text.size() * 2));
    ASSERT_EQ(written, c.want.size()) << c.name;
    EXPECT_EQ(std::vector<uint8_t>(out, out + written), c.want) << c.name;
    EXPECT_EQ(out[written], 0x7E) << c.name;  // nothing beyond what it says
  }
  // An odd byte count ends before the half character.
  char16_t two[] = u"AB";
  char out[4] = {};
  ULONG written = 0;
  EngUnicodeToMultiByteN(out, 4, &written, reinterpret_cast<WCHAR*>(two), 3);
  EXPECT_EQ(written, 1u);
}

// ---- synthetic device fonts -------------------------------------------------------------------

TEST(EngineFont, SyntheticDeviceFontForDriverTests) {
  struct Block {
    IFIMETRICS ifi;
    char16_t name[8];
  } block{};
  block.ifi.cjThis = sizeof block;
  block.ifi.dpwszFamilyName = block.ifi.dpwszFaceName = offsetof(Block, name);
  std::memcpy(block.name, u"Dev", 8);
  block.ifi.fwdUnitsPerEm = 1000;
  block.ifi.fwdWinAscender = 900;
  block.ifi.fwdWinDescender = 100;
  block.ifi.fwdAveCharWidth = 500;
  block.ifi.fwdMaxCharInc = 1000;
  block.ifi.wcDefaultChar = u' ';
  block.ifi.rclFontBox = RECTL{0, 900, 1000, -100};
  HGLYPH kana[3] = {0x82A0, 0x82A1, 0x82A2};
  struct {
    FD_GLYPHSET gs;
    WCRUN more;
  } set{};
  set.gs.cRuns = 2;
  set.gs.awcrun[0] = WCRUN{u' ', 0x5F, nullptr};
  set.more = WCRUN{0x3042, 3, kana};
  auto font = eng::FontObject::CreateSynthetic(&block.ifi, &set.gs, XFORML{0.05f, 0, 0, 0.05f, 0, 0});
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->is_device());
  EXPECT_EQ(font->get()->flFontType, DEVICE_FONTTYPE);
  EXPECT_EQ(FONTOBJ_pifi(font->get())->fwdMaxCharInc, 1000);
  EXPECT_EQ(font->GlyphsOf(u"Aいあ\u4E00"), (std::vector<HGLYPH>{0x41, 0x82A2, 0x82A0, 0x20}));
  auto str = eng::StringObject::Layout(*font, u"Aあ", 0, 100);
  EXPECT_EQ(str->get()->pgp[1].ptl.x, 25);
  EXPECT_EQ(str->get()->rclBkGround.right, 75);
  EXPECT_EQ(str->get()->rclBkGround.top, 55);
  EXPECT_EQ(FONTOBJ_cGetAllGlyphHandles(font->get(), nullptr), 0x5Fu + 3);
  GLYPHDATA* gd = Glyph(font->get(), FO_GLYPHBITS, 0x82A0);
  ASSERT_NE(gd, nullptr);
  EXPECT_EQ(gd->fxD, 50 * 16);
  EXPECT_EQ(Ink(gd->gdf.pgb), 0);
  EXPECT_EQ(Glyph(font->get(), FO_PATHOBJ, 0x82A0), nullptr);
  FD_GLYPHSET* gs = FONTOBJ_pfdg(font->get());
  ASSERT_NE(gs, nullptr);
  EXPECT_EQ(gs->cGlyphsSupported, 0x5Fu + 3);

  // A vertical face ('@' name) whose name runs to the block's end without
  // its terminator: read within the block; null glyph set: characters are
  // their own handles.
  std::vector<uint8_t> raw(sizeof(IFIMETRICS) + 4);
  IFIMETRICS vertical = block.ifi;
  vertical.cjThis = ULONG(raw.size());
  vertical.dpwszFamilyName = vertical.dpwszFaceName = sizeof(IFIMETRICS);
  std::memcpy(raw.data(), &vertical, sizeof vertical);
  std::memcpy(raw.data() + sizeof vertical, u"@V", 4);
  auto vert = eng::FontObject::CreateSynthetic(reinterpret_cast<IFIMETRICS*>(raw.data()), nullptr,
                                                  XFORML{0.05f, 0, 0, 0.05f, 0, 0}, 2);
  ASSERT_NE(vert, nullptr);
  EXPECT_TRUE(vert->get()->flFontType & FO_VERT_FACE);
  EXPECT_EQ(vert->get()->iFace, 2u);
  EXPECT_EQ(vert->GlyphsOf(u"\u3042A"), (std::vector<HGLYPH>{0x3042, 0x41}));
}

TEST(EngineFont, EngineGlyphSetCoversTheCharacterMap) {
  auto font = Font(kGothic, -20);
  ASSERT_NE(font, nullptr);
  FD_GLYPHSET* gs = FONTOBJ_pfdg(font->get());
  ASSERT_NE(gs, nullptr);
  EXPECT_GT(gs->cGlyphsSupported, 10000u);
  ULONG sum = 0;
  bool found_a = false;
  for (ULONG r = 0; r < gs->cRuns; ++r) {
    sum += gs->awcrun[r].cGlyphs;
    const WCRUN& run = gs->awcrun[r];
    if (run.wcLow <= u'あ' && u'あ' < run.wcLow + run.cGlyphs) {
      EXPECT_EQ(run.phg[u'あ' - run.wcLow], font->GlyphsOf(u"あ")[0]);
      found_a = true;
    }
    if (r) {
      EXPECT_GT(run.wcLow, gs->awcrun[r - 1].wcLow);
    }
  }
  EXPECT_EQ(sum, gs->cGlyphsSupported);
  EXPECT_TRUE(found_a);
  FONTINFO fi{};
  FONTOBJ_vGetInfo(font->get(), sizeof fi, &fi);
  EXPECT_EQ(fi.cjThis, sizeof(FONTINFO));
  EXPECT_EQ(fi.flCaps, FO_OUTLINE_CAPABLE);
  EXPECT_EQ(fi.cGlyphsSupported, FONTOBJ_cGetAllGlyphHandles(font->get(), nullptr));
}


// The machine's font list and the engine's device set-up share one logical
// font record and one set of font kinds, so a listed font can be handed to
// the engine as it is.
TEST(FontRecords, TheFontListAndTheEngineShareOneLogicalFont) {
  static_assert(std::is_same_v<decltype(DEVINFO::lfDefaultFont), LOGFONTW>);
  static_assert(FO_TYPE_RASTER == RASTER_FONTTYPE && FO_TYPE_DEVICE == DEVICE_FONTTYPE &&
                FO_TYPE_TRUETYPE == TRUETYPE_FONTTYPE);
  LOGFONTW listed{};
  listed.lfHeight = -12;
  listed.lfFaceName[0] = u'A';
  DEVINFO info{};
  info.lfDefaultFont = listed;
  EXPECT_EQ(info.lfDefaultFont.lfHeight, -12);
  EXPECT_EQ(info.lfDefaultFont.lfFaceName[0], u'A');
}

}  // namespace
