#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "merge_test_support.h"
#include "velm/dm_merge.h"
#include "velm/presets.h"
#include "velm/units.h"

namespace {

using merge_test::Bytes;
using merge_test::MergeContext;
using ctx_test::Option;

constexpr uint32_t DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
                   DM_SCALE = 0x10, DM_COPIES = 0x100, DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400,
                   DM_COLOR = 0x800, DM_DUPLEX = 0x1000, DM_YRESOLUTION = 0x2000, DM_TTOPTION = 0x4000,
                   DM_COLLATE = 0x8000, DM_FORMNAME = 0x10000, DM_ICMMETHOD = 0x800000,
                   DM_MEDIATYPE = 0x2000000, DM_DITHERTYPE = 0x4000000;

// Fills user paper-size slot n (sizes in 1/1200 inch). The slots are loaded
// from the driver ini once per context; load them first, so that the slot
// written here is the one the context goes on using.
void Slot(DriverContext* ctx, int n, int32_t width, int32_t length) {
  ASSERT_EQ(FreeSizeRefreshSlots(ctx), 1);
  ctx->work->freeSizes[n].width = width;
  ctx->work->freeSizes[n].length = length;
}

TEST(DevmodeMergeFields, FieldByField) {
  struct Case {
    const char* name;
    uint32_t fields;                  // what the input announces
    SHORT DEVMODEW::*field;
    SHORT input;
    SHORT expected;
    uint32_t bit;                     // the dmFields bit looked at
    bool bit_set;
  } cases[] = {
      {"scale 0 is refused", DM_SCALE, &DEVMODEW::dmScale, 0, 100, DM_SCALE, false},
      {"scale 1001 is refused", DM_SCALE, &DEVMODEW::dmScale, 1001, 100, DM_SCALE, false},
      {"scale 1000 is taken, never announced", DM_SCALE, &DEVMODEW::dmScale, 1000, 1000, DM_SCALE, false},
      {"copies 0", DM_COPIES, &DEVMODEW::dmCopies, 0, 1, DM_COPIES, true},
      {"copies 1000 beyond the model's 999", DM_COPIES, &DEVMODEW::dmCopies, 1000, 1, DM_COPIES, true},
      {"copies 999", DM_COPIES, &DEVMODEW::dmCopies, 999, 999, DM_COPIES, true},
      {"duplex 4", DM_DUPLEX, &DEVMODEW::dmDuplex, 4, 1, DM_DUPLEX, true},
      {"duplex 3", DM_DUPLEX, &DEVMODEW::dmDuplex, 3, 3, DM_DUPLEX, true},
      {"TrueType option 5: default, bit unchanged", DM_TTOPTION, &DEVMODEW::dmTTOption, 5, 3, DM_TTOPTION, false},
      {"TrueType option 2", DM_TTOPTION, &DEVMODEW::dmTTOption, 2, 2, DM_TTOPTION, true},
      {"colour 3 is no colour", DM_COLOR, &DEVMODEW::dmColor, 3, 1, DM_COLOR, true},
      {"source 273 without a slot feature: the record's 7", DM_DEFAULTSOURCE, &DEVMODEW::dmDefaultSource, 273, 7,
       DM_DEFAULTSOURCE, true},
      {"source 260 without a slot feature", DM_DEFAULTSOURCE, &DEVMODEW::dmDefaultSource, 260, 260,
       DM_DEFAULTSOURCE, true},
      {"an unannounced field stays", 0, &DEVMODEW::dmCopies, 5, 1, DM_COPIES, true},
  };
  for (const Case& c : cases) {
    MergeContext m;
    m.SetPublic([](DEVMODEW& d) { d.dmFields &= ~(DM_TTOPTION | DM_SCALE); });
    Bytes in = m.Input([&](DEVMODEW& d) {
      d.dmFields = c.fields;
      d.*c.field = c.input;
    });
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    DEVMODEW w = m.Public();
    EXPECT_EQ(w.*c.field, c.expected) << c.name;
    EXPECT_EQ((w.dmFields & c.bit) != 0, c.bit_set) << c.name;
    EXPECT_EQ(w.dmYResolution, w.dmPrintQuality) << c.name;
    EXPECT_NE(w.dmFields & DM_YRESOLUTION, 0u) << c.name;
  }
}

TEST(DevmodeMergeFields, ThirtyTwoBitFieldsAndCollate) {
  MergeContext m;
  m.SetPublic([](DEVMODEW& d) { d.dmFields &= ~(DM_ICMMETHOD | DM_DITHERTYPE | DM_MEDIATYPE); });
  Bytes in = m.Input([](DEVMODEW& d) {
    d.dmFields = DM_ICMMETHOD | DM_DITHERTYPE | DM_MEDIATYPE;
    d.dmICMMethod = 5;     // 1-4 and 256
    d.dmDitherType = 10;   // 1-4, 10 and 256
    d.dmMediaType = 272;   // 1-3, 256-271, 513-516
  });
  DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
  DEVMODEW w = m.Public();
  EXPECT_EQ(w.dmICMMethod, 1u);
  EXPECT_EQ(w.dmFields & DM_ICMMETHOD, 0u);
  EXPECT_EQ(w.dmDitherType, 10u);
  EXPECT_NE(w.dmFields & DM_DITHERTYPE, 0u);
  EXPECT_EQ(w.dmMediaType, 1u);
  EXPECT_EQ(w.dmFields & DM_MEDIATYPE, 0u);  // left as it was

  // Collation: offered when sorting is selectable with the printer's options
  // (the hard disk or a listed memory size; the finisher adds shifting).
  using merge_test::kOptionFin3000;
  using merge_test::kOptionHardDisk;
  using merge_test::kOptionMemory;
  enum Options { kNone, kHardDiskAndFinisher, kHardDiskOnly, kMemoryOnly, kOtherMemory };
  struct Case {
    const char* name;
    bool announced;
    SHORT input;
    int32_t sort_on;
    Options options;
    SHORT expected;
    bool bit;
  } cases[] = {
      {"announced 1", true, 1, 0, kHardDiskAndFinisher, 1, true},
      {"announced 0 while sorting is on", true, 0, 1, kHardDiskAndFinisher, 0, true},
      {"announced 2 is no 1", true, 2, 1, kHardDiskAndFinisher, 0, true},
      {"not announced: from the sort switch", false, 0, 1, kHardDiskAndFinisher, 1, true},
      {"not announced, sort off", false, 1, 0, kHardDiskAndFinisher, 0, true},
      {"sorting without the shift finisher still counts", true, 1, 1, kHardDiskOnly, 1, true},
      {"a listed memory size makes sorting selectable", true, 1, 1, kMemoryOnly, 1, true},
      {"a memory size off the list does not", true, 1, 1, kOtherMemory, 0, false},
      {"nothing installed: only OFF, no choice", true, 1, 1, kNone, 0, false},
  };
  for (const Case& c : cases) {
    MergeContext k;
    switch (c.options) {
      case kNone: break;
      case kHardDiskAndFinisher: k.Install({{kOptionHardDisk, 1}, {kOptionFin3000, 1}}); break;
      case kHardDiskOnly: k.Install({{kOptionHardDisk, 1}}); break;
      case kMemoryOnly: k.Install({{kOptionMemory, 128}}); break;
      case kOtherMemory: k.Install({{kOptionMemory, 96}}); break;
    }
    k.Set(64, c.sort_on);
    Bytes input = k.Input([&](DEVMODEW& d) {
      d.dmFields = c.announced ? DM_COLLATE : 0;
      d.dmCollate = c.input;
    });
    DmMergePublicFields(k.ctx, k.ctx->devmode, input.data());
    EXPECT_EQ(k.Public().dmCollate, c.expected) << c.name;
    EXPECT_EQ((k.Public().dmFields & DM_COLLATE) != 0, c.bit) << c.name;
  }
  MergeContext bare(false);  // no model: no sort choice
  Bytes input = bare.Input([](DEVMODEW& d) {
    d.dmFields = DM_COLLATE;
    d.dmCollate = 1;
  });
  DmMergePublicFields(bare.ctx, bare.ctx->devmode, input.data());
  EXPECT_EQ(bare.Public().dmCollate, 0);
  EXPECT_EQ(bare.Public().dmFields & DM_COLLATE, 0u);
}

TEST(DevmodeMergeFields, Paper) {
  struct Case {
    const char* name;
    uint32_t fields;
    SHORT size, length, width, orientation;
    bool slot;  // user slot 0 holds A4 (9921 x 14031)
    SHORT want_size, want_length, want_width;
    uint32_t want_bits;  // of DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH
  } cases[] = {
      {"256 with lengths is custom, DM_PAPERSIZE ignored", DM_PAPERSIZE, 256, 2970, 2100, 1, false, 256, 2970, 2100,
       DM_PAPERLENGTH | DM_PAPERWIDTH},
      {"lengths without a code", DM_PAPERLENGTH | DM_PAPERWIDTH, 8, 1000, 800, 1, false, 8, 1000, 800,
       DM_PAPERLENGTH | DM_PAPERWIDTH},
      {"a user slot code takes the slot's size", DM_PAPERSIZE, 384, 0, 0, 1, true, 384, 2970, 2100,
       DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH},
      {"a model paper takes its dimensions", DM_PAPERSIZE, 8, 0, 0, 1, false, 8, 4200, 2970, DM_PAPERSIZE},
      {"an unknown code gives the model's default", DM_PAPERSIZE, 500, 0, 0, 1, false, 9, 0, 0, DM_PAPERSIZE},
      {"a paper without lengths", DM_PAPERLENGTH | DM_PAPERWIDTH, 8, 0, 2100, 1, false, 9, 0, 0, DM_PAPERSIZE},
      {"orientation alone refreshes the dimensions", DM_ORIENTATION, 9, 0, 0, 2, false, 9, 2100, 2970,
       DM_PAPERSIZE},
  };
  for (const Case& c : cases) {
    MergeContext m;
    if (c.slot) Slot(m.ctx, 0, 9921, 14031);
    m.SetPublic([](DEVMODEW& d) {
      d.dmPaperSize = 9;
      d.dmPaperLength = 0;
      d.dmPaperWidth = 0;
      d.dmFields = (d.dmFields | DM_PAPERSIZE) & ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
    });
    Bytes in = m.Input([&](DEVMODEW& d) {
      d.dmFields = c.fields;
      d.dmPaperSize = c.size;
      d.dmPaperLength = c.length;
      d.dmPaperWidth = c.width;
      d.dmOrientation = c.orientation;
    });
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    DEVMODEW w = m.Public();
    EXPECT_EQ(w.dmPaperSize, c.want_size) << c.name;
    EXPECT_EQ(w.dmPaperLength, c.want_length) << c.name;
    EXPECT_EQ(w.dmPaperWidth, c.want_width) << c.name;
    EXPECT_EQ(w.dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH), c.want_bits) << c.name;
  }
}

