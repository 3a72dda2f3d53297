// DrvTextOut in vector mode: which records each way of sending text writes
// (by name, outlines, downloaded glyphs), the font cache, the string and
// cell records and their limits, the glyph cache across strings and pages,
// the fall-backs, and the records read back by the job reader.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "eng/text.h"
#include "gr2k/text.h"
#include "vector_test_support.h"

namespace {

using vectest::VectorTest;

constexpr const char* kMinchoFile = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
const std::string kMincho = "\x96\xbe\x92\xa9";  // 明朝 in code page 932

// A metrics block with its two names behind it, as a device font's.
std::vector<uint8_t> MakeIfi(const std::u16string& family, const std::u16string& face, FLONG info) {
  IFIMETRICS ifi{};
  const size_t base = sizeof(IFIMETRICS);
  const size_t family_bytes = (family.size() + 1) * 2, face_bytes = (face.size() + 1) * 2;
  std::vector<uint8_t> block(base + family_bytes + face_bytes, 0);
  ifi.cjThis = ULONG(block.size());
  ifi.dpwszFamilyName = PTRDIFF(base);
  ifi.dpwszFaceName = PTRDIFF(base + family_bytes);
  ifi.jWinCharSet = SHIFTJIS_CHARSET;
  ifi.jWinPitchAndFamily = 0x11;
  ifi.usWinWeight = 400;
  ifi.flInfo = info;
  ifi.fwdUnitsPerEm = 1000;
  ifi.fwdLowestPPEm = 1;
  ifi.fwdWinAscender = 900;
  ifi.fwdWinDescender = 100;
  ifi.fwdAveCharWidth = 500;
  ifi.fwdMaxCharInc = 1000;
  ifi.wcDefaultChar = 0x30FB;
  ifi.rclFontBox = RECTL{0, 900, 500, -100};
  std::memcpy(block.data(), &ifi, base);
  std::memcpy(block.data() + base, family.data(), family.size() * 2);
  std::memcpy(block.data() + base + family_bytes, face.data(), face.size() * 2);
  return block;
}

// A font of names and metrics only (no glyph images), 50 pixels to the em:
// ascent 45, descent 5.
std::unique_ptr<eng::FontObject> NamedFont(const std::u16string& family, const std::u16string& face,
                                           FLONG info = 0, float scale = 0.05f) {
  const std::vector<uint8_t> ifi = MakeIfi(family, face, info);
  const XFORML xform{scale, 0, 0, scale, 0, 0};
  return eng::FontObject::CreateSynthetic(reinterpret_cast<const IFIMETRICS*>(ifi.data()), nullptr, xform);
}

class TextOut : public VectorTest {
 protected:
  void SetUp() override {
    VectorTest::SetUp();
    pdev_->osVersion.dwMajorVersion = 10;
    pdev_->textAsDeviceFonts = 1;
  }

  // A real font (glyph bitmaps and outlines) from the IPA Mincho file.
  std::unique_ptr<eng::FontObject> RealFont(double em = 40, LONG escapement = 0, bool mirrored = false) {
    eng::FontBytes bytes = eng::ReadFontFile(kMinchoFile);
    if (!bytes) return nullptr;
    eng::FontSpec wanted;
    wanted.data = bytes;
    wanted.height = -em;
    wanted.escapement = escapement;
    if (mirrored) {
      wanted.has_matrix = true;
      wanted.matrix[0] = -em;
      wanted.matrix[1] = 0;
      wanted.matrix[2] = 0;
      wanted.matrix[3] = -em;
    }
    return eng::FontObject::Create(wanted);
  }

  // Glyphs of the text placed from x, y: one every step pixels along x (or
  // along y for a vertical string).
  std::unique_ptr<eng::StringObject> Placed(const eng::FontObject& font, std::u16string_view text, double x,
                                            double y, double step, bool vertical = false, FLONG accel = 0) {
    std::vector<HGLYPH> hg = font.GlyphsOf(text);
    std::vector<eng::PlacedGlyph> glyphs;
    for (size_t i = 0; i < text.size(); ++i) {
      eng::PlacedGlyph g;
      g.hg = hg[i];
      g.x = vertical ? x : x + step * double(i);
      g.y = vertical ? y + step * double(i) : y;
      g.ch = text[i];
      glyphs.push_back(g);
    }
    return std::make_unique<eng::StringObject>(font, glyphs, accel);
  }

