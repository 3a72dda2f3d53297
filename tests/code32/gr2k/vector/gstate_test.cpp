// The graphics state of vector mode: ROP tables, colour and mix state sent
// only on change, pens and dashes, clip caches.
#include <algorithm>
#include <cstring>
#include <string>

#include "vector_test_support.h"

namespace {

using vectest::Count;
using vectest::VectorTest;

TEST(GsRop, TablesMapMixesBothWays) {
  // Black goes out as 0xFF and white as 0x00: the printer reads them so.
  const uint8_t expected[17] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};
  for (uint32_t rop2 = 0; rop2 <= 16; ++rop2) EXPECT_EQ(GsRop2ToRop3(rop2), expected[rop2]) << rop2;
  EXPECT_EQ(GsRop2ToRop3(17), 0xCC);
  EXPECT_EQ(GsRop2ToRop3(0xFFFFFFFF), 0xCC);

  const uint8_t codes[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                             0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
  int mapped = 0;
  for (int rop3 = 0; rop3 < 256; ++rop3) {
    const uint8_t rop2 = GsRop3ToRop2(uint8_t(rop3));
    const uint8_t* hit = std::find(codes, codes + 16, uint8_t(rop3));
    if (hit == codes + 16) {
      EXPECT_EQ(rop2, 0) << rop3;
    } else {
      EXPECT_EQ(rop2, hit - codes + 1) << rop3;
      ++mapped;
    }
  }
  EXPECT_EQ(mapped, 16);
}

TEST(GsRop, MixGivesForegroundRopAndBackgroundMode) {
  GsColorState s{};
  ASSERT_TRUE(GsColorFromMix(0x0B0D, &s, false));
  EXPECT_EQ(GsRop2ToRop3(uint32_t(s.rop2)), 0xCC);
  EXPECT_EQ(s.backMode, kBackTransparent);
  EXPECT_EQ(s.hasThird, 0);
  ASSERT_TRUE(GsColorFromMix(0x0D01, &s, true));
  EXPECT_EQ(GsRop2ToRop3(uint32_t(s.rop2)), 0xFF);
  EXPECT_EQ(s.backMode, kBackOpaque);
  EXPECT_EQ(s.hasThird, 1);
}

class GsState : public VectorTest {};

TEST_F(GsState, TwoFillsSendTheStateOnceAndAgainAfterAPageStart) {
  eng::PathObject path(vectest::Rect(10, 10, 50, 50));
  eng::BrushObject brush(0x00336699);
  POINTL org{0, 0};
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(DrvFillPath(&surface_, path.get(), nullptr, brush.get(), &org, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  std::vector<uint8_t> ops = Opcodes();
  EXPECT_EQ(ops, (std::vector<uint8_t>{kOpPattern, kOpColor, kOpBackMode, kOpRop, kOpPathLines, kOpPathLines}));

  // A colour change sends the colour only.
  eng::BrushObject other(0x00FF0000);
  ASSERT_EQ(DrvFillPath(&surface_, path.get(), nullptr, other.get(), &org, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  std::vector<jobread::Record> recs = Records();
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].opcode, kOpColor);
  EXPECT_EQ(recs[0].Bytes("foreground"), (std::vector<uint8_t>{0xFF, 0x00, 0x00}))
      << "engine colours go out red first";

  PdevForgetGraphicsState(pdev_);
  ASSERT_EQ(DrvFillPath(&surface_, path.get(), nullptr, other.get(), &org, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpPattern, kOpColor, kOpBackMode, kOpRop, kOpPathLines}));
}

TEST_F(GsState, APatternGoesOutAtEveryUseAPlainColourOnce) {
  static uint8_t bits[32 * 32 / 8];
  std::memset(bits, 0xAA, sizeof bits);
  DlBrush pattern{kBrushTwoColour, 1, 32, 0, 0, {0x000000, 0xFFFFFF}, false, bits};
  DlBrush plain{kBrushPlain, 0, 0, 0, 0, {0x123456, 0xFFFFFF}, false, nullptr};
  ASSERT_TRUE(GsSetPattern(pdev_, &plain));
  ASSERT_TRUE(GsSetPattern(pdev_, &plain));
  ASSERT_TRUE(GsSetPattern(pdev_, &pattern));
  ASSERT_TRUE(GsSetPattern(pdev_, &pattern));
  ASSERT_TRUE(GsSetPattern(pdev_, &plain));
  ASSERT_TRUE(GsSetPattern(pdev_, &plain));
  EXPECT_EQ(Count(Opcodes(), kOpPattern), 4u);
  EXPECT_FALSE(GsSetPattern(pdev_, nullptr));
}

TEST_F(GsState, RopAndBackModeOnChangeOnly) {
  ASSERT_TRUE(GsSetRop(pdev_, 0xCC));
  ASSERT_TRUE(GsSetRop(pdev_, 0xCC));
  ASSERT_TRUE(GsSetRop(pdev_, 0x66));
  ASSERT_TRUE(GsSetBackMode(pdev_, 1));
  ASSERT_TRUE(GsSetBackMode(pdev_, 1));
  ASSERT_TRUE(GsSetBackMode(pdev_, 2));
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpRop, kOpRop, kOpBackMode, kOpBackMode}));
}

