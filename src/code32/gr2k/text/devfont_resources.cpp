// The device-font resources of this library, compiled in: the four font
// records (type 258) and the three glyph sets (type 260), built as their
// stored byte images at compile time and registered as resources of the
// module while it is attached.
#include <array>
#include <cstring>
#include <string_view>

#include "gr2k/devfont.h"
#include "plat/resources.h"

namespace {

struct GlyphRunRow {
  uint16_t wcLow;
  uint16_t count;
};
#include "devfont_glyphsets.inc"

// ---- little-endian writers over a byte image ----------------------------------------------
template <size_t N>
constexpr void Put8(std::array<uint8_t, N>& a, size_t at, uint32_t v) {
  a[at] = uint8_t(v);
}
template <size_t N>
constexpr void Put16(std::array<uint8_t, N>& a, size_t at, uint32_t v) {
  a[at] = uint8_t(v);
  a[at + 1] = uint8_t(v >> 8);
}
template <size_t N>
constexpr void Put32(std::array<uint8_t, N>& a, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) a[at + i] = uint8_t(v >> (8 * i));
}
template <size_t N>
constexpr void Put64(std::array<uint8_t, N>& a, size_t at, int64_t v) {
  for (size_t i = 0; i < 8; ++i) a[at + i] = uint8_t(uint64_t(v) >> (8 * i));
}
constexpr size_t Align(size_t v, size_t to) { return (v + to - 1) / to * to; }

// ---- glyph sets ------------------------------------------------------------------------------
constexpr size_t GlyphSetBytes(size_t runs, size_t handles) {
  return sizeof(StoredGlyphSet) + runs * sizeof(StoredGlyphRun) + handles * 4;
}

template <size_t R, size_t H>
constexpr bool RunsCover(const GlyphRunRow (&runs)[R]) {
  size_t total = 0;
  for (const GlyphRunRow& r : runs) total += r.count;
  return total == H;
}

template <size_t R, size_t H>
constexpr std::array<uint8_t, GlyphSetBytes(R, H)> GlyphSetImage(const GlyphRunRow (&runs)[R],
                                                                  const uint16_t (&handles)[H], uint32_t accel) {
  std::array<uint8_t, GlyphSetBytes(R, H)> a{};
  Put32(a, 0, uint32_t(a.size()));
  Put32(a, 4, accel);
  Put32(a, 8, uint32_t(H));
  Put32(a, 12, uint32_t(R));
  size_t at = sizeof(StoredGlyphSet);
  for (const GlyphRunRow& r : runs) {
    Put16(a, at, r.wcLow);
    Put16(a, at + 2, r.count);
    at += sizeof(StoredGlyphRun);
  }
  for (uint16_t h : handles) {
    Put32(a, at, h);
    at += 4;
  }
  return a;
}

static_assert(RunsCover<std::size(kSet1Runs), std::size(kSet1Handles)>(kSet1Runs));
static_assert(RunsCover<std::size(kSet2Runs), std::size(kSet2Handles)>(kSet2Runs));
static_assert(RunsCover<std::size(kSet3Runs), std::size(kSet3Handles)>(kSet3Runs));

constexpr auto kGlyphSet1 = GlyphSetImage(kSet1Runs, kSet1Handles, GS_8BIT_HANDLES);
constexpr auto kGlyphSet2 = GlyphSetImage(kSet2Runs, kSet2Handles, GS_16BIT_HANDLES);
constexpr auto kGlyphSet3 = GlyphSetImage(kSet3Runs, kSet3Handles, GS_8BIT_HANDLES);

// ---- font records ----------------------------------------------------------------------------
// The simulation block behind the names: the DDI's FONTSIM (offsets from
// its own start) and a FONTDIFF for bold and for italic.
constexpr size_t kFontSimBytes = 3 * sizeof(PTRDIFF);
constexpr size_t kFontDiffBytes = 20;
constexpr char16_t kStyleName[] = u"Regular";
constexpr size_t kHeaderBytes = sizeof(DeviceFontRecord);

struct FontSpec {
  std::u16string_view name;  // family and face
  std::string_view symbolSet;
  uint8_t pitchAndFamily;
};