  BOOL Draw(const eng::FontObject& font, const eng::StringObject& str, RECTL* extra = nullptr,
            RECTL* opaque = nullptr, BRUSHOBJ* opaque_brush = nullptr) {
    BRUSHOBJ fore{0x000000, nullptr, 0};
    return DrvTextOut(&surface_, str.get(), font.get(), nullptr, extra, opaque, &fore, opaque_brush, nullptr,
                      0x0D0D);
  }

  // The text records written since the last look (state records left out).
  std::vector<jobread::Record> TextRecords() {
    std::vector<jobread::Record> out;
    for (jobread::Record& r : Records())
      if (r.opcode >= 0x50 || r.opcode == kOpRect) out.push_back(std::move(r));
    return out;
  }
};

std::vector<uint8_t> Ops(const std::vector<jobread::Record>& recs) {
  std::vector<uint8_t> out;
  for (const jobread::Record& r : recs) out.push_back(r.opcode);
  return out;
}

#define REQUIRE_FONT(f)                                                              \
  if (!(f)) GTEST_SKIP() << "the IPA Mincho font is not installed (" << kMinchoFile << ")"

// ---- the choice of method ----------------------------------------------------------------------------

TEST_F(TextOut, MethodMatrixGivesTheSelectKind) {
  struct Case {
    const char* what;
    uint32_t deviceFonts, method, api, eudc, osMajor;
    std::u16string family, face;
    FLONG info;
    std::u16string text;
    uint8_t select;  // 0x50 or 0x56
    int kind;
  } cases[] = {
      {"resident Mincho in device fonts", 1, 0, 0, 0, 10, u"明朝", u"明朝", 0, u"A", 0x50, 2},
      {"resident vertical Gothic", 1, 0, 0, 0, 10, u"@ｺﾞｼｯｸ", u"@ｺﾞｼｯｸ", 0, u"A", 0x50, 2},
      {"another font in device fonts downloads", 1, 0, 0, 0, 10, u"Arial", u"Arial", 0, u"A", 0x56, 5},
      {"device fonts off: by name", 0, 0, 0, 0, 10, u"Arial", u"Arial", 0, u"A", 0x50, 2},
      {"print method 5: by name", 1, 5, 0, 0, 10, u"Arial", u"Arial", 0, u"A", 0x50, 2},
      {"API flag: by name", 1, 0, 1, 0, 10, u"Arial", u"Arial", 0, u"A", 0x50, 2},
      {"stroke font: outlines", 0, 0, 0, 0, 10, u"Modern", u"Modern", FM_INFO_TECH_STROKE, u"A", 0x50, 4},
      {"other outline before version 6", 0, 0, 0, 0, 5, u"Type", u"Type", FM_INFO_TECH_OUTLINE_NOT_TRUETYPE, u"A",
       0x50, 4},
      {"other outline from version 6", 0, 0, 0, 0, 6, u"Type", u"Type", FM_INFO_TECH_OUTLINE_NOT_TRUETYPE, u"A",
       0x50, 2},
      {"EUDC with end-user glyphs", 0, 0, 0, 1, 10, u"EUDC", u"EUDC", 0, u"A", 0x50, 4},
      {"EUDC without: a stroke font by name", 0, 0, 0, 0, 10, u"EUDC", u"EUDC", FM_INFO_TECH_STROKE, u"A", 0x50, 2},
      {"full-width DFG prefix", 0, 0, 0, 0, 10, u"ＤＦＧ Font", u"ＤＦＧ Font", 0, u"A", 0x50, 4},
      {"外字 with end-user glyphs", 0, 0, 0, 1, 10, u"Font", u"私の外字", 0, u"A", 0x50, 4},
      {"外字 without", 0, 0, 0, 0, 10, u"Font", u"私の外字", 0, u"A", 0x50, 2},
      {"temporary family", 0, 0, 0, 0, 10, u"x.TMP", u"Face", 0, u"A", 0x50, 4},
      {"temporary face only", 0, 0, 0, 0, 10, u"Family", u"x.tmp", 0, u"A", 0x50, 2},
      {"private use with end-user glyphs", 0, 0, 0, 1, 10, u"Arial", u"Arial", 0, u"A\uE000", 0x50, 4},
      {"private use without", 0, 0, 0, 0, 10, u"Arial", u"Arial", 0, u"A\uE000", 0x50, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pdev_->textAsDeviceFonts = c.deviceFonts;
    pdev_->printMethod = c.method;
    pdev_->apiUseFlag = c.api;
    pdev_->eudcAsGlyphs = c.eudc;
    pdev_->osVersion.dwMajorVersion = c.osMajor;
    GsForgetFont(pdev_);
    auto font = NamedFont(c.family, c.face, c.info);
    ASSERT_TRUE(font);
    auto str = Placed(*font, c.text, 100, 200, 50);
    ASSERT_TRUE(Draw(*font, *str));
    std::vector<jobread::Record> recs = TextRecords();
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs[0].opcode, c.select);
    EXPECT_EQ(recs[0].Int("kind"), c.kind);
    size_t selects = 0;
    for (const jobread::Record& r : recs) selects += r.opcode == 0x50 || r.opcode == 0x56;
    EXPECT_EQ(selects, 1u);
  }
}

TEST_F(TextOut, MinchoInDeviceFontsIsOneSelectAndOneStringPerString) {
  auto font = NamedFont(u"明朝", u"明朝");
  ASSERT_TRUE(font);
  auto first = Placed(*font, u"明朝", 100, 200, 50);
  auto second = Placed(*font, u"明朝", 100, 300, 50);
  ASSERT_TRUE(Draw(*font, *first));
  ASSERT_TRUE(Draw(*font, *second));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x52, 0x52}));
  const jobread::Record& select = recs[0];
  EXPECT_EQ(select.Int("kind"), 2);
  EXPECT_EQ(select.Text("face"), kMincho);
  EXPECT_EQ(select.Int("charset"), 128);
  EXPECT_EQ(select.Int("pitch_family"), 0x11);
  EXPECT_EQ(select.Int("weight"), 400);
  EXPECT_EQ(select.Int("em_width"), 50);
  EXPECT_EQ(select.Int("em_height"), 50);
  EXPECT_EQ(select.Int("internal_leading"), 0);  // 45 + 5 - 50
  EXPECT_EQ(select.Int("angle"), 0);
  EXPECT_EQ(select.Int("default_char"), 0x30FB);
  for (int i = 1; i <= 2; ++i) {
    const jobread::Record& s = recs[size_t(i)];
    EXPECT_EQ(s.List("chars"), (std::vector<int64_t>{0x660E, 0x671D}));
    EXPECT_EQ(s.Int("count"), 2);
    EXPECT_EQ(s.Int("x"), 100);
    EXPECT_EQ(s.Int("y"), 100 * i + 100 - 45);  // the cell's top: the baseline less the ascent
  }
  EXPECT_EQ(recs[1].List("advances"), (std::vector<int64_t>{50, 0}));
  // The reader prints the fields for a person.
  jobread::Stream dumped;
  dumped.records = recs;
  const std::string text = jobread::Format(dumped);
  EXPECT_NE(text.find("明朝"), std::string::npos) << text;
  EXPECT_NE(text.find("chars="), std::string::npos) << text;
}