TEST(DevmodeMergeFields, FormName) {
  struct Case {
    const char* name;
    const char16_t* working;
    const char16_t* input;
    const char16_t* expected;
    bool bit;
  } cases[] = {
      {"replaces a name", u"A4", u"Letter", u"Letter", true},
      {"an empty input empties it", u"A4", u"", u"", false},
      {"an empty working name stays empty", u"", u"Letter", u"", false},
  };
  for (const Case& c : cases) {
    MergeContext m;
    m.SetPublic([&](DEVMODEW& d) {
      std::memset(d.dmFormName, 0, sizeof d.dmFormName);
      std::memcpy(d.dmFormName, c.working, std::char_traits<char16_t>::length(c.working) * 2);
    });
    Bytes in = m.Input([&](DEVMODEW& d) {
      d.dmFields = DM_FORMNAME;
      std::memset(d.dmFormName, 0, sizeof d.dmFormName);
      std::memcpy(d.dmFormName, c.input, std::char_traits<char16_t>::length(c.input) * 2);
    });
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    DEVMODEW w = m.Public();
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(w.dmFormName)), c.expected) << c.name;
    EXPECT_EQ((w.dmFields & DM_FORMNAME) != 0, c.bit) << c.name;
  }
  // A name that fills the whole field keeps its terminator inside it.
  MergeContext m;
  Bytes in = m.Input([](DEVMODEW& d) {
    d.dmFields = DM_FORMNAME;
    for (auto& ch : d.dmFormName) ch = u'x';
  });
  DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
  EXPECT_EQ(m.Public().dmFormName[31], 0);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(m.Public().dmFormName)).size(), 31u);
}

