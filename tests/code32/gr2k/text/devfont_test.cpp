// The device fonts of VELMPD0: the glyph sets and font records among its
// resources (checked against glibc's code-page conversions by a reader of
// the stored format written here), the per-Pdev table with its shared glyph
// set freed once, damaged resources, and the glyph advances.
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gr2k/pdev.h"
#include "gr2k/devfont.h"
#include "plat/kernel.h"
#include "plat/resources.h"

namespace {

const HMODULE kModule = reinterpret_cast<HMODULE>(0x52000);

// ---- a reader of the stored glyph-set format, sharing nothing with the loader ----------------
struct StoredSet {
  uint32_t bytes = 0, accel = 0, glyphs = 0, runs = 0;
  std::vector<std::pair<uint16_t, uint16_t>> runList;  // (first character, count)
  std::vector<uint32_t> handles;
};

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool ReadStoredSet(HMODULE module, DWORD id, StoredSet* out) {
  size_t size = 0;
  const auto* p = static_cast<const uint8_t*>(plat::FindModuleResource(module, kResGlyphSet, id, &size));
  if (!p || size < 16) return false;
  out->bytes = Le32(p);
  out->accel = Le32(p + 4);
  out->glyphs = Le32(p + 8);
  out->runs = Le32(p + 12);
  if (out->bytes != size || size != 16 + uint64_t(out->runs) * 8 + uint64_t(out->glyphs) * 4) return false;
  for (uint32_t i = 0; i < out->runs; ++i) {
    out->runList.emplace_back(Le16(p + 16 + 8 * i), Le16(p + 18 + 8 * i));
    if (Le32(p + 20 + 8 * i) != 0) return false;  // no pointer is stored
  }
  for (uint32_t i = 0; i < out->glyphs; ++i) out->handles.push_back(Le32(p + 16 + 8 * out->runs + 4 * i));
  return true;
}

// glibc's conversions between UTF-16 and a code page.
class CodePage {
 public:
  explicit CodePage(const char* name) : to_(iconv_open(name, "UTF-16LE")), back_(iconv_open("UTF-16LE", name)) {
    EXPECT_NE(to_, iconv_t(-1));
    EXPECT_NE(back_, iconv_t(-1));
  }
  ~CodePage() {
    if (to_ != iconv_t(-1)) iconv_close(to_);
    if (back_ != iconv_t(-1)) iconv_close(back_);
  }
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  // The code of one character (one or two bytes, the lead byte high), or
  // -1 when it has none or the code does not convert back to it.
  int32_t RoundTrip(char16_t c) {
    char in[2] = {char(c & 0xFF), char(c >> 8)};
    char out[8];
    char* ip = in;
    char* op = out;
    size_t il = 2, ol = sizeof out;
    iconv(to_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(to_, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return -1;
    const size_t n = sizeof out - ol;
    if (n != 1 && n != 2) return -1;
    const int32_t code = n == 1 ? uint8_t(out[0]) : uint8_t(out[0]) << 8 | uint8_t(out[1]);
    char again[4];
    char* bp = out;
    char* ap = again;
    size_t bl = n, al = sizeof again;
    iconv(back_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(back_, &bp, &bl, &ap, &al) == size_t(-1) || sizeof again - al != 2 || std::memcmp(again, in, 2) != 0)
      return -1;
    return code;
  }

 private:
  iconv_t to_, back_;
};

// ---- resources registered under a test module, and a Pdev to load them into -------------------
class DeviceFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    TxtRegisterDeviceFontResources(kModule);
    pdev = PdevCreate(nullptr);
    ASSERT_NE(pdev, nullptr);
    baseline = pdev->pool->blocks;
  }
  void TearDown() override {
    if (pdev) PdevDestroy(pdev);
    TxtWithdrawDeviceFontResources(kModule);
  }
  DeviceFontTable* Load(HMODULE module = kModule) {
    uint32_t count = 99;
    DeviceFontTable* t = TxtLoadDeviceFonts(pdev, module, &count);
    EXPECT_EQ(count, t ? 4u : 0u);
    return t;
  }
  Pdev* pdev = nullptr;
  uint64_t baseline = 0;
};

TEST_F(DeviceFonts, DoubleByteGlyphSetIsCodePage932BothWays) {
  StoredSet s;
  ASSERT_TRUE(ReadStoredSet(kModule, 2, &s));
  EXPECT_EQ(s.glyphs, 7484u);
  EXPECT_EQ(s.runs, 4247u);
  EXPECT_EQ(s.accel, ULONG(GS_16BIT_HANDLES));
  ASSERT_FALSE(s.runList.empty());
  EXPECT_EQ(s.runList.front().first, 0x20);
  EXPECT_EQ(s.runList.back().first + s.runList.back().second - 1, 0xFFE5);

  // Runs ascend without touching (touching runs would be one run), and every
  // handle is the character's code page 932 code, which converts back to it.
  CodePage cp932("CP932");
  uint32_t next = 0, at = 0;
  size_t wrong = 0;
  for (auto [first, count] : s.runList) {
    ASSERT_GT(count, 0);
    if (at) {
      ASSERT_GT(first, next) << "run at U+" << std::hex << first;
    }
    for (uint32_t i = 0; i < count; ++i)
      if (cp932.RoundTrip(char16_t(first + i)) != int32_t(s.handles[at + i])) ++wrong;
    at += count;
    next = uint32_t(first) + count;
  }
  EXPECT_EQ(at, s.glyphs);
  EXPECT_EQ(wrong, 0u);
}

TEST_F(DeviceFonts, SingleByteGlyphSets) {
  struct Case {
    DWORD id;
    const char* codePage;
  } cases[] = {{1, "CP1252"}, {3, "CP850"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    StoredSet s;
    ASSERT_TRUE(ReadStoredSet(kModule, c.id, &s));
    CodePage cp(c.codePage);
    EXPECT_EQ(s.accel, ULONG(GS_8BIT_HANDLES));
    EXPECT_GT(s.glyphs, 200u);
    uint32_t at = 0;
    for (auto [first, count] : s.runList)
      for (uint32_t i = 0; i < count; ++i, ++at) {
        EXPECT_LT(s.handles[at], 0x100u);
        EXPECT_EQ(cp.RoundTrip(char16_t(first + i)), int32_t(s.handles[at])) << first + i;
      }
  }
}

TEST_F(DeviceFonts, LoadedSetSamplesAndNativeRuns) {
  DeviceFontTable* t = Load();
  ASSERT_NE(t, nullptr);
  FD_GLYPHSET* set = TxtGlyphSet(pdev, t, 1);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->cGlyphsSupported, 7484u);
  EXPECT_EQ(set->cRuns, 4247u);
  auto lookup = [&](char16_t c) -> int64_t {
    for (ULONG i = 0; i < set->cRuns; ++i) {
      const WCRUN& r = set->awcrun[i];
      if (c >= r.wcLow && c < r.wcLow + r.cGlyphs) return r.phg[c - r.wcLow];
    }
    return -1;
  };
  const struct {
    char16_t c;
    int64_t handle;
  } samples[] = {{u'\u3042', 0x82A0}, {u'\u2170', 0xFA40}, {u'\uFF71', 0xB1}, {u'\u2235', 0x81E6},
                 {u'A', 0x41},        {u'\u4E9C', 0x889F}, {u'\u00A5', -1},    {u'\uE000', -1}};
  for (const auto& s : samples) EXPECT_EQ(lookup(s.c), s.handle) << std::hex << int(s.c);
  // Each run's handles follow the last run's, inside the set's own block.
  const HGLYPH* expected = set->awcrun[0].phg;
  for (ULONG i = 0; i < set->cRuns; ++i) {
    ASSERT_EQ(set->awcrun[i].phg, expected) << i;
    expected += set->awcrun[i].cGlyphs;
  }
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(expected), reinterpret_cast<const uint8_t*>(set) + set->cjThis);
  TxtFreeDeviceFonts(pdev, t);
}