TEST_F(TextOut, ADifferentFontOrPageStartWritesTheSelectAgain) {
  auto a = NamedFont(u"明朝", u"明朝");
  auto b = NamedFont(u"ｺﾞｼｯｸ", u"ｺﾞｼｯｸ");
  auto sa = Placed(*a, u"A", 0, 100, 50);
  auto sb = Placed(*b, u"A", 0, 100, 50);
  ASSERT_TRUE(Draw(*a, *sa));
  ASSERT_TRUE(Draw(*b, *sb));
  ASSERT_TRUE(Draw(*a, *sa));
  PdevForgetGraphicsState(pdev_);  // a new page
  ASSERT_TRUE(Draw(*a, *sa));
  EXPECT_EQ(Ops(TextRecords()), (std::vector<uint8_t>{0x50, 0x52, 0x50, 0x52, 0x50, 0x52, 0x50, 0x52}));
}

// ---- string and cells ---------------------------------------------------------------------------------

TEST_F(TextOut, UnequalYOnAHorizontalStringGivesOneCellACharacter) {
  auto font = NamedFont(u"明朝", u"明朝");
  std::vector<HGLYPH> hg = font->GlyphsOf(u"AB");
  std::vector<eng::PlacedGlyph> glyphs = {{hg[0], 100, 200, u'A'}, {hg[1], 150, 203, u'B'}};
  eng::StringObject str(*font, glyphs, SO_HORIZONTAL);
  ASSERT_TRUE(Draw(*font, str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x51, 0x51}));
  const int64_t xs[] = {100, 150}, ys[] = {200 - 45, 203 - 45}, codes[] = {'A', 'B'};
  for (int i = 0; i < 2; ++i) {
    const jobread::Record& cell = recs[size_t(i) + 1];
    EXPECT_EQ(cell.Int("outline"), 0);
    EXPECT_EQ(cell.Int("x"), xs[i]);
    EXPECT_EQ(cell.Int("y"), ys[i]);
    EXPECT_EQ(cell.Int("left"), xs[i]);
    EXPECT_EQ(cell.Int("top"), ys[i]);
    EXPECT_EQ(cell.Int("right"), xs[i] + 50);
    EXPECT_EQ(cell.Int("bottom"), ys[i] + 50);
    EXPECT_EQ(cell.Int("code"), codes[i]);
  }
}