TEST(DevmodeMergeFields, PrintQualityAndTheDotLimit) {
  struct Case {
    const char* name;
    SHORT input;
    int32_t out_paper;  // vdmOutPaperSize
    SHORT expected;
  } cases[] = {
      {"a device-independent code gives the model default", -4, 9, 600},
      {"300 is taken", 300, 9, 300},
      {"1200 has no resolution option: the default of vdmDstResolutionW", 1200, 9, 600},
      {"2400 is no print quality of the model", 2400, 9, 600},
      {"an output paper beyond the dot limit at 300 dpi", 300, 384, 600},
  };
  for (const Case& c : cases) {
    MergeContext m;
    Slot(m.ctx, 0, 20000, 130000);  // 108 inches long: 32500 dots at 300 dpi
    m.Set(50, c.out_paper);
    Bytes in = m.Input([&](DEVMODEW& d) {
      d.dmFields = DM_PRINTQUALITY;
      d.dmPrintQuality = c.input;
    });
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    EXPECT_EQ(m.Public().dmPrintQuality, c.expected) << c.name;
    EXPECT_EQ(m.Public().dmYResolution, c.expected) << c.name;
    EXPECT_NE(m.Public().dmFields & DM_PRINTQUALITY, 0u) << c.name;
  }
  // A settings-file merge does not apply the dot limit.
  MergeContext m;
  Slot(m.ctx, 0, 20000, 130000);
  m.Set(50, 384);
  m.ctx->work->mergeMode = kMergeSettingsFile;
  Bytes in = m.Input([](DEVMODEW& d) {
    d.dmFields = DM_PRINTQUALITY;
    d.dmPrintQuality = 300;
  });
  DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
  EXPECT_EQ(m.Public().dmPrintQuality, 300);
}

TEST(DevmodeMergeFields, NumericResolutionGoesThroughTheResolutionTable) {
  // A model whose vdmDstResolutionW is numeric and that has no print-quality
  // feature: 400 is no built-in quality, so the numeric default stands.
  std::string text = "*FileVersion: 1.00\n"
                     "*OpenUI *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: Numeric\n"
                     "*NumericValue: \"4 600 300 1200 1 0 1 1\"\n"
                     "*CloseUI: *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION\n";
  ctx_test::ModelContext m(text);
  merge_test::BuildDefaults(m.ctx);
  Bytes in(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);
  DEVMODEW d;
  std::memcpy(&d, in.data(), sizeof d);
  d.dmFields = DM_PRINTQUALITY;
  for (SHORT q : {SHORT(400), SHORT(1200), SHORT(300)}) {
    d.dmPrintQuality = q;
    std::memcpy(in.data(), &d, sizeof d);
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    DEVMODEW w;
    std::memcpy(&w, m.ctx->devmode, sizeof w);
    EXPECT_EQ(w.dmPrintQuality, q == 400 ? 600 : q) << q;
  }
}