// Offsets inside the IFIMETRICS block of a font whose name has n characters.
struct IfiLayout {
  size_t family, face, style, sim, end;
};
constexpr IfiLayout LayoutFor(size_t n) {
  IfiLayout l{};
  l.family = sizeof(IFIMETRICS);
  l.face = l.family + (n + 1) * 2;
  l.style = l.face + (n + 1) * 2;
  l.sim = Align(l.style + sizeof kStyleName, 8);
  l.end = Align(l.sim + kFontSimBytes + 2 * kFontDiffBytes, 8);
  return l;
}
constexpr size_t RecordBytes(size_t name_chars, size_t symbol_chars) {
  return Align(kHeaderBytes + LayoutFor(name_chars).end + symbol_chars + 1, 4);
}

template <size_t N>
constexpr void PutName(std::array<uint8_t, N>& a, size_t at, std::u16string_view s) {
  for (char16_t c : s) {
    Put16(a, at, c);
    at += 2;
  }
  Put16(a, at, 0);
}

template <size_t N>
constexpr std::array<uint8_t, N> FontRecord(const FontSpec& f) {
  std::array<uint8_t, N> a{};
  const IfiLayout l = LayoutFor(f.name.size());
  const size_t ifi = kHeaderBytes;
  const size_t symbol = ifi + l.end;
  Put32(a, offsetof(DeviceFontRecord, size), uint32_t(N));
  Put32(a, offsetof(DeviceFontRecord, ifiOffset), uint32_t(ifi));
  Put32(a, offsetof(DeviceFontRecord, symbolSetOffset), uint32_t(symbol));
  for (size_t i = 0; i < f.symbolSet.size(); ++i) a[symbol + i] = uint8_t(f.symbolSet[i]);

#define IFI(field) (ifi + offsetof(IFIMETRICS, field))
  Put32(a, IFI(cjThis), uint32_t(l.end));
  Put64(a, IFI(dpwszFamilyName), int64_t(l.family));
  Put64(a, IFI(dpwszStyleName), int64_t(l.style));
  Put64(a, IFI(dpwszFaceName), int64_t(l.face));
  Put64(a, IFI(dpwszUniqueName), int64_t(l.face));
  Put64(a, IFI(dpFontSim), int64_t(l.sim));
  Put8(a, IFI(jWinCharSet), SHIFTJIS_CHARSET);
  Put8(a, IFI(jWinPitchAndFamily), f.pitchAndFamily);
  Put16(a, IFI(usWinWeight), 400);
  Put32(a, IFI(flInfo), 0x18482038);
  Put16(a, IFI(fsSelection), 0);
  Put16(a, IFI(fsType), 2);
  Put16(a, IFI(fwdUnitsPerEm), 1000);
  Put16(a, IFI(fwdLowestPPEm), 1);
  Put16(a, IFI(fwdWinAscender), 900);
  Put16(a, IFI(fwdWinDescender), 100);
  Put16(a, IFI(fwdMacAscender), 900);
  Put16(a, IFI(fwdMacDescender), uint16_t(-100));
  Put16(a, IFI(fwdMacLineGap), 0);
  Put16(a, IFI(fwdTypoAscender), 900);
  Put16(a, IFI(fwdTypoDescender), uint16_t(-100));
  Put16(a, IFI(fwdTypoLineGap), 0);
  Put16(a, IFI(fwdAveCharWidth), 500);
  Put16(a, IFI(fwdMaxCharInc), 1000);
  Put16(a, IFI(fwdSubscriptXSize), 300);
  Put16(a, IFI(fwdSubscriptYSize), 300);
  Put16(a, IFI(fwdSubscriptXOffset), 600);
  Put16(a, IFI(fwdSubscriptYOffset), uint16_t(-100));
  Put16(a, IFI(fwdSuperscriptXSize), 300);
  Put16(a, IFI(fwdSuperscriptYSize), 300);
  Put16(a, IFI(fwdSuperscriptXOffset), 600);
  Put16(a, IFI(fwdSuperscriptYOffset), 300);
  Put16(a, IFI(fwdUnderscoreSize), 46);
  Put16(a, IFI(fwdUnderscorePosition), uint16_t(-93));
  Put16(a, IFI(fwdStrikeoutSize), 46);
  Put16(a, IFI(fwdStrikeoutPosition), 450);
  Put8(a, IFI(chFirstChar), 32);
  Put8(a, IFI(chLastChar), 255);
  Put8(a, IFI(chDefaultChar), 165);
  Put8(a, IFI(chBreakChar), 32);
  Put16(a, IFI(wcFirstChar), 0x20);
  Put16(a, IFI(wcLastChar), 0xFFFD);
  Put16(a, IFI(wcDefaultChar), 0x30FB);
  Put16(a, IFI(wcBreakChar), 0x20);
  Put32(a, IFI(ptlBaseline.x), 1);
  Put32(a, IFI(ptlAspect.x), 1);
  Put32(a, IFI(ptlAspect.y), 1);
  Put32(a, IFI(ptlCaret.y), 1);
  Put32(a, IFI(rclFontBox.left), 0);
  Put32(a, IFI(rclFontBox.top), 900);
  Put32(a, IFI(rclFontBox.right), 500);
  Put32(a, IFI(rclFontBox.bottom), uint32_t(-100));
  const char vendor[4] = {'U', 'n', 'k', 'n'};
  for (size_t i = 0; i < 4; ++i) Put8(a, IFI(achVendId) + i, uint8_t(vendor[i]));
  Put8(a, IFI(panose.bFamilyType), 6);
#undef IFI

  PutName(a, ifi + l.family, f.name);
  PutName(a, ifi + l.face, f.name);
  PutName(a, ifi + l.style, kStyleName);
  // FONTSIM: bold and italic, no bold italic; each FONTDIFF after it.
  const size_t sim = ifi + l.sim;
  const size_t bold = kFontSimBytes, italic = kFontSimBytes + kFontDiffBytes;
  Put64(a, sim, int64_t(bold));
  Put64(a, sim + 8, int64_t(italic));
  struct Diff {
    size_t at;
    uint16_t weight, selection;
  } diffs[] = {{sim + bold, 700, FM_SEL_BOLD}, {sim + italic, 400, FM_SEL_ITALIC}};
  for (const Diff& d : diffs) {
    Put16(a, d.at + 4, d.weight);      // usWinWeight
    Put16(a, d.at + 6, d.selection);   // fsSelection
    Put16(a, d.at + 8, 500);           // fwdAveCharWidth
    Put16(a, d.at + 10, 1000);         // fwdMaxCharInc
    Put32(a, d.at + 16, 1);            // ptlCaret (0, 1)
  }
  return a;
}