TEST_F(TextOut, AnAdvanceGoesInItsFieldOnlyWithinSixteenBits) {
  struct Case {
    int step;
    bool string;
  } cases[] = {{32767, true}, {32768, false}, {-32768, true}, {-32769, false}, {65535, false}};
  auto font = NamedFont(u"明朝", u"明朝");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    GsForgetFont(pdev_);
    std::vector<HGLYPH> hg = font->GlyphsOf(u"AB");
    std::vector<eng::PlacedGlyph> glyphs = {{hg[0], 40000, 200, u'A'}, {hg[1], 40000.0 + c.step, 200, u'B'}};
    eng::StringObject str(*font, glyphs, SO_HORIZONTAL);
    ASSERT_TRUE(Draw(*font, str));
    std::vector<jobread::Record> recs = TextRecords();
    if (c.string) {
      ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x52}));
      EXPECT_EQ(recs[1].List("advances"), (std::vector<int64_t>{c.step, 0}));
    } else {
      ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x51, 0x51}));
      EXPECT_EQ(recs[2].Int("x"), 40000 + c.step);
    }
  }
}

TEST_F(TextOut, RotatedTextByNameGoesAsCellsMovedByTheAscent) {
  // 90 degrees: the baseline runs up the page, the ascent points left.
  const std::vector<uint8_t> ifi = MakeIfi(u"明朝", u"明朝", 0);
  const XFORML up{0, -0.05f, 0.05f, 0, 0, 0};
  auto font = eng::FontObject::CreateSynthetic(reinterpret_cast<const IFIMETRICS*>(ifi.data()), nullptr, up);
  ASSERT_TRUE(font);
  std::vector<HGLYPH> hg = font->GlyphsOf(u"A");
  eng::StringObject str(*font, {{hg[0], 300, 400, u'A'}}, 0);
  ASSERT_TRUE(Draw(*font, str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x51}));
  EXPECT_EQ(recs[0].Int("angle"), 90);
  EXPECT_EQ(recs[1].Int("x"), 300 - 45);
  EXPECT_EQ(recs[1].Int("y"), 400);
}

// ---- outlines -----------------------------------------------------------------------------------------