// The duplex families of vdmDuplexType under dmDuplex and the orientation,
// and back to dmDuplex.
TEST(DevmodeMergeFields, DuplexTableBothOrientationsAndRoundTrip) {
  struct Case {
    SHORT duplex;
    SHORT orientation;
    int32_t on;      // vdmFuncSelectDuplex before
    int32_t type;    // vdmDuplexType before
    int32_t want_on;
    int32_t want_type;
  } cases[] = {
      // dmDuplex 2 in landscape / 3 in portrait: the family {1, 17, 20}.
      {3, 1, 1, 18, 1, 17}, {3, 1, 1, 19, 1, 17}, {3, 1, 1, 21, 1, 20}, {3, 1, 1, 22, 1, 20},
      {3, 1, 1, 17, 1, 17}, {3, 1, 1, 20, 1, 20}, {3, 1, 1, 1, 1, 1},   {3, 1, 1, 3, 1, 1},
      {2, 2, 1, 19, 1, 17}, {2, 2, 1, 2, 1, 1},
      // dmDuplex 2 in portrait / 3 in landscape: the family {2, 3, 18, 19, 21, 22}.
      {2, 1, 1, 17, 1, 19}, {2, 1, 1, 20, 1, 22}, {2, 1, 1, 1, 1, 3},   {2, 1, 1, 2, 1, 2},
      {2, 1, 1, 21, 1, 21}, {3, 2, 1, 17, 1, 19}, {3, 2, 1, 1, 1, 3},   {3, 2, 1, 18, 1, 18},
      // Duplex off is turned on.
      {3, 1, 0, 0, 1, 1},   {2, 2, 0, 0, 1, 1},   {2, 1, 0, 0, 1, 3},   {3, 2, 0, 0, 1, 3},
      // dmDuplex 1 turns it off.
      {1, 1, 1, 3, 0, 3},
  };
  for (const Case& c : cases) {
    std::string name = "dmDuplex " + std::to_string(c.duplex) + " orientation " + std::to_string(c.orientation) +
                       " type " + std::to_string(c.type) + (c.on ? " on" : " off");
    MergeContext m(false);
    m.SetPublic([&](DEVMODEW& d) {
      d.dmDuplex = c.duplex;
      d.dmOrientation = c.orientation;
      d.dmFields |= DM_DUPLEX;
    });
    m.Set(61, c.on);
    m.Set(102, c.type);
    Bytes in = m.Input([](DEVMODEW& d) { d.dmFields = DM_DUPLEX; });
    DmPublicToPrivate(m.ctx, in.data());
    EXPECT_EQ(m.Get(61), c.want_on) << name;
    EXPECT_EQ(m.Get(102), c.want_type) << name;
    // Round trip: the private settings give the same dmDuplex back.
    m.SetPublic([](DEVMODEW& d) { d.dmDuplex = 0; });
    DmDuplexToPublic(m.ctx->devmode, m.ctx);
    EXPECT_EQ(m.Public().dmDuplex, c.duplex) << name;
  }
  // A custom function keeps dmDuplex 1 from switching duplex off, and keeps
  // an odd dmDuplex while duplex is on.
  MergeContext m(false);
  m.Set(916, 1);
  m.Set(61, 1);
  m.SetPublic([](DEVMODEW& d) { d.dmDuplex = 1; d.dmFields |= DM_DUPLEX; });
  Bytes in = m.Input([](DEVMODEW& d) { d.dmFields = DM_DUPLEX; });
  DmPublicToPrivate(m.ctx, in.data());
  EXPECT_EQ(m.Get(61), 1);
  DmDuplexToPublic(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Public().dmDuplex, 1);
  m.Set(916, 0);
  m.Set(102, 0);
  DmDuplexToPublic(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Public().dmDuplex, 1);  // type 0: simplex
}

TEST(DevmodeMergeFields, GeometryOfA4At600Dpi) {
  MergeContext m;
  m.Set(42, 600);
  struct Case {
    const char* name;
    SHORT orientation;
    std::vector<int32_t> source;  // 44-49
  } cases[] = {
      {"portrait", 1, {7016, 4961, 6816, 4761, 100, 100}},
      {"landscape", 2, {4961, 7016, 4761, 6816, 100, 100}},
  };
  for (const Case& c : cases) {
    m.SetPublic([&](DEVMODEW& d) { d.dmOrientation = c.orientation; });
    DmSetPaper(9, 8, m.ctx, m.ctx->devmode);
    EXPECT_EQ(m.Geometry(44), c.source) << c.name;
    EXPECT_NE(m.Public().dmFields & DM_PAPERSIZE, 0u) << c.name;
    DmSetOutputPaper(9, 50, m.ctx, m.ctx->devmode);
    EXPECT_EQ(m.Geometry(51), c.source) << c.name;
  }
  // 300 dpi has its own area; a code the model does not know changes nothing.
  m.SetPublic([](DEVMODEW& d) { d.dmOrientation = 1; });
  m.Set(42, 300);
  DmSetPaper(9, 8, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{3508, 2480, 3408, 2380, 50, 50}));
  DmSetPaper(11, 8, m.ctx, m.ctx->devmode);  // A5: not in the model
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{3508, 2480, 3408, 2380, 50, 50}));
}