TEST_F(GsState, ColourComparesKindModeAndTheThirdColourOnlyWhenPresent) {
  GsColorState a{};
  a.foreground = 0x0000FF;
  a.background = 0xFFFFFF;
  a.backMode = kBackOpaque;
  a.kind = kDrawFill;
  ASSERT_TRUE(GsSetColor(pdev_, a));
  GsColorState b = a;
  b.third = 0x123456;  // not present: ignored
  b.hostCorrected = 1;  // kept, never compared
  ASSERT_TRUE(GsSetColor(pdev_, b));
  EXPECT_EQ(Opcodes().size(), 1u);
  struct Case {
    const char* what;
    void (*change)(GsColorState*);
  } cases[] = {
      {"kind", [](GsColorState* s) { s->kind = kDrawStroke; }},
      {"mode", [](GsColorState* s) { s->backMode = kBackTransparent; }},
      {"foreground", [](GsColorState* s) { s->foreground = 1; }},
      {"background", [](GsColorState* s) { s->background = 2; }},
      {"third flag", [](GsColorState* s) { s->hasThird = 1; }},
  };
  for (const Case& c : cases) {
    GsColorState s = a;
    c.change(&s);
    ASSERT_TRUE(GsSetColor(pdev_, s));
    ASSERT_TRUE(GsSetColor(pdev_, a));
    EXPECT_EQ(Opcodes().size(), 2u) << c.what;
  }
  GsColorState t = a;
  t.hasThird = 1;
  t.third = 5;
  ASSERT_TRUE(GsSetColor(pdev_, t));
  t.third = 6;
  ASSERT_TRUE(GsSetColor(pdev_, t));
  EXPECT_EQ(Opcodes().size(), 2u);
}

// ---- pens ------------------------------------------------------------------------------------

struct PenCase {
  const char* what;
  FLONG fl;
  std::vector<LONG> cosmetic;  // style entries of a cosmetic pen
  std::vector<float> geometric;  // style entries of a geometric pen of width 1
  uint16_t resolution;
  bool ok;
  uint32_t mask;
  uint16_t unit;
  int16_t offset;
};

TEST_F(GsState, DashTable) {
  const PenCase cases[] = {
      {"3,1 at 600 dpi", LA_STYLED, {3, 1}, {}, 600, true, 0xFFFFFF00, 1, 0},
      {"start gap", LA_STYLED | LA_STARTGAP, {2, 3, 1}, {}, 600, true, 0xFFFFFF00, 1, 16},
      {"sum below 32 repeats", LA_STYLED, {3, 1}, {}, 50, true, 0xEEEEEEEE, 1, 0},
      {"remainder lengthens the first", LA_STYLED, {2, 3}, {}, 50, true, 0xE18C6318, 1, 0},
      {"unit over 255, cosmetic", LA_STYLED, {10000, 10000}, {}, 600, true, 0xFFFF0000, 255, 0},
      {"unit over 255, geometric", LA_GEOMETRIC, {}, {20000.f, 20000.f}, 600, false, 0, 0, 0},
      {"34 entries, cosmetic: solid", LA_STYLED, std::vector<LONG>(34, 1), {}, 50, true, 0xFFFFFFFF, 1, 0},
      {"34 entries, geometric", LA_GEOMETRIC, {}, std::vector<float>(34, 1.f), 50, false, 0, 0, 0},
      {"one entry: solid", LA_STYLED, {4}, {}, 600, true, 0xFFFFFFFF, 1, 0},
      {"zero entries: solid", LA_STYLED, {0, 0}, {}, 600, true, 0xFFFFFFFF, 1, 0},
      {"huge entries stay bounded", LA_STYLED, {0x7FFFFFFF, 0x7FFFFFFF}, {}, 600, true, 0xFFFF0000, 255, 0},
  };
  for (const PenCase& c : cases) {
    pdev_->resolution = c.resolution;
    std::vector<FLOAT_LONG> style;
    for (LONG v : c.cosmetic) style.push_back(FLOAT_LONG{.l = v});
    for (float v : c.geometric) style.push_back(FLOAT_LONG{.e = v});
    LINEATTRS la{};
    la.fl = c.fl;
    if (c.fl & LA_GEOMETRIC) la.elWidth.e = 1.0f;
    else la.elWidth.l = 1;
    la.eMiterLimit = 10;
    la.cstyle = ULONG(style.size());
    la.pstyle = style.data();
    GsLineAttrs a{};
    bool geometric = false;
    EXPECT_EQ(GsLineAttrsFromPen(pdev_, &la, 0, nullptr, &a, &geometric), c.ok ? TRUE : FALSE) << c.what;
    if (!c.ok) continue;
    EXPECT_EQ(a.dashMask, c.mask) << c.what;
    EXPECT_EQ(a.dashUnit, c.unit) << c.what;
    EXPECT_EQ(a.dashOffset, c.offset) << c.what;
  }
}