TEST_F(TextOut, PrivateUseWithEndUserGlyphsGoesAsOutlinesUnderTheSuffixedName) {
  auto font = RealFont();
  REQUIRE_FONT(font);
  pdev_->textAsDeviceFonts = 0;
  pdev_->eudcAsGlyphs = 1;
  auto str = Placed(*font, u"A\uE000", 100, 200, 40);
  ASSERT_TRUE(Draw(*font, *str));
  ASSERT_TRUE(Draw(*font, *str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_GE(recs.size(), 3u);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%X", font->get()->iUniq);
  size_t selects = 0, outlines = 0;
  for (const jobread::Record& r : recs) {
    if (r.opcode == 0x50) {
      ++selects;
      EXPECT_EQ(r.Int("kind"), 4);
      const std::string face = r.Text("face");
      ASSERT_GT(face.size(), std::strlen(suffix));
      EXPECT_EQ(face.substr(face.size() - std::strlen(suffix)), suffix);
    } else {
      ASSERT_EQ(r.opcode, 0x51);
      EXPECT_EQ(r.Int("outline"), 1);
      ++outlines;
    }
  }
  // The font cache is forgotten around such a string: its select goes out
  // every time.
  EXPECT_EQ(selects, 2u);
  EXPECT_GE(outlines, 2u);  // at least the A of each string
  // The A's outline lies in its box, at the glyph's place.
  const jobread::Record& a = recs[1];
  EXPECT_EQ(a.Int("code"), 'A');
  EXPECT_GE(a.Int("left"), 100);
  EXPECT_LE(a.Int("right"), 140);
  EXPECT_LT(a.Int("top"), 200);
  EXPECT_EQ(a.Int("x"), a.Int("left"));
  EXPECT_EQ(a.Int("y"), a.Int("top"));
}

TEST_F(TextOut, AMirroredFontGoesAsOutlines) {
  auto font = RealFont(40, 0, true);
  REQUIRE_FONT(font);
  pdev_->textAsDeviceFonts = 0;
  auto str = Placed(*font, u"AB", 300, 200, -40);
  ASSERT_TRUE(Draw(*font, *str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x50, 0x51, 0x51}));
  EXPECT_EQ(recs[0].Int("kind"), 4);
  EXPECT_EQ(recs[1].Int("outline"), 1);
  EXPECT_EQ(recs[2].Int("code"), 'B');
}

// A glyph sent again (later in the string, in a later string, on a later
// page) carries the same outline at its own place, and the same glyph of
// another font (the same file at half the size: the same glyph handles)
// carries that font's outline, never the first font's.
TEST_F(TextOut, ARepeatedGlyphCarriesItsOwnFontsOutlineAtItsOwnPlace) {
  auto big = RealFont(40);
  REQUIRE_FONT(big);
  auto small = RealFont(20);
  ASSERT_TRUE(small);
  pdev_->textAsDeviceFonts = 0;
  // Glyph-index text, which goes as outlines.
  auto aba = Placed(*big, u"ABA", 100, 200, 40, false, SO_GLYPHINDEX_TEXTOUT);
  auto small_a = Placed(*small, u"A", 100, 300, 20, false, SO_GLYPHINDEX_TEXTOUT);
  auto big_a = Placed(*big, u"A", 300, 400, 40, false, SO_GLYPHINDEX_TEXTOUT);
  ASSERT_TRUE(Draw(*big, *aba));
  ASSERT_TRUE(Draw(*small, *small_a));
  ASSERT_TRUE(Draw(*big, *big_a));
  std::vector<jobread::Record> recs;
  for (jobread::Record& r : TextRecords())
    if (r.opcode == 0x51) recs.push_back(std::move(r));
  ASSERT_EQ(recs.size(), 5u);
  for (const jobread::Record& r : recs) ASSERT_EQ(r.Int("outline"), 1);
  const jobread::Record &a1 = recs[0], &b = recs[1], &a2 = recs[2], &small_rec = recs[3], &a3 = recs[4];
  auto moved = [](const jobread::Record& r, const jobread::Record& from, int64_t dx, int64_t dy) {
    EXPECT_EQ(r.Int("left"), from.Int("left") + dx);
    EXPECT_EQ(r.Int("right"), from.Int("right") + dx);
    EXPECT_EQ(r.Int("top"), from.Int("top") + dy);
    EXPECT_EQ(r.Int("bottom"), from.Int("bottom") + dy);
    EXPECT_EQ(r.notes, from.notes) << "the outline relative to its box";
  };
  moved(a2, a1, 80, 0);
  moved(a3, a1, 200, 200);
  EXPECT_NE(b.notes, a1.notes);
  // Half the size: about half the box, and an outline of its own.
  EXPECT_NE(small_rec.notes, a1.notes);
  EXPECT_NEAR(double(small_rec.Int("right") - small_rec.Int("left")), (a1.Int("right") - a1.Int("left")) / 2.0, 2);
  EXPECT_NEAR(double(small_rec.Int("bottom") - small_rec.Int("top")), (a1.Int("bottom") - a1.Int("top")) / 2.0, 2);

  // The next page sends the same outline again.
  DrvSendPage(&surface_);
  spool_.bytes.clear();
  PdevForgetGraphicsState(pdev_);
  ASSERT_TRUE(Draw(*big, *big_a));
  std::vector<jobread::Record> next;
  for (jobread::Record& r : TextRecords())
    if (r.opcode == 0x51) next.push_back(std::move(r));
  ASSERT_EQ(next.size(), 1u);
  moved(next[0], a3, 0, 0);
}

TEST_F(TextOut, ALongNameWithTheSuffixStaysInsideItsField) {
  pdev_->textAsDeviceFonts = 0;
  pdev_->eudcAsGlyphs = 1;
  const std::u16string name(128, u'漢');  // 256 bytes in code page 932
  auto font = NamedFont(name, name);
  auto str = Placed(*font, u"\uE000", 100, 200, 50);
  ASSERT_TRUE(Draw(*font, *str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_FALSE(recs.empty());
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%X", font->get()->iUniq);
  const std::string face = recs[0].Text("face");
  EXPECT_LE(face.size(), kTxtNameBytes - 1);
  EXPECT_EQ(face.size() % 2, std::strlen(suffix) % 2) << "whole two-byte characters are kept";
  EXPECT_EQ(face.substr(face.size() - std::strlen(suffix)), suffix);
  EXPECT_EQ(face.substr(0, 4), "\x8a\xbf\x8a\xbf");
}

// ---- downloaded glyphs ---------------------------------------------------------------------------------

TEST_F(TextOut, GlyphRunsDefineEachGlyphOncePerPage) {
  auto font = RealFont();
  REQUIRE_FONT(font);
  auto first = Placed(*font, u"ABA", 100, 200, 40);
  auto second = Placed(*font, u"BA", 100, 300, 40);
  ASSERT_TRUE(Draw(*font, *first));
  ASSERT_TRUE(Draw(*font, *second));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x56, 0x54, 0x54, 0x55, 0x55}));
  EXPECT_EQ(recs[0].Int("kind"), 5);
  EXPECT_EQ(recs[1].Int("code"), 'A');
  EXPECT_EQ(recs[2].Int("code"), 'B');
  const jobread::Record& run = recs[3];
  EXPECT_EQ(run.Int("count"), 3);
  EXPECT_EQ(run.List("codes"), (std::vector<int64_t>{'A', 'B', 'A'}));
  EXPECT_EQ(run.List("dx")[0], 0);
  // Same glyph, same bitmap origin relative to its place: A to A is 80 pixels.
  EXPECT_EQ(run.List("dx")[1] + run.List("dx")[2], 80);
  EXPECT_EQ(run.List("dy")[1] + run.List("dy")[2], 0);
  EXPECT_GT(run.Int("y"), 200 - 40);
  EXPECT_LT(run.Int("y"), 200);
  EXPECT_EQ(recs[4].List("codes"), (std::vector<int64_t>{'B', 'A'}));
  // A definition holds the glyph's pixels.
  EXPECT_GT(recs[1].Int("width"), 0);
  EXPECT_FALSE(recs[1].Bytes("bitmap").empty());

  // The page ends (the fixture has no driver context, so the page-end text
  // is refused, but the glyph cache is released); the next page starts.
  DrvSendPage(&surface_);
  spool_.bytes.clear();
  PdevForgetGraphicsState(pdev_);
  ASSERT_TRUE(Draw(*font, *second));
  EXPECT_EQ(Ops(TextRecords()), (std::vector<uint8_t>{0x56, 0x54, 0x54, 0x55}));
}