TEST_F(DeviceFonts, RecordsNamesAndSymbolSets) {
  DeviceFontTable* t = Load();
  ASSERT_NE(t, nullptr);
  const struct {
    std::u16string name;
    BYTE pitch;
    uint32_t row;
  } fonts[] = {{u"\u660E\u671D", 0x11, 0},
               {u"@\u660E\u671D", 0x11, 1},
               {u"\uFF7A\uFF9E\uFF7C\uFF6F\uFF78", 0x21, 0},
               {u"@\uFF7A\uFF9E\uFF7C\uFF6F\uFF78", 0x21, 1}};
  for (ULONG i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    const DeviceFontRecord* r = TxtFontRecord(t, i);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(t->fonts[i - 1].row, fonts[i - 1].row);
    const IFIMETRICS* ifi = TxtFontMetrics(r);
    const auto* base = reinterpret_cast<const uint8_t*>(ifi);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(base + ifi->dpwszFamilyName)), fonts[i - 1].name);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(base + ifi->dpwszFaceName)), fonts[i - 1].name);
    EXPECT_EQ(ifi->jWinPitchAndFamily, fonts[i - 1].pitch);
    EXPECT_EQ(ifi->jWinCharSet, 128);
    EXPECT_EQ(ifi->flInfo, 0x18482038u);
    EXPECT_EQ(ifi->fwdUnitsPerEm, 1000);
    EXPECT_EQ(ifi->fwdAveCharWidth, 500);
    EXPECT_EQ(ifi->fwdMaxCharInc, 1000);
    EXPECT_EQ(ifi->rclFontBox.top, 900);
    EXPECT_EQ(ifi->rclFontBox.bottom, -100);
    EXPECT_EQ(ifi->wcDefaultChar, 0x30FB);
    EXPECT_LE(uint64_t(r->ifiOffset) + ifi->cjThis, r->size);
  }
  EXPECT_EQ(TxtFontRecord(t, 0), nullptr);
  EXPECT_EQ(TxtFontRecord(t, 5), nullptr);
  EXPECT_EQ(TxtGlyphSet(pdev, t, 0), nullptr);
  EXPECT_EQ(TxtGlyphSet(pdev, t, 5), nullptr);
  TxtFreeDeviceFonts(pdev, t);
}