TEST_F(GsState, AStyledPenWiderThanOnePixelIsRefused) {
  FLOAT_LONG style[2] = {{.e = 3.f}, {.e = 1.f}};
  LINEATTRS la{};
  la.fl = LA_GEOMETRIC;
  la.elWidth.e = 2.0f;
  la.cstyle = 2;
  la.pstyle = style;
  GsLineAttrs a{};
  bool geometric = false;
  EXPECT_FALSE(GsLineAttrsFromPen(pdev_, &la, 0, nullptr, &a, &geometric));
  EXPECT_TRUE(geometric);
  // The stroke entry then fails and writes nothing.
  eng::PathObject path(vectest::Rect(1, 1, 5, 5));
  eng::BrushObject pen(0);
  POINTL org{0, 0};
  EXPECT_EQ(DrvStrokePath(&surface_, path.get(), nullptr, nullptr, pen.get(), &org, &la, 0x0D0D), FALSE);
  EXPECT_EQ(Buffered(), 0u);
}

TEST_F(GsState, WidthThroughTheTransform) {
  struct Case {
    const char* what;
    FLOAT_LONG width;
    XFORML m;
    bool ok;
    int16_t expected;
  } cases[] = {
      {"identity", {.e = 3.0f}, {1, 0, 0, 1, 0, 0}, true, 3},
      {"twice", {.e = 3.0f}, {2, 0, 0, 2, 0, 0}, true, 6},
      {"non-uniform", {.e = 3.0f}, {2, 0, 0, 1, 0, 0}, false, 0},
      {"half a pixel", {.e = 0.5f}, {2, 0, 0, 2, 0, 0}, true, 1},
      {"an integer in the field", {.l = 5}, {1, 0, 0, 1, 0, 0}, true, 5},
      {"huge", {.e = 1e9f}, {1, 0, 0, 1, 0, 0}, true, 32767},
      {"huge scale", {.e = 100.0f}, {1e6f, 0, 0, 1e6f, 0, 0}, true, 32767},
  };
  for (const Case& c : cases) {
    eng::XformObject xform(c.m);
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC;
    la.elWidth = c.width;
    la.eMiterLimit = 4;
    GsLineAttrs a{};
    bool geometric = false;
    EXPECT_EQ(GsLineAttrsFromPen(pdev_, &la, 0, xform.get(), &a, &geometric), c.ok ? TRUE : FALSE) << c.what;
    EXPECT_TRUE(geometric) << c.what;
    if (c.ok) {
      EXPECT_EQ(a.width, c.expected) << c.what;
    }
  }
  // A cosmetic pen is one pixel wide with round ends and the default miter.
  LINEATTRS la{};
  la.elWidth.l = 7;
  la.iJoin = JOIN_MITER;
  la.iEndCap = ENDCAP_BUTT;
  GsLineAttrs a{};
  bool geometric = true;
  ASSERT_TRUE(GsLineAttrsFromPen(pdev_, &la, 0, nullptr, &a, &geometric));
  EXPECT_FALSE(geometric);
  EXPECT_EQ(a.width, 1);
  EXPECT_EQ(a.join, 0);
  EXPECT_EQ(a.endCap, 0);
  EXPECT_EQ(a.miterLimit, 2560u);
}