TEST(DevmodeMergeFields, UserSlotAndCustomGeometry) {
  MergeContext m;
  m.Set(42, 600);
  m.Set(43, 600);
  Slot(m.ctx, 0, 9921, 14031);  // A4 in 1/1200 inch; the CUSTOM1 area: left 96, top 80
  m.SetPublic([](DEVMODEW& d) { d.dmPaperSize = 384; });
  DmSetPaper(384, 8, m.ctx, m.ctx->devmode);
  // Source: printable = size - one margin.
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{7015, 4960, 7015 - 80, 4960 - 96, 96, 80}));
  EXPECT_EQ(m.Public().dmPaperLength, 2970);
  EXPECT_EQ(m.Public().dmPaperWidth, 2100);
  EXPECT_EQ(m.Public().dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH),
            DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
  // Output as a slot of its own: printable = size - both margins.
  DmSetOutputPaper(384, 50, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Geometry(51), (std::vector<int32_t>{7015, 4960, 7015 - 160, 4960 - 192, 96, 80}));
  // Output 1024 with a slot source copies the source items unchanged.
  DmSetOutputPaper(1024, 50, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Geometry(51), m.Geometry(44));
  // Oriented in landscape: width and length swap.
  m.SetPublic([](DEVMODEW& d) { d.dmOrientation = 2; });
  DmSetPaperOriented(384, 8, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Get(44), 4960);
  EXPECT_EQ(m.Get(45), 7015);
  // With a model paper as source, 1024 is a paper of its own: nothing changes.
  m.SetPublic([](DEVMODEW& d) { d.dmPaperSize = 9; d.dmOrientation = 1; });
  DmSetOutputPaper(9, 50, m.ctx, m.ctx->devmode);
  std::vector<int32_t> before = m.Geometry(51);
  DmSetOutputPaper(1024, 50, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Geometry(51), before);

  // A custom size in 0.1 mm at the print quality, with the CUSTOM10 area.
  m.SetPublic([](DEVMODEW& d) {
    d.dmPaperSize = 256;
    d.dmPaperLength = 2970;
    d.dmPaperWidth = 2100;
    d.dmPrintQuality = 600;
  });
  DmSetCustomPaper(m.ctx->devmode, m.ctx);
  const int32_t l = int32_t(UnitUserToDevice(kUnitMm10, 2970, 600)), w = int32_t(UnitUserToDevice(kUnitMm10, 2100, 600));
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{l, w, l - 30, w - 40, 40, 30}));
  EXPECT_NEAR(l, 7016, 2);
  // A slot beyond the custom-size limits is brought into them.
  Slot(m.ctx, 1, 10, 10);
  DmSetPaper(385, 8, m.ctx, m.ctx->devmode);
  EXPECT_GE(m.Get(45), int32_t(UnitRescale(CtxGetBuiltinModelInfo().customWidthMin, 1200, 600)) - 1);
}

TEST(DevmodeMergeFields, ResolutionBothWays) {
  MergeContext m;
  m.SetPublic([](DEVMODEW& d) { d.dmPrintQuality = 300; });
  DmResolutionToPrivate(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Get(42), 300);
  EXPECT_EQ(m.Get(43), 300);
  EXPECT_EQ(m.Public().dmYResolution, 300);
  EXPECT_EQ(m.Get(187), 17);  // balance macro for 300/400/600
  m.SetPublic([](DEVMODEW& d) { d.dmPrintQuality = 1200; });
  DmResolutionToPrivate(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Get(187), 18);
  m.Set(185, 1);  // a user macro keeps its balance
  DmFixBalanceMacro(600, m.ctx);
  EXPECT_EQ(m.Get(187), 18);
  m.Set(42, 600);
  DmResolutionToPublic(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Public().dmPrintQuality, 600);
  EXPECT_EQ(m.Public().dmYResolution, 600);
  EXPECT_EQ(m.Get(43), 600);
  // No resolution at all: the model record's resolution, never 0 dpi.
  m.Set(42, 0);
  DmResolutionToPublic(m.ctx->devmode, m.ctx);
  EXPECT_EQ(m.Public().dmPrintQuality, 600);
  EXPECT_EQ(m.Get(42), 600);
}