// A printer font whose space has an empty bitmap (0 x 0) and whose other
// characters are 8 x 10 pixel blocks, ASCII handles.
namespace blank_space {
std::vector<uint8_t> g_ifi;
HGLYPH g_handles[0x5F];
FD_GLYPHSET g_set;

IFIMETRICS* QueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) {
  return reinterpret_cast<IFIMETRICS*>(g_ifi.data());
}
PVOID QueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG mode, ULONG_PTR*) {
  return mode == QFT_GLYPHSET ? &g_set : nullptr;
}
LONG QueryFontData(DHPDEV, FONTOBJ*, ULONG mode, HGLYPH hg, GLYPHDATA* gd, PVOID pv, ULONG size) {
  if (mode != QFD_GLYPHANDBITMAP) return -1;
  const bool blank = hg == ' ';
  const LONG need = LONG(offsetof(GLYPHBITS, aj) + 12);
  if (gd) {
    *gd = GLYPHDATA{};
    gd->hg = hg;
    gd->fxD = 40 * 16;
  }
  if (pv && size >= ULONG(need)) {
    std::memset(pv, 0, size_t(need));
    auto* gb = static_cast<GLYPHBITS*>(pv);
    gb->ptlOrigin = POINTL{0, -10};
    gb->sizlBitmap = blank ? SIZEL{0, 0} : SIZEL{8, 10};
    if (!blank) std::memset(gb->aj, 0xFF, 10);
  }
  return need;
}

std::unique_ptr<eng::FontObject> Font() {
  g_ifi = MakeIfi(u"Blank Space Test", u"Blank Space Test", 0);
  for (int i = 0; i < 0x5F; ++i) g_handles[i] = HGLYPH(0x20 + i);
  g_set = FD_GLYPHSET{};
  g_set.cjThis = sizeof g_set;
  g_set.cGlyphsSupported = 0x5F;
  g_set.cRuns = 1;
  g_set.awcrun[0] = WCRUN{0x20, 0x5F, g_handles};
  eng::DeviceFonts fonts;
  fonts.count = 1;
  fonts.query_font = QueryFont;
  fonts.query_font_tree = QueryFontTree;
  fonts.query_font_data = QueryFontData;
  eng::FontSpec wanted;
  wanted.height = -50;
  return eng::FontObject::CreateDevice(fonts, 1, wanted);
}
}  // namespace blank_space

