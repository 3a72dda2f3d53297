#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/rule_computed.h"
#include "velm/model_query.h"

namespace {

using ctx_test::ModelMachine;
using Bytes = std::vector<uint8_t>;

Bytes U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

uint16_t Word(const uint8_t* d, size_t at) { return uint16_t(d[at] | d[at + 1] << 8); }

class DevmodeDefaults : public ModelMachine {
 protected:
  // A printer of the driver whose stored DEVMODE holds the bytes.
  HANDLE PrinterWithDevmode(const std::u16string& name, const Bytes& devmode) {
    plat::SpoolPrinter p;
    p.name = name;
    p.driverName = u"VELM Driver";
    p.devmode = devmode;
    std::string why;
    EXPECT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
    return Open(name);
  }
  // The 1260 bytes a fresh context of kind 3 builds from the model alone.
  Bytes FreshDefault() {
    DriverContext* c = OpenKind(3);
    EXPECT_NE(c, nullptr);
    if (!c) return Bytes(dm::kTotalSize, 0);
    Bytes d(c->devmode, c->devmode + dm::kTotalSize);
    CtxCloseAs(c, kCloseDestroy);
    return d;
  }
};

TEST_F(DevmodeDefaults, GoldenDevmodeOfTheSmallModel) {
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  struct Field {
    uint32_t at;
    Bytes bytes;
    const char* what;
  } golden[] = {
      {64, Cat({U16(0x0401), U16(0x0400), U16(220), U16(1040), U32(0x7F03)}), "versions, sizes, dmFields"},
      {76, Cat({U16(1), U16(9)}), "dmOrientation; dmPaperSize from the model's A4"},
      {84, Cat({U16(100), U16(1), U16(1), U16(600), U16(1), U16(1), U16(600), U16(3)}),
       "dmScale; dmCopies (model 1); dmDefaultSource (model TRAY1); quality; dmColor (model MONO); duplex; "
       "y resolution; TrueType"},
      {102, Cat({U16('A'), U16('4')}), "dmFormName"},
      {188, Cat({U32(1), U32(1), U32(1), U32(1)}), "ICM method and intent, media, dither"},
      {220, Text("VELM"), "signature (and vdmJobLinker 0)"},
      {228, Text("velmlist.ini"), "vdmIniFileName"},
      {244, Text("01.00"), "vdmiCDCVerStr"},
      {260, Text("01.00"), "vdmiVPJLVerStr"},
      {276, Cat({Text("VCOMMON"), {0, 5}}), "marker and its version"},
      {349, Cat({Text("priv"), U32(1040), U32(0x00030003), U16(0), U16(1260), U16(1768)}),
       "model tag, private size, version, region offsets"},
      {372, {134}, "vdmMachineID"},
      {376, Cat({U16(600), U16(600)}), "vdmDstResolutionW/H: no resolution feature, the model record's 600"},
      {451, {2, 3}, "validated: vdmNUPLineType, vdmNUPLineForm"},
      {454, U16(32769), "validated: vdmPosterFaceType (vdmPosterStickTab 0 dots at no resolution yet)"},
      {530, Cat({U16(7), U16(9), U16(1)}), "validated: separator sheet tray, paper, media"},
      {544, Cat({U16(9), U16(1)}), "validated: vdmMPPaperSize, vdmMPMediaType"},
      {552, Cat({U16(9), U16(1)}), "validated: cover paper and media"},
      {558, Cat({U16(7), U16(9), U16(1)}), "validated: back cover tray, paper, media"},
      {566, {1, 1}, "validated: vdmICMIntent, vdmColorMatchingMode"},
      {570, Cat({U16(257), {3}}), "validated: vdmColorDitherType, vdmColorTone"},
      {579, {128, 0x0F, 3}, "validated: vdmColorDensity, the four CMYK plane bits, vdmMonoTone"},
      {586, {128}, "validated: vdmMonoDensity"},
      {602, {1}, "validated: vdmSmoothing"},
      {612, U16(300), "validated: vdmTimeOut"},
      {752, {8}, "validated: vdmActionStoredPrn"},
      {824, U16(16), "validated: vdmVELMVer"},
      {1141, Text("0000010207d00a"), "mirror of vdmOther: the default command text"},
      {374, {0x89}, "vdmPresetNo: the model has no preset feature, 0 - 119"},
      {436, {0x08}, "vdmFuncSelectDuplex: the model's Boolean default True"},
      // The printer's font tables, written from the model at this first load,
      // mirrored: counts (2 substitution pairs, 3 device fonts, 1 option font)
      // and the 32-bit handles of their blocks in the context's table.
      {904, Cat({U32(2), U32(3), U32(3), U32(1), U32(1), U32(2)}), "font tables: counts and handles"},
      {587, {1, 1}, "vdmLanguageID, vdmDspLanguageID from the help file VELMus.hlp"},
      {599, {3}, "vdmTTFont: the model's IDC_USER_TTF_RADIO_TABLE"},
      {1241, {1, 2, 1}, "user default, Windows 2000 or later, batch install done"},
      {1256, {1}, "administrator"},
  };
  Bytes expected(dm::kTotalSize, 0);  // every other byte is 0
  for (const Field& f : golden) std::memcpy(expected.data() + f.at, f.bytes.data(), f.bytes.size());
  for (uint32_t i = 0; i < dm::kTotalSize; ++i) {
    if (c->devmode[i] == expected[i]) continue;
    const char* what = "a byte that should be 0";
    for (const Field& f : golden)
      if (i >= f.at && i < f.at + f.bytes.size()) what = f.what;
    ADD_FAILURE() << "byte " << i << " is " << int(c->devmode[i]) << ", not " << int(expected[i]) << ": " << what;
  }
  EXPECT_EQ(DmIsCompatible(c->devmode), 1);
  char16_t version[16];
  OptGetText(c, OptFindSetting(c, 905), version);
  EXPECT_EQ(std::u16string(version), u"3.62");
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, CreateDefaultPerKindAndStoredDevmode) {
  UseModel("data/models/small.mdf");
  Bytes fits = FreshDefault();
  fits[86] = 7;    // dmCopies
  fits[599] = 2;   // vdmTTFont
  Bytes old_driver = fits;
  old_driver[66] = 0x00;
  old_driver[67] = 0x03;  // dmDriverVersion 0x0300
  Bytes foreign = fits;
  std::memcpy(foreign.data() + 349, "xxxx", 4);
  std::memcpy(foreign.data(), u"Foreign", 14);  // dmDeviceName
  Bytes other_size = fits;
  other_size[70] = 0x18;  // dmDriverExtra 1048
  Bytes short_block(fits.begin(), fits.begin() + 600);  // declares 1260 bytes, holds 600
  struct Case {
    const char16_t* printer;
    const Bytes* stored;
    bool taken[4];  // by kinds 0-3
  } cases[] = {
      {u"No DEVMODE", nullptr, {false, false, false, false}},
      {u"Fitting", &fits, {true, true, true, true}},
      {u"Older driver version", &old_driver, {true, true, true, false}},
      {u"Foreign model", &foreign, {false, false, false, false}},
      {u"Other private size", &other_size, {false, false, false, false}},
      {u"Declares more than it holds", &short_block, {false, false, false, false}},
  };
  for (const Case& c : cases) {
    HANDLE h = PrinterWithDevmode(c.printer, c.stored ? *c.stored : Bytes());
    for (uint16_t kind = 0; kind <= 3; ++kind) {
      std::string name = env_test::U8(c.printer) + ", kind " + std::to_string(kind);
      DriverContext* ctx = OpenKind(uint16_t(0x300 | kind), h);  // never from the cache
      ASSERT_NE(ctx, nullptr) << name;
      const uint8_t* d = ctx->devmode;
      EXPECT_EQ(Word(d, 86), c.taken[kind] ? 7 : 1) << name;
      EXPECT_EQ(d[599], c.taken[kind] ? 2 : 3) << name;
      EXPECT_EQ(d[0], 0) << name << ": nothing of a refused DEVMODE stays";
      EXPECT_EQ(Word(d, 68), 220) << name;
      EXPECT_EQ(DmIsCompatible(d), 1) << name;
      char16_t version[16];
      OptGetText(ctx, OptFindSetting(ctx, 905), version);
      EXPECT_EQ(std::u16string(version), u"3.62") << name << ": the work items are the model's";
      CtxCloseAs(ctx, kCloseDestroy);
    }
  }
}

TEST_F(DevmodeDefaults, CreateDefaultLeavesTheContextsDevmodeAndFailsWithoutMemory) {
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  uint8_t* working = c->devmode;
  uint8_t* built = DmCreateDefault(c, 0);
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(c->devmode, working);
  c->devmode = built;  // the open copies the device configuration after building
  DmCopyDeviceConfig(c);
  c->devmode = working;
  // The same defaults, but for the stored font tables the open loaded (their
  // mirrored counts and handles, bytes 904-927).
  EXPECT_EQ(std::memcmp(built, working, 904), 0);
  EXPECT_EQ(std::memcmp(built + 928, working + 928, dm::kTotalSize - 928), 0);
  MemFree(built);
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(DmCreateDefault(c, 0), nullptr);
  plat::ClearFaults();
  EXPECT_EQ(DmCreateDefault(CtxGetTemplate(), 0), nullptr);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, ItemDefaultsOfTheReferenceModel) {
  UseModel("../models/reference.mdf");
  DriverContext* c = OpenKind(3);
  ASSERT_NE(c, nullptr);
  // vdmPresetNo: the default option IDS_PRESET_KEY1 (119) is preset 0.
  EXPECT_EQ(MdfGetItemDefault(c, 41), 119);
  EXPECT_EQ(OptGetValueById(c, 41), 0);
  // Every described setting holds the model's default; the font tables and
  // their counts are left to the store.
  OptSetValueById(c, 10006, 3);
  OptSetValueById(c, 8, 1);
  DmApplyItemDefaults(c);
  EXPECT_EQ(OptGetValueById(c, 10006), 3);
  EXPECT_EQ(OptGetOptionById(c, 8), MdfGetItemDefault(c, 8));
  int checked = 0;
  for (int i = 0; i < c->settings->count; ++i) {
    SettingRecord* row = &c->settings->rows[i];
    uint32_t type = DescType(row->descriptor);
    // (A bit setting keeps only whether its default is non-zero.)
    if (row->id == 41 || (row->id >= 10004 && row->id <= 10009) || !IsIntegerType(type) ||
        (IsBitType(type) && !row->optionList) || !OptGetValueAddr(c, row) || !MdfFindItem(c, row->id))
      continue;
    EXPECT_EQ(OptGetOption(c, row), MdfGetItemDefault(c, row->id)) << row->id;
    ++checked;
  }
  EXPECT_GT(checked, 50);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, TrayOrientationDefaultsToPortrait) {
  // The trays' orientation bits: 0 portrait, 1 landscape. The model's
  // portrait default stores 0, each option its own value, and the computed
  // items that ask whether the tray holds the paper upright read so.
  UseModel("../models/reference.mdf");
  DriverContext* c = OpenKind(3);
  ASSERT_NE(c, nullptr);
  constexpr uint32_t kPortrait = 2173, kLandscape = 2175;
  for (uint32_t id : {10143u, 10144u, 10145u, 10146u, 10168u, 10170u}) {
    SettingRecord* row = OptFindSetting(c, id);
    ASSERT_NE(row, nullptr) << id;
    EXPECT_EQ(OptGetValue(c, row), 0) << id;
    EXPECT_EQ(OptGetOption(c, row), int32_t(kPortrait)) << id;
    OptSetOption(c, row, kLandscape);
    EXPECT_EQ(OptGetValue(c, row), 1) << id;
    EXPECT_EQ(OptGetOption(c, row), int32_t(kLandscape)) << id;
    OptSetOption(c, row, kPortrait);
    EXPECT_EQ(OptGetValue(c, row), 0) << id;
  }
  // A finisher of group A, tray 1 holding A4, A4 out of it.
  OptSetValueById(c, 10058, 1);
  OptSetValueById(c, 13, 1);
  OptSetValueById(c, 10175, 9);
  OptSetValueById(c, 50, 9);
  EXPECT_EQ(RuleComputeItem(c, 731), 1);  // the portrait set
  EXPECT_EQ(RuleComputeItem(c, 732), 0);  // not the landscape set
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, ItemDefaultsClearTextAndBlocks) {
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(3);
  ASSERT_NE(c, nullptr);
  // The user code and owner name of an earlier job, and every other text or
  // block filled with a pattern.
  struct Case {
    uint32_t id;
    const char16_t* text;
  } texts[] = {{216, u"1234"}, {217, u"secret"}};
  for (const Case& t : texts) ASSERT_NE(OptSetText(c, OptFindSetting(c, t.id), t.text), nullptr) << t.id;
  int blocks = 0;
  for (int i = 0; i < c->settings->count; ++i) {
    SettingRecord* row = &c->settings->rows[i];
    if (IsIntegerType(DescType(row->descriptor)) || !OptGetValueAddr(c, row)) continue;
    if (row->id >= 10004 && row->id <= 10009) continue;
    std::memset(OptGetValueAddr(c, row), 0x5A, DescSize(row->descriptor));
    ++blocks;
  }
  ASSERT_GT(blocks, 10);
  DmApplyItemDefaults(c);
  for (int i = 0; i < c->settings->count; ++i) {
    SettingRecord* row = &c->settings->rows[i];
    if (IsIntegerType(DescType(row->descriptor)) || !OptGetValueAddr(c, row)) continue;
    if (row->id >= 10004 && row->id <= 10009) continue;
    const uint8_t* p = OptGetValueAddr(c, row);
    for (uint32_t k = 0; k < DescSize(row->descriptor); ++k) ASSERT_EQ(p[k], 0) << row->id << " byte " << k;
  }
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, WorkItemDefaultsTouchOnlyTheWorkItems) {
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(3);
  ASSERT_NE(c, nullptr);
  OptSetValueById(c, 7, 2);       // a DEVMODE setting
  OptSetValueById(c, 885, 1);     // wdmCtrlWorkPrompt, a work item the model does not describe
  OptSetText(c, OptFindSetting(c, 905), u"0.00");
  DmApplyWorkItemDefaults(c);
  EXPECT_EQ(OptGetValueById(c, 7), 2);
  EXPECT_EQ(OptGetValueById(c, 885), 0);
  char16_t version[16];
  OptGetText(c, OptFindSetting(c, 905), version);
  EXPECT_EQ(std::u16string(version), u"3.62");
  // OptSetDefault: one setting to its model default.
  EXPECT_EQ(OptSetDefault(c, OptFindSetting(c, 8)), 1);
  EXPECT_EQ(OptGetOptionById(c, 8), ctx_test::Option("IDS_PAPERSIZE_A4"));
  EXPECT_EQ(OptSetDefault(c, nullptr), 0);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(DevmodeDefaults, SizesByOperatingSystemFamily) {
  struct Case {
    const char* platform;
    uint32_t pub, extra, total, options, work;
  } cases[] = {{"2", 220, 1040, 1260, 508, 3808}, {"1", 148, 1048, 1196, 508, 3744}};
  for (const Case& c : cases) {
    ASSERT_TRUE(plat::SetMachineSetting("os.platform", c.platform));
    EXPECT_EQ(DmGetPublicSize(), c.pub) << c.platform;
    EXPECT_EQ(DmGetDriverExtraSize(), c.extra) << c.platform;
    EXPECT_EQ(DmGetTotalSize(), c.total) << c.platform;
    EXPECT_EQ(DmGetOptionBlockSize(), c.options) << c.platform;
    EXPECT_EQ(DmGetWorkBufferSize(), c.work) << c.platform;
  }
  // On the 9x family a context still builds its buffers in the one layout
  // it knows.
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(GlobalSize(c->devmode), dm::kWorkBufferSize);
  CtxCloseAs(c, kCloseDestroy);
  ASSERT_TRUE(plat::SetMachineSetting("os.platform", "2"));
}

TEST_F(DevmodeDefaults, ADefaultDevmodeConvertsToTheOldLayoutAndBack) {
  UseModel("data/models/small.mdf");
  Bytes fresh = FreshDefault();
  Bytes old(1228, 0);
  uint32_t size = uint32_t(old.size());
  ASSERT_EQ(DmConvertDevMode(fresh.data(), fresh.size(), old.data(), &size, CDM_CONVERT351), 1);
  EXPECT_EQ(size, 1228u);
  EXPECT_EQ(Word(old.data(), 68), 188);
  EXPECT_EQ(std::memcmp(old.data() + 188, fresh.data() + 220, dm::kDriverExtra), 0);  // the private part whole
  Bytes back(dm::kTotalSize, 0);
  std::memcpy(back.data() + 64, fresh.data() + 64, 8);  // our header words
  size = uint32_t(back.size());
  ASSERT_EQ(DmConvertDevMode(old.data(), old.size(), back.data(), &size, CDM_CONVERT), 1);
  EXPECT_EQ(size, dm::kTotalSize);
  EXPECT_EQ(std::memcmp(back.data() + 220, fresh.data() + 220, dm::kDriverExtra), 0);
  EXPECT_EQ(std::memcmp(back.data() + 72, fresh.data() + 72, 188 - 72), 0);  // the fields both layouts have
  EXPECT_EQ(DmIsCompatible(back.data()), 1);
  // Asked for the driver default, the conversion only announces its size.
  Bytes def(dm::kTotalSize, 0);
  size = uint32_t(def.size());
  EXPECT_EQ(DmConvertDevMode(fresh.data(), fresh.size(), def.data(), &size, CDM_DRIVER_DEFAULT), 2);
  EXPECT_EQ(size, dm::kTotalSize);
}

}  // namespace