TEST(DevmodeMergeFields, DerivedItemsAndDefaultCommandText) {
  MergeContext m;
  auto other = [&] {
    return std::string(reinterpret_cast<const char*>(OptGetValueAddr(m.ctx, OptFindSetting(m.ctx, 10274))));
  };
  EXPECT_EQ(other(), "0000010207d00a");
  m.Set(380, 1);
  DmRefreshDerivedItems(m.ctx->devmode, m.ctx, 2);  // mode 2 leaves the text
  EXPECT_EQ(other(), "0000010207d00a");
  DmRefreshDerivedItems(m.ctx->devmode, m.ctx, 3);
  EXPECT_EQ(other(), "0001010207d00a");
  m.Set(880, 1);
  m.Set(378, 515);
  m.Set(61, 1);
  m.Set(102, 3);
  DmPrivateToPublic(m.ctx->devmode, m.ctx, 2);
  EXPECT_EQ(m.Get(880), 0);
  EXPECT_EQ(m.Public().dmMediaType, 515u);
  EXPECT_EQ(m.Public().dmDuplex, 2);
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{7016, 4961, 6816, 4761, 100, 100}));
}

// Checks of a value against the model: the answers of the extended check,
// the N-up kind repair, the preset rule and the scale clamp.
TEST(DevmodeMergeFields, ExtendedValidation) {
  MergeContext m;
  SettingRecord* color = OptFindSetting(m.ctx, 15);
  struct Case {
    const char* name;
    uint32_t id;
    int32_t value;
    int32_t centered;
    int32_t want;
  } cases[] = {
      {"colour allowed", 15, 2, 0, kValueAllowed},
      {"colour hidden by the rules", 15, 2, 1, kValueHidden},
      {"mono disabled by the rules", 15, 1, 1, kValueDisabled},
      {"colour 3 is in no list", 15, 3, 0, kValueRejected},
      {"copies in range", 12, 999, 0, kValueAllowed},
      {"copies out of range", 12, 1000, 0, kValueRejected},
      {"a Boolean takes 0 and 1", 91, 2, 0, kValueRejected},
  };
  for (const Case& c : cases) {
    m.Set(91, c.centered);
    EXPECT_EQ(OptValidateValueEx(OptFindSetting(m.ctx, c.id), c.id, c.value, m.ctx), c.want) << c.name;
  }
  // The duplex type counts as hidden only while duplex is live and on.
  m.Set(91, 1);
  for (int32_t on : {0, 1}) {
    m.Set(61, on);
    EXPECT_EQ(OptValidateValueEx(OptFindSetting(m.ctx, 102), 102, 3, m.ctx), on ? kValueHidden : kValueAllowed);
  }
  m.Set(91, 0);
  // DmCheckValueWithFixup: a hidden colour is repaired, a disabled one stays.
  m.Set(91, 1);
  m.Set(15, 1);
  EXPECT_EQ(DmCheckValueWithFixup(15, 1, m.ctx), kCheckAccepted);
  EXPECT_EQ(m.Get(15), 1);
  m.Set(15, 2);
  EXPECT_EQ(DmCheckValueWithFixup(15, 2, m.ctx), kCheckAccepted);
  EXPECT_EQ(m.Get(15), 1);  // the model default IDS_MONO
  m.Set(91, 0);
  (void)color;

  // Orientation 2 is accepted while the rules hide landscape: the list has it.
  m.Set(91, 1);
  EXPECT_EQ(DmCheckOrientation(2, m.ctx), 1);
  EXPECT_EQ(DmCheckOrientation(3, m.ctx), 0);
  EXPECT_EQ(OptValidateValue(OptFindSetting(m.ctx, 7), 7, 2, m.ctx), 0);
  m.Set(91, 0);

  // The preset rule: 120 stays (preset 1); 200 becomes option 0.
  m.Set(41, 120);
  DmCheckValueWithFixup(41, 120, m.ctx);
  EXPECT_EQ(m.Get(41), 120);
  m.Set(41, 200);
  DmCheckValueWithFixup(41, m.Get(41), m.ctx);
  EXPECT_EQ(m.Get(41), 0);

  // vdmScaleH 500 in 25-400: 400 after a settings request block, else the default.
  m.Set(92, 500);
  DmCheckValueWithFixup(92, 500, m.ctx);
  EXPECT_EQ(m.Get(92), 100);
  m.ctx->work->mergeMode = kMergeRequestApplied;
  m.Set(92, 500);
  DmCheckValueWithFixup(92, 500, m.ctx);
  EXPECT_EQ(m.Get(92), 400);
  m.Set(92, 10);
  DmCheckValueWithFixup(92, 10, m.ctx);
  EXPECT_EQ(m.Get(92), 25);

  // Model checks without a key or without a model item.
  EXPECT_EQ(DmCheckValueByModel(16, 2, m.ctx), kCheckNoKey);  // dmDuplex has no key
  EXPECT_EQ(DmCheckValueByModel(13, 7, m.ctx), kCheckNoItem);  // no input-slot feature
  EXPECT_EQ(DmCheckPaperSize(9, m.ctx), 1);
  MergeContext bare(false);
  EXPECT_EQ(DmCheckPaperSize(9, bare.ctx), 0);  // no paper feature: nothing is a paper
}