// A glyph without pixels (a space) has nothing to define, but keeps its
// place and code in the run: the glyph after it moves from the space's
// origin.
TEST_F(TextOut, AGlyphWithAnEmptyBitmapStaysInItsRun) {
  auto font = blank_space::Font();
  ASSERT_NE(font, nullptr);
  auto str = Placed(*font, u"A A", 100, 200, 40);
  ASSERT_TRUE(Draw(*font, *str));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x56, 0x54, 0x55}));
  EXPECT_EQ(recs[1].Int("code"), 'A');
  const jobread::Record& run = recs[2];
  EXPECT_EQ(run.Int("count"), 3);
  EXPECT_EQ(run.List("codes"), (std::vector<int64_t>{'A', ' ', 'A'}));
  EXPECT_EQ(run.List("dx"), (std::vector<int64_t>{0, 40, 40}));
  EXPECT_EQ(run.List("dy"), (std::vector<int64_t>{0, 0, 0}));
}

TEST_F(TextOut, RotatedOrVerticalDownloadsGoAsCachedBitmaps) {
  auto rotated = RealFont(40, 900);
  REQUIRE_FONT(rotated);
  auto up = Placed(*rotated, u"AA", 100, 400, -40, true);
  ASSERT_TRUE(Draw(*rotated, *up));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x56, 0x53, 0x53}));
  EXPECT_EQ(recs[0].Int("angle"), 90);
  EXPECT_EQ(recs[1].Int("sent"), 0);
  EXPECT_GT(recs[1].Int("data_length"), 0);
  EXPECT_EQ(recs[2].Int("sent"), 1);  // the second A refers to the first
  EXPECT_EQ(recs[2].Int("data_length"), 0);
  // Turned a quarter: the cell's corner lies the ascent to the left of the
  // character origin, at its height.
  EXPECT_LT(recs[1].Int("cell_x"), 100 - 20);
  EXPECT_EQ(recs[1].Int("cell_y"), 400);
  EXPECT_EQ(recs[2].Int("cell_y"), 360);

  auto upright = RealFont();
  auto down = Placed(*upright, u"BB", 100, 200, 40, true);
  ASSERT_TRUE(Draw(*upright, *down));
  recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x56, 0x53, 0x53}));
  EXPECT_EQ(recs[0].Int("vertical"), 1);
  EXPECT_EQ(recs[2].Int("sent"), 1);
}

TEST_F(TextOut, AMirroredDownloadIsNotCached) {
  auto font = RealFont(40, 0, true);
  REQUIRE_FONT(font);
  auto str = Placed(*font, u"AA", 300, 200, -40);
  ASSERT_TRUE(Draw(*font, *str));
  EXPECT_EQ(Ops(TextRecords()), (std::vector<uint8_t>{0x56, 0x57, 0x57}));
}

TEST_F(TextOut, AnAllocationFailureFallsBackToUncachedBitmaps) {
  auto font = RealFont();
  REQUIRE_FONT(font);
  auto str = Placed(*font, u"AB", 100, 200, 40);
  int fallbacks = 0, runs = 0;
  for (int nth = 1; nth <= 40; ++nth) {
    SCOPED_TRACE(nth);
    GlyphCacheRelease(pdev_);
    GsForgetFont(pdev_);
    plat::FailNth("GlobalAlloc", nth);
    const BOOL ok = Draw(*font, *str);
    plat::ClearFaults();
    std::vector<uint8_t> ops = Ops(TextRecords());
    if (!ok) continue;  // a failure the call reports
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0], 0x56);
    if (vectest::Count(ops, 0x55)) {
      EXPECT_EQ(vectest::Count(ops, 0x55), 1u);
      EXPECT_EQ(vectest::Count(ops, 0x57), 0u);
      ++runs;
    } else {
      // Every glyph with its own bitmap, kept by nobody.
      EXPECT_EQ(vectest::Count(ops, 0x57), 2u);
      EXPECT_EQ(vectest::Count(ops, 0x53), 0u);
      ++fallbacks;
      // The cache was released: the next string defines its glyphs again.
      GsForgetFont(pdev_);
      ASSERT_TRUE(Draw(*font, *str));
      EXPECT_EQ(vectest::Count(Ops(TextRecords()), 0x54), 2u);
    }
  }
  EXPECT_GT(fallbacks, 0);
  EXPECT_GT(runs, 0);
}