TEST_F(DeviceFonts, FourFontsShareOneSetFreedOnce) {
  DeviceFontTable* t = Load();
  ASSERT_NE(t, nullptr);
  const uint64_t with_table = pdev->pool->blocks;
  EXPECT_EQ(with_table, baseline + 5);  // the table and four records
  FD_GLYPHSET* first = TxtGlyphSet(pdev, t, 1);
  ASSERT_NE(first, nullptr);
  for (ULONG i = 2; i <= 4; ++i) EXPECT_EQ(TxtGlyphSet(pdev, t, i), first) << i;
  EXPECT_EQ(pdev->pool->blocks, with_table + 1);
  TxtFreeDeviceFonts(pdev, t);
  EXPECT_EQ(pdev->pool->blocks, baseline);
}

// Resources of a damaged module: each gives no table (or no set), and
// leaves nothing in the pool.
TEST_F(DeviceFonts, MissingOrDamagedResourcesLeaveNothing) {
  const HMODULE other = reinterpret_cast<HMODULE>(0x53000);
  size_t size = 0;
  const auto* font1 = static_cast<const uint8_t*>(plat::FindModuleResource(kModule, kResDeviceFont, 1, &size));
  ASSERT_NE(font1, nullptr);
  std::vector<uint8_t> good(font1, font1 + size);
  StoredSet set2;
  ASSERT_TRUE(ReadStoredSet(kModule, 2, &set2));
  const auto* set_bytes = static_cast<const uint8_t*>(plat::FindModuleResource(kModule, kResGlyphSet, 2, &size));
  std::vector<uint8_t> good_set(set_bytes, set_bytes + size);

  auto with = [&](std::vector<uint8_t> record, std::vector<uint8_t> set, bool expect_table, bool expect_set) {
    std::vector<plat::BuiltinResource> entries;
    for (DWORD id = 1; id <= 4; ++id) entries.push_back({kResDeviceFont, id, record.data(), record.size()});
    entries.push_back({kResGlyphSet, 2, set.data(), set.size()});
    plat::RegisterModuleResources(other, entries.data(), entries.size());
    DeviceFontTable* t = Load(other);
    EXPECT_EQ(t != nullptr, expect_table);
    if (t) {
      EXPECT_EQ(TxtGlyphSet(pdev, t, 1) != nullptr, expect_set);
      TxtFreeDeviceFonts(pdev, t);
    }
    EXPECT_EQ(pdev->pool->blocks, baseline);
    plat::WithdrawModuleResources(other);
  };
  auto put32 = [](std::vector<uint8_t> v, size_t at, uint32_t x) {
    std::memcpy(v.data() + at, &x, 4);
    return v;
  };
  DeviceFontRecord head;
  std::memcpy(&head, good.data(), sizeof head);
  std::vector<uint8_t> no_terminator = good;
  std::memset(no_terminator.data() + head.symbolSetOffset, 'X', good.size() - head.symbolSetOffset);

  with(good, good_set, true, true);
  with(std::vector<uint8_t>(good.begin(), good.begin() + 500), good_set, false, false);  // short
  with(put32(good, 0, uint32_t(good.size() + 4)), good_set, false, false);                // size lies
  with(put32(good, 4, uint32_t(good.size() - 8)), good_set, false, false);                // metrics past the end
  with(put32(good, 572, uint32_t(good.size())), good_set, false, false);                  // symbol set past the end
  with(no_terminator, good_set, false, false);
  with(good, put32(good_set, 8, set2.glyphs + 1), true, false);  // glyph count lies
  with(good, put32(good_set, 16 + 8, 0x00010020), true, false);  // second run overlaps the first
  with(good, std::vector<uint8_t>(good_set.begin(), good_set.end() - 4), true, false);
  with(std::vector<uint8_t>(), good_set, false, false);

  uint32_t count = 7;
  EXPECT_EQ(TxtLoadDeviceFonts(pdev, reinterpret_cast<HMODULE>(0x54000), &count), nullptr);  // no resources
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(pdev->pool->blocks, baseline);
}