TEST(DevmodeMergeFields, NupKindFollowsTheType) {
  struct Case {
    const char* name;
    int32_t nup_on, kind, type, centered;
    SHORT orientation;
    int32_t want_kind, want_type;
  } cases[] = {
      {"a 4-up type moves the kind to 2", 1, 1, 33, 0, 1, 2, 33},
      {"a 2-up type moves the kind to 1 and the type to 1", 1, 2, 2, 0, 1, 1, 1},
      {"in landscape the single type is 3", 1, 2, 2, 0, 2, 1, 3},
      {"same kind: nothing changes", 1, 1, 2, 0, 1, 1, 2},
      {"same kind 1 with a hidden type: type 1", 1, 1, 2, 1, 1, 1, 1},
      {"poster type: kind 9", 1, 1, 32769, 0, 1, 9, 32769},
      {"N-up off: nothing changes", 0, 1, 33, 0, 1, 1, 33},
      {"a kind of no family: nothing changes", 1, 5, 33, 0, 1, 5, 33},
  };
  for (const Case& c : cases) {
    MergeContext m;
    m.SetPublic([&](DEVMODEW& d) { d.dmOrientation = c.orientation; });
    m.Set(59, c.nup_on);
    m.Set(94, c.kind);
    m.Set(95, c.type);
    m.Set(91, c.centered);
    int32_t answer = OptValidateValueEx(OptFindSetting(m.ctx, 95), 95, c.type, m.ctx);
    EXPECT_EQ(m.Get(94), c.want_kind) << c.name;
    EXPECT_EQ(m.Get(95), c.want_type) << c.name;
    EXPECT_EQ(answer, kValueAllowed) << c.name;
  }
  struct Kind {
    int32_t type, kind;
  } kinds[] = {{0, 0}, {1, 1}, {3, 1}, {4, 0}, {33, 2}, {35, 0}, {38, 2}, {65, 3}, {70, 3}, {97, 4},
               {102, 4}, {103, 0}, {32768, 0}, {32769, 9}, {32771, 9}, {32772, 0}};
  for (const Kind& k : kinds) {
    int32_t out = -1;
    EXPECT_EQ(OptNupKindOfType(k.type, &out), k.kind) << k.type;
    EXPECT_EQ(out, k.kind) << k.type;
  }
}

TEST(DevmodeMergeFields, ValueSetsAtTheirBoundaries) {
  struct Case {
    const char* name;
    int32_t (*test)(int32_t);
    std::vector<int32_t> yes, no;
  } cases[] = {
      {"source", DmIsKnownDefaultSource, {1, 15, 256, 260, 272, 281, 285}, {0, 16, 255, 273, 280, 286}},
      {"print quality", DmIsKnownPrintQuality, {300, 600, 1200, 2400}, {0, 400, -1}},
      {"duplex", DmIsKnownDuplex, {1, 3}, {0, 4}},
      {"TrueType", DmIsKnownTTOption, {1, 4}, {0, 5}},
      {"ICM method", DmIsKnownICMMethod, {1, 4, 256}, {0, 5, 255, 257}},
      {"ICM intent", DmIsKnownICMIntent, {1, 2, 256}, {0, 3, 255}},
      {"media", DmIsKnownMediaType, {1, 3, 256, 271, 513, 516}, {0, 4, 255, 272, 512, 517}},
      {"dither", DmIsKnownDitherType, {1, 4, 10, 256}, {0, 5, 9, 11, 255}},
      {"one or two", DmIsOneOrTwo, {1, 2}, {0, 3}},
      {"device-independent quality codes", DmIsPrintQualityCode, {-4, -1}, {-5, 0}},
      {"paper codes", DmIsKnownPaperCode, {1, 118, 256, 513, 514, 517}, {0, 119, 255, 384, 515, 516}},
      {"user sizes", DmIsFreeSizeCode, {256, 384, 392}, {255, 383, 393}},
      {"paper or user size", DmIsKnownPaperOrFreeSize, {1, 118, 256, 392, 517}, {0, 119, 393}},
      {"same as source", DmIsOutPaperSameAsSource, {1024}, {1023, 0}},
  };
  for (const Case& c : cases) {
    for (int32_t v : c.yes) EXPECT_EQ(c.test(v), 1) << c.name << " " << v;
    for (int32_t v : c.no) EXPECT_EQ(c.test(v), 0) << c.name << " " << v;
  }
  MergeContext m(false);  // no model: every validator falls back on its set
  EXPECT_EQ(DmCheckDefaultSource(260, m.ctx), 1);
  EXPECT_EQ(DmCheckDefaultSource(273, m.ctx), 0);
  EXPECT_EQ(DmCheckMediaType(271, m.ctx), 1);
  EXPECT_EQ(DmCheckMediaType(272, m.ctx), 0);
  EXPECT_EQ(DmCheckDitherType(10, m.ctx), 1);
  EXPECT_EQ(DmCheckDitherType(11, m.ctx), 0);
  EXPECT_EQ(DmCheckPaperSize(9, m.ctx), 0);
  EXPECT_EQ(DmCheckPrintQuality(1200, m.ctx), 1);
  EXPECT_EQ(DmCheckICMIntent(256, m.ctx), 1);
  EXPECT_EQ(DmAlwaysValid(-7), 1);
  // User slot codes and the slots of dmPaperSize and vdmOutPaperSize.
  EXPECT_EQ(DmIsFreeSizeSlotCode(m.ctx, 0), 0);
  EXPECT_EQ(DmIsFreeSizeSlotCode(m.ctx, 384), 1);
  EXPECT_EQ(DmIsFreeSizeSlotCode(m.ctx, 256), 1);
  EXPECT_EQ(DmIsFreeSizeSlotCode(m.ctx, 393), 0);
  m.SetPublic([](DEVMODEW& d) { d.dmPaperSize = 386; });
  m.Set(50, 256);
  EXPECT_EQ(FreeSizeGetPaperSlot(m.ctx), 2);
  EXPECT_EQ(FreeSizeGetOutPaperSlot(m.ctx), 9);
  m.Set(50, 9);
  EXPECT_EQ(FreeSizeGetOutPaperSlot(m.ctx), -1);
}