TEST_F(GsState, JoinCapAndMiterOfAGeometricPen) {
  struct Case {
    ULONG join, cap;
    float miter;
    uint16_t join_code, cap_code;
    uint32_t miter_x256;
  } cases[] = {
      {JOIN_ROUND, ENDCAP_ROUND, 4, 0, 0, 4 * 256},
      {JOIN_BEVEL, ENDCAP_SQUARE, 0.25f, 1, 2, 256},
      {JOIN_MITER, ENDCAP_BUTT, 1e9f, 2, 1, 32767u * 256},
      {JOIN_MITER, ENDCAP_ROUND, 2.9f, 2, 0, 742},  // 742.4: the fraction is kept before the truncation
      {JOIN_MITER, ENDCAP_SQUARE, 1.5f, 2, 2, 384},
  };
  for (const Case& c : cases) {
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC;
    la.elWidth.e = 2;
    la.iJoin = c.join;
    la.iEndCap = c.cap;
    la.eMiterLimit = c.miter;
    GsLineAttrs a{};
    bool geometric = false;
    ASSERT_TRUE(GsLineAttrsFromPen(pdev_, &la, 0, nullptr, &a, &geometric));
    EXPECT_EQ(a.join, c.join_code);
    EXPECT_EQ(a.endCap, c.cap_code);
    EXPECT_EQ(a.miterLimit, c.miter_x256);
  }
}

TEST_F(GsState, LineRecordsOnlyForWhatChanged) {
  GsLineAttrs a{1, 0, 0, 1, 0, 2560, 0xFFFFFFFF, 0};
  ASSERT_TRUE(GsSetLineAttrs(pdev_, a));
  ASSERT_TRUE(GsSetLineAttrs(pdev_, a));
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpLineWidth, kOpDashOffset, kOpEndCap, kOpJoin}));
  GsLineAttrs b = a;
  b.dashOffset = 3;
  b.miterLimit = 512;
  ASSERT_TRUE(GsSetLineAttrs(pdev_, b));
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpDashOffset, kOpJoin}));
  b.width = 4;
  b.endCap = 1;
  ASSERT_TRUE(GsSetLineAttrs(pdev_, b));
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpLineWidth, kOpEndCap}));
}

// ---- clips -----------------------------------------------------------------------------------

TEST_F(GsState, ClipCaches) {
  const RECTL op{0, 0, 500, 500};
  eng::ClipObject rect({RECTL{10, 20, 300, 400}}, op);
  eng::ClipObject other({RECTL{11, 20, 300, 400}}, op);
  eng::ClipObject complex({RECTL{0, 0, 100, 100}, RECTL{200, 200, 300, 300}}, op);
  eng::ClipObject trivial({RECTL{0, 0, 1000, 1000}}, op);
  ASSERT_EQ(rect.get()->iDComplexity, DC_RECT);
  ASSERT_EQ(complex.get()->iDComplexity, DC_COMPLEX);
  ASSERT_EQ(trivial.get()->iDComplexity, DC_TRIVIAL);

  EXPECT_EQ(GsSetClip(pdev_, nullptr), 0);  // nothing in force: nothing sent
  EXPECT_EQ(GsSetClip(pdev_, rect.get()), 1);
  EXPECT_EQ(GsSetClip(pdev_, rect.get()), 1);
  std::vector<jobread::Record> recs = Records();
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].opcode, kOpRect);
  EXPECT_EQ(recs[0].Int("kind"), 5);

  EXPECT_EQ(GsSetClip(pdev_, other.get()), 1);
  EXPECT_EQ(GsSetClip(pdev_, complex.get()), 3);
  EXPECT_EQ(GsSetClip(pdev_, complex.get()), 3);
  recs = Records();
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].opcode, kOpRect);
  EXPECT_EQ(recs[1].opcode, kOpPathLines);
  EXPECT_EQ(recs[1].Int("use"), 5);
  EXPECT_EQ(recs[1].Int("subpaths"), 2);

  EXPECT_EQ(GsSetClip(pdev_, trivial.get()), 0);
  EXPECT_EQ(GsSetClip(pdev_, nullptr), 0);
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpClipReset}));

  // A page start forgets the cache but not the kind in force.
  EXPECT_EQ(GsSetClip(pdev_, rect.get()), 1);
  PdevForgetGraphicsState(pdev_);
  EXPECT_EQ(GsSetClip(pdev_, rect.get()), 1);
  PdevForgetGraphicsState(pdev_);
  EXPECT_EQ(GsSetClip(pdev_, nullptr), 0);
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpRect, kOpRect, kOpClipReset}));
}

TEST_F(GsState, AClipWithoutAreaClipsEverything) {
  eng::ClipObject nothing(std::vector<RECTL>{}, RECTL{0, 0, 100, 100});
  ASSERT_EQ(nothing.get()->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(GsSetClip(pdev_, nothing.get()), 1);
  std::vector<jobread::Record> recs = Records();
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].opcode, kOpRect);
  EXPECT_EQ(recs[0].Int("kind"), 5);
  EXPECT_EQ(recs[0].Int("right") - recs[0].Int("left"), 0);
}

}  // namespace