TEST_F(DeviceFonts, UnknownSymbolSetTakesTheFallbackRow) {
  const HMODULE other = reinterpret_cast<HMODULE>(0x55000);
  size_t size = 0;
  const auto* font1 = static_cast<const uint8_t*>(plat::FindModuleResource(kModule, kResDeviceFont, 1, &size));
  ASSERT_NE(font1, nullptr);
  std::vector<uint8_t> record(font1, font1 + size);
  DeviceFontRecord head;
  std::memcpy(&head, record.data(), sizeof head);
  std::memcpy(record.data() + head.symbolSetOffset, "SYML", 5);
  std::vector<plat::BuiltinResource> entries;
  for (DWORD id = 1; id <= 4; ++id) entries.push_back({kResDeviceFont, id, record.data(), record.size()});
  plat::RegisterModuleResources(other, entries.data(), entries.size());
  DeviceFontTable* t = Load(other);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->fonts[0].row, kFallbackSymbolSetRow);
  EXPECT_EQ(TxtGlyphSet(pdev, t, 1), nullptr);  // the module has no set 3
  TxtFreeDeviceFonts(pdev, t);
  plat::WithdrawModuleResources(other);
  EXPECT_EQ(pdev->pool->blocks, baseline);
}

TEST(DeviceFontMath, HypotIsTheCeilingOfTheLength) {
  const struct {
    int64_t x, y, r;
  } cases[] = {{0, 0, 0},           {3, 4, 5},           {-3, -4, 5},   {1, 1, 2},    {46341, 0, 46341},
               {46341, 46341, 65537}, {65535, 1, 65536}, {0, -100, 100}, {2147483647, 2147483647, 3037000499},
               {INT64_MIN + 1, 0, INT64_MAX}};
  for (const auto& c : cases) EXPECT_EQ(TxtHypot(c.x, c.y), c.r) << c.x << " " << c.y;
}

TEST(DeviceFontMath, AdvanceByHandle) {
  TxtRegisterDeviceFontResources(kModule);
  Pdev* pdev = PdevCreate(nullptr);
  ASSERT_NE(pdev, nullptr);
  uint32_t count = 0;
  DeviceFontTable* t = TxtLoadDeviceFonts(pdev, kModule, &count);
  ASSERT_NE(t, nullptr);
  const struct {
    HGLYPH hg;
    int32_t advance;
  } cases[] = {{0x41, 500}, {0xB1, 500}, {0xFF, 500}, {0x8540, 500}, {0x85FF, 500},  {0x8640, 500},
               {0x889F, 1000}, {0x8641, 1000}, {0x8440, 1000}, {0x82A0, 1000}, {0x18540, 1000}, {0x100, 1000}};
  for (const auto& c : cases) EXPECT_EQ(TxtGlyphAdvance(TxtFontRecord(t, 1), c.hg), c.advance) << std::hex << c.hg;
  TxtFreeDeviceFonts(pdev, t);
  PdevDestroy(pdev);
  TxtWithdrawDeviceFontResources(kModule);
}

}  // namespace