TEST(DevmodeMergeFields, StampAndTransacts) {
  MergeContext m;
  EXPECT_EQ(OptGetWaterMarkId(m.ctx), -1);
  m.Set(63, 1);
  m.Set(120, 7);
  EXPECT_EQ(OptGetWaterMarkId(m.ctx), 7);
  DmApplyStamp(m.ctx);  // no stamp list yet: nothing is loaded, nothing breaks
  EXPECT_EQ(OptGetUserMacroIndex(m.ctx), -1);
  m.Set(185, 1);
  m.Set(188, 37);  // quality set 37 is option 140 of its list
  EXPECT_EQ(OptGetOptionById(m.ctx, 188), 140);
  EXPECT_EQ(OptGetUserMacroIndex(m.ctx), 5);
  RuleApplyAllTransacts(m.ctx);  // the fixture has no Transact lists: values stay
  EXPECT_EQ(m.Get(120), 7);
}

}  // namespace

namespace {
TEST(DevmodeMergeFields, DefaultsCarryTheGeometry) {
  MergeContext m;
  EXPECT_EQ(m.Geometry(44), (std::vector<int32_t>{7016, 4961, 6816, 4761, 100, 100}));
  EXPECT_EQ(m.Public().dmPaperLength, 2970);
}
}  // namespace

namespace {
// The whole merge of an application's DEVMODE: fields, private settings
// derived from them and validated, and (with a prompt) the public fields
// filled back from the private settings.
TEST(DevmodeMergeFields, WholeMerge) {
  MergeContext m;
  m.Set(214, 4);  // an out-of-range private value the validation repairs
  Bytes in = m.Input([](DEVMODEW& d) {
    d.dmFields = DM_DUPLEX | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE | DM_COPIES;
    d.dmDuplex = 2;  // portrait: the short-edge family
    d.dmPaperSize = 256;
    d.dmPaperLength = 2970;
    d.dmPaperWidth = 2100;
    d.dmScale = 0;
    d.dmCopies = 0;
  });
  ASSERT_EQ(DmMergeInput(m.ctx, in.data(), in.size(), DM_IN_BUFFER), 1);
  DEVMODEW w = m.Public();
  EXPECT_EQ(w.dmScale, 100);
  EXPECT_EQ(w.dmCopies, 1);
  EXPECT_EQ(w.dmFields & DM_SCALE, 0u);
  EXPECT_EQ(m.Get(61), 1);
  EXPECT_EQ(m.Get(102), 3);
  EXPECT_EQ(w.dmPaperSize, 256);
  EXPECT_EQ(w.dmPaperLength, 2970);
  EXPECT_EQ(w.dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH), DM_PAPERLENGTH | DM_PAPERWIDTH);
  EXPECT_EQ(m.Get(214), 300);
  // The custom size in dots with the CUSTOM10 margins.
  const int32_t l = int32_t(UnitUserToDevice(kUnitMm10, 2970, 600));
  EXPECT_EQ(m.Get(44), l);
  EXPECT_EQ(m.Get(46), l - 30);

  // With a prompt the public fields come back from the private settings.
  Bytes a3 = m.Input([](DEVMODEW& d) {
    d.dmFields = DM_DUPLEX | DM_PAPERSIZE | DM_ORIENTATION;
    d.dmDuplex = 3;  // landscape: the short-edge family again
    d.dmOrientation = 2;
    d.dmPaperSize = 8;
  });
  m.Set(102, 1);
  ASSERT_EQ(DmMergeInput(m.ctx, a3.data(), a3.size(), DM_IN_BUFFER | DM_IN_PROMPT), 1);
  w = m.Public();
  EXPECT_EQ(m.Get(102), 3);
  EXPECT_EQ(w.dmDuplex, 3);
  EXPECT_EQ(w.dmPaperSize, 8);
  EXPECT_EQ(w.dmPaperLength, 2970);  // A3 in landscape
  EXPECT_EQ(w.dmPaperWidth, 4200);
}
}  // namespace