constexpr std::u16string_view kMincho = u"\u660E\u671D";
constexpr std::u16string_view kMinchoV = u"@\u660E\u671D";
constexpr std::u16string_view kGothic = u"\uFF7A\uFF9E\uFF7C\uFF6F\uFF78";
constexpr std::u16string_view kGothicV = u"@\uFF7A\uFF9E\uFF7C\uFF6F\uFF78";
constexpr std::string_view kHorizontalSet = "ROMA;J83;KATA";
constexpr std::string_view kVerticalSet = "ROMA;J83V;KATA";

constexpr auto kFont1 = FontRecord<RecordBytes(kMincho.size(), kHorizontalSet.size())>({kMincho, kHorizontalSet, 0x11});
constexpr auto kFont2 = FontRecord<RecordBytes(kMinchoV.size(), kVerticalSet.size())>({kMinchoV, kVerticalSet, 0x11});
constexpr auto kFont3 = FontRecord<RecordBytes(kGothic.size(), kHorizontalSet.size())>({kGothic, kHorizontalSet, 0x21});
constexpr auto kFont4 = FontRecord<RecordBytes(kGothicV.size(), kVerticalSet.size())>({kGothicV, kVerticalSet, 0x21});

const plat::BuiltinResource kResources[] = {
    {kResDeviceFont, 1, kFont1.data(), kFont1.size()},        {kResDeviceFont, 2, kFont2.data(), kFont2.size()},
    {kResDeviceFont, 3, kFont3.data(), kFont3.size()},        {kResDeviceFont, 4, kFont4.data(), kFont4.size()},
    {kResGlyphSet, 1, kGlyphSet1.data(), kGlyphSet1.size()}, {kResGlyphSet, 2, kGlyphSet2.data(), kGlyphSet2.size()},
    {kResGlyphSet, 3, kGlyphSet3.data(), kGlyphSet3.size()},
};

}  // namespace

void TxtRegisterDeviceFontResources(HMODULE module) {
  plat::RegisterModuleResources(module, kResources, std::size(kResources));
}

void TxtWithdrawDeviceFontResources(HMODULE module) { plat::WithdrawModuleResources(module); }