// ---- rectangles and the call ------------------------------------------------------------------------

TEST_F(TextOut, OpaqueBoxFirstExtraRectanglesLastUpToTheFirstEmptyOne) {
  auto font = NamedFont(u"明朝", u"明朝");
  auto str = Placed(*font, u"A", 100, 200, 50);
  RECTL opaque{90, 150, 200, 210};
  BRUSHOBJ white{0xFFFFFF, nullptr, 0};
  RECTL extra[] = {{100, 205, 150, 207}, {100, 180, 150, 182}, {0, 0, 0, 0}, {1, 1, 5, 5}};
  ASSERT_TRUE(Draw(*font, *str, extra, &opaque, &white));
  std::vector<jobread::Record> recs = TextRecords();
  ASSERT_EQ(Ops(recs), (std::vector<uint8_t>{0x10, 0x50, 0x52, 0x10, 0x10}));
  EXPECT_EQ(recs[0].Int("left"), 90);
  EXPECT_EQ(recs[0].Int("bottom"), 210);
  EXPECT_EQ(recs[3].Int("top"), 205);
  EXPECT_EQ(recs[4].Int("top"), 180);
}

// The opaque box is drawn in the colours of its brush without a pattern
// record of its own; the pattern record is the foreground brush's, written
// for the text after the box.
TEST_F(TextOut, TheOpaqueBoxWritesNoPatternRecord) {
  auto font = NamedFont(u"明朝", u"明朝");
  auto str = Placed(*font, u"A", 100, 200, 50);
  RECTL opaque{90, 150, 200, 210};
  BRUSHOBJ grey{0x808080, nullptr, 0};
  ASSERT_TRUE(Draw(*font, *str, nullptr, &opaque, &grey));
  const std::vector<uint8_t> ops = Ops(Records());
  const auto box = std::find(ops.begin(), ops.end(), kOpRect);
  ASSERT_NE(box, ops.end());
  EXPECT_EQ(std::count(ops.begin(), box, kOpPattern), 0) << "a pattern record before the opaque box";
  EXPECT_EQ(std::count(box, ops.end(), kOpPattern), 1) << "the foreground's pattern record";
  EXPECT_LT(std::find(box, ops.end(), kOpPattern), std::find(box, ops.end(), uint8_t(0x50)));
}

TEST_F(TextOut, BadArgumentsFailSuppressedDrawingSucceedsSilently) {
  auto font = NamedFont(u"明朝", u"明朝");
  auto str = Placed(*font, u"A", 100, 200, 50);
  BRUSHOBJ fore{0, nullptr, 0};
  SetLastError(0);
  EXPECT_FALSE(DrvTextOut(&surface_, nullptr, font->get(), nullptr, nullptr, nullptr, &fore, nullptr, nullptr, 0x0D0D));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DrvTextOut(&surface_, str->get(), nullptr, nullptr, nullptr, nullptr, &fore, nullptr, nullptr, 0x0D0D));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SURFOBJ other{};
  EXPECT_FALSE(DrvTextOut(&other, str->get(), font->get(), nullptr, nullptr, nullptr, &fore, nullptr, nullptr, 0x0D0D));
  // No foreground brush: nothing to draw with.
  EXPECT_FALSE(DrvTextOut(&surface_, str->get(), font->get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          0x0D0D));
  TextRecords();
  pdev_->drawingSuppressed = 1;
  EXPECT_TRUE(Draw(*font, *str));
  EXPECT_TRUE(TextRecords().empty());
  EXPECT_EQ(DrvGetGlyphMode(reinterpret_cast<DHPDEV>(pdev_), font->get()), FO_GLYPHBITS);
}

}  // namespace

// A font realised from a font file carries its own names into the select
// record, whichever way its strings go.
TEST_F(TextOut, AFontFileSendsItsNames) {
  auto font = RealFont();
  REQUIRE_FONT(font);
  for (FLONG accel : {FLONG(0), FLONG(SO_GLYPHINDEX_TEXTOUT)}) {
    SCOPED_TRACE(accel);
    PdevForgetGraphicsState(pdev_);
    auto str = Placed(*font, u"AB", 100, 200, 40, false, accel);
    ASSERT_TRUE(Draw(*font, *str));
    std::vector<jobread::Record> recs = TextRecords();
    ASSERT_FALSE(recs.empty());
    EXPECT_FALSE(recs[0].Text("face").empty());
  }
}
