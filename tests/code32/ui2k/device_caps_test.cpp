// The capability queries of VELMPD3: the constant answers, the lists through
// a capability context with the caller's DEVMODE merged, the answers read
// from printer data, files and the stored DEVMODE, and the context cache.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/resources.h"
#include "plat/winspool.h"
#include "ui2k/device_caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_exchange.h"
#include "velm/ini.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Trays and papers, with rules that hide the bypass tray and A3 while the
// staple is on.
const char* const kModel = R"(*FileVersion: 3.62
*UIResDLLName: "VELMUI"
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*DefaultVPD_IDC_FINISH_CHOICE_STAPLE: False
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*DefaultVPD_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_TRAY1
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO: "AUTO"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE: PickPage
*DefaultVPD_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "A3"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "A4"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "2970 4200"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "2100 2970"
*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE
*OpenUI *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: PickOne
*DefaultVPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDS_RESOLUTION_600
*VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_300: "300"
*VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_600: "600"
*CloseUI: *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION
*Judge 1=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Item 1=Trays: { IDS_SOURCE_MANUAL StapleOn NULL }
*Item 2=Papers: { IDS_PAPERSIZE_A3 StapleOn NULL }
*Exclusive: {
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL NULL NULL
  VPD_IDC_PRESET_CHOICE_PAPERSIZE NULL NULL Papers NULL NULL NULL
}
)";

constexpr uint32_t kFrontFunc = 249;
constexpr uint32_t kTrayPresent = 10111, kTrayPaper = 10175;

class DeviceCaps : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModelText(kModel);
  }
  void TearDown() override {
    plat::ReleaseTickOverride();
    CtxSweepCache(1);
    ctx_test::ModelMachine::TearDown();
  }

  int32_t Ask(uint16_t index, void* out = nullptr, const void* devmode = nullptr, HANDLE printer = nullptr) {
    return UiDeviceCapabilities(printer ? printer : printer_, u"Office", index, out, devmode);
  }
  // A list of 16-bit codes, sized by a first call without an output.
  std::vector<uint16_t> Codes(uint16_t index, const void* devmode = nullptr) {
    int32_t n = Ask(index, nullptr, devmode);
    if (n < 0) return {0xDEAD};
    std::vector<uint16_t> out(size_t(n) + 4, 0xEEEE);
    EXPECT_EQ(Ask(index, out.data(), devmode), n) << index;
    for (size_t i = size_t(n); i < out.size(); ++i) EXPECT_EQ(out[i], 0xEEEE) << "written past the count";
    out.resize(size_t(n));
    return out;
  }
  // The DEVMODE a context of the printer builds, after the change.
  template <typename Change>
  Bytes DevmodeWith(Change change) {
    DriverContext* c = OpenKind(0);
    EXPECT_NE(c, nullptr);
    if (!c) return Bytes(dm::kTotalSize, 0);
    change(c);
    Bytes d(c->devmode, c->devmode + dm::kTotalSize);
    CtxCloseAs(c, kCloseDestroy);
    return d;
  }
  // Stores settings of the printer as the property sheets would.
  template <typename Change>
  void StoreSettings(Change change) {
    DriverContext* c = OpenKind(0);
    ASSERT_NE(c, nullptr);
    change(c);
    CtxCloseAs(c, kCloseDestroy);
  }
  static void StoreTray(DriverContext* c, int32_t j, int32_t present, int32_t paper) {
    SettingRecord* p = OptFindSetting(c, kTrayPresent + uint32_t(j));
    SettingRecord* q = OptFindSetting(c, kTrayPaper + uint32_t(j));
    ASSERT_TRUE(p && q);
    OptSetValue(c, p, present);
    OptSetValue(c, q, paper);
    EXPECT_EQ(StoreSaveItemToPrinterData(c->printer, c, p), 1);
    EXPECT_EQ(StoreSaveItemToPrinterData(c->printer, c, q), 1);
  }
  HANDLE PrinterWithDevmode(const std::u16string& name, const Bytes& devmode) {
    plat::SpoolPrinter p;
    p.name = name;
    p.driverName = u"VELM Driver";
    p.devmode = devmode;
    std::string why;
    EXPECT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
    return Open(name);
  }
};

TEST_F(DeviceCaps, ConstantAnswersAndIndicesNotServed) {
  struct Case {
    uint16_t index;
    int32_t answer;
  };
  const Case cases[] = {
      {DC_SIZE, 220},         {DC_EXTRA, 1040},        {DC_VERSION, 0x0401},      {DC_DRIVER, 0x0400},
      {DC_FILEDEPENDENCIES, 0}, {DC_ORIENTATION, 90},  {DC_COPIES, 999},          {DC_PRINTRATEUNIT, 1},
      {DC_NUP, 5},            {DC_PERSONALITY, 1},     {DC_MANUFACTURER, -1},     {DC_MODEL, -1},
      {DC_PRINTERMEM, -1},    {DC_MEDIATYPENAMES, -1}, {DC_MEDIATYPES, -1},       {DC_BINADJUST, -1},
      {DC_EMF_COMPLIANT, -1}, {DC_DATATYPE_PRODUCED, -1}, {0, -1},               {36, -1},
      {0xFFFF, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Ask(c.index), c.answer) << "index " << c.index;
}

TEST_F(DeviceCaps, FixedListsFillExactlyTheirEntries) {
  int32_t nup[8];
  std::fill(std::begin(nup), std::end(nup), -7);
  EXPECT_EQ(Ask(DC_NUP, nup), 5);
  EXPECT_EQ(std::vector<int32_t>(nup, nup + 8), (std::vector<int32_t>{1, 2, 4, 9, 16, -7, -7, -7}));

  char16_t personality[40];
  std::fill(std::begin(personality), std::end(personality), u'#');
  EXPECT_EQ(Ask(DC_PERSONALITY, personality), 1);
  EXPECT_EQ(std::u16string(personality), u"VELM");
  for (int i = 4; i < 32; ++i) EXPECT_EQ(personality[i], 0) << i;
  for (int i = 32; i < 40; ++i) EXPECT_EQ(personality[i], u'#') << "written past the 64 bytes";
}

TEST_F(DeviceCaps, ListsThroughTheCapabilityContextCountWhatTheyFill) {
  EXPECT_EQ(Codes(DC_PAPERS), (std::vector<uint16_t>{8, 9}));
  EXPECT_EQ(Codes(DC_BINS), (std::vector<uint16_t>{7, 1, 4}));

  int32_t n = Ask(DC_PAPERSIZE);
  ASSERT_EQ(n, 2);
  std::vector<int32_t> sizes(2 * size_t(n));
  EXPECT_EQ(Ask(DC_PAPERSIZE, sizes.data()), n);
  EXPECT_EQ(sizes, (std::vector<int32_t>{2970, 4200, 2100, 2970}));

  n = Ask(DC_ENUMRESOLUTIONS);
  ASSERT_EQ(n, 2);
  std::vector<int32_t> res(2 * size_t(n));
  EXPECT_EQ(Ask(DC_ENUMRESOLUTIONS, res.data()), n);
  EXPECT_EQ(res, (std::vector<int32_t>{300, 300, 600, 600}));

  for (auto [index, chars] : {std::pair<uint16_t, size_t>{DC_BINNAMES, 24}, {DC_PAPERNAMES, 64}}) {
    n = Ask(index);
    EXPECT_EQ(n, index == DC_BINNAMES ? 3 : 2);
    std::vector<char16_t> names(chars * size_t(n) + 1, u'#');
    EXPECT_EQ(Ask(index, names.data()), n);
    EXPECT_EQ(names.back(), u'#') << "written past the entries";
  }
  // The merged DEVMODE's fields are those of the printer's own DEVMODE.
  Bytes own = DevmodeWith([](DriverContext*) {});
  DWORD fields;
  std::memcpy(&fields, own.data() + 72, 4);
  EXPECT_EQ(Ask(DC_FIELDS), int32_t(fields));
  EXPECT_EQ(Ask(DC_COLLATE), 0);
  EXPECT_EQ(Ask(DC_STAPLE), 0) << "the model offers no staple positions";
}

TEST_F(DeviceCaps, TheCallersDevmodeDecidesWhatTheRulesHide) {
  uint16_t staple = ctx_test::SettingOf("VPD_IDC_FINISH_CHOICE_STAPLE");
  Bytes stapled = DevmodeWith([&](DriverContext* c) { OptSetValueById(c, staple, 1); });
  EXPECT_EQ(Codes(DC_PAPERS, stapled.data()), (std::vector<uint16_t>{9}));
  EXPECT_EQ(Codes(DC_BINS, stapled.data()), (std::vector<uint16_t>{7, 1}));
  EXPECT_EQ(Ask(DC_PAPERNAMES, nullptr, stapled.data()), 1);
  // Without a DEVMODE a fresh context answers from the stored settings.
  CtxSweepCache(1);
  EXPECT_EQ(Codes(DC_PAPERS), (std::vector<uint16_t>{8, 9}));
}

TEST_F(DeviceCaps, TrueTypeAnswersWithoutTheMergeThatOtherQueriesNeed) {
  // A settings request for a device query that cannot be made: the merge
  // refuses this DEVMODE.
  Bytes refused = DevmodeWith([](DriverContext*) {});
  refused[kExchangeRequestOffset] = kExchangeActionQuery;
  refused[kExchangeRequestOffset + 1] = kExchangeBlockValid;
  EXPECT_EQ(Ask(DC_PAPERS, nullptr, refused.data()), -1);
  EXPECT_EQ(Ask(DC_BINS, nullptr, refused.data()), -1);
  EXPECT_EQ(Ask(DC_FIELDS, nullptr, refused.data()), -1);
  EXPECT_EQ(Ask(DC_TRUETYPE, nullptr, refused.data()), DCTT_BITMAP);
  EXPECT_EQ(Ask(DC_DATATYPE_PRODUCED, nullptr, refused.data()), -1);

  // Device fonts standing in for TrueType, in the printer's own DEVMODE.
  Bytes fonts = DevmodeWith([](DriverContext* c) {
    OptSetValueById(c, kFrontFunc, OptGetValueById(c, kFrontFunc) | 1);
  });
  HANDLE h = PrinterWithDevmode(u"Fonts", fonts);
  EXPECT_EQ(Ask(DC_TRUETYPE, nullptr, refused.data(), h), DCTT_BITMAP | DCTT_SUBDEV);
  EXPECT_EQ(Ask(DC_PAPERS, nullptr, refused.data(), h), -1);
  EXPECT_EQ(Ask(DC_TRUETYPE, nullptr, nullptr, h), DCTT_BITMAP | DCTT_SUBDEV);
}

TEST_F(DeviceCaps, DuplexFollowsThePrinterDataValue) {
  EXPECT_EQ(Ask(DC_DUPLEX), -1) << "no Duplex value";
  const struct {
    uint32_t value;
    int32_t answer;
  } cases[] = {{1, 1}, {0, 0}, {0x100, 1}};
  for (const auto& c : cases) {
    ASSERT_EQ(SetData(printer_, u"Duplex", 4 /* REG_DWORD */, &c.value, 4), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(Ask(DC_DUPLEX), c.answer) << c.value;
  }
  const uint8_t long_value[8] = {1};
  ASSERT_EQ(SetData(printer_, u"Duplex", 3 /* REG_BINARY */, long_value, 8), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(Ask(DC_DUPLEX), -1) << "a value that is not 4 bytes cannot be read as one";
}

TEST_F(DeviceCaps, PrintRateFromTheInstallInfoFile) {
  EXPECT_EQ(Ask(DC_PRINTRATE), 0);
  char16_t file[261];
  ASSERT_EQ(PathGetInstallInfoFileNoCtx(printer_, file, 261), 1);
  ASSERT_EQ(IniWriteString(u"VELM Driver", u"PPM", u"45", file), 1);
  EXPECT_EQ(Ask(DC_PRINTRATE), 45);
  EXPECT_EQ(Ask(DC_PRINTRATEPPM), 45);
  EXPECT_EQ(Ask(DC_PRINTRATEUNIT), PRINTRATEUNIT_PPM);
}

TEST_F(DeviceCaps, ColorDeviceReadsOnlyAStoredDevmodeOfThisDriver) {
  EXPECT_EQ(Ask(DC_COLORDEVICE), -1) << "no stored DEVMODE";
  constexpr size_t kColourByte = 826;
  Bytes own = DevmodeWith([](DriverContext*) {});
  Bytes colour = own, mono = own, foreign = own, short_public(own.begin(), own.begin() + 220);
  colour[kColourByte] = 1;
  mono[kColourByte] = 0;
  std::memcpy(foreign.data() + 220, "ABCD", 4);
  short_public[70] = short_public[71] = 0;  // dmDriverExtra 0
  // Declares the full private part but the block holds only part of it.
  Bytes truncated(own.begin(), own.begin() + 400);
  Bytes larger = colour;
  larger[70] = uint8_t((1040 + 16) & 0xFF);
  larger[71] = uint8_t((1040 + 16) >> 8);
  larger.resize(larger.size() + 16, 0);
  const struct {
    const char16_t* name;
    const Bytes* devmode;
    int32_t answer;
  } cases[] = {
      {u"Colour", &colour, 1},       {u"Mono", &mono, 0},           {u"Foreign", &foreign, -1},
      {u"Public", &short_public, -1}, {u"Truncated", &truncated, -1}, {u"Larger", &larger, -1},
  };
  for (const auto& c : cases) {
    HANDLE h = PrinterWithDevmode(c.name, *c.devmode);
    EXPECT_EQ(Ask(DC_COLORDEVICE, nullptr, nullptr, h), c.answer) << plat::ToUtf8(c.name);
  }
}

TEST_F(DeviceCaps, MediaReadyListsEachLoadedPaperOnceInTrayOrder) {
  // Names of the papers and of the user size in the printer's UI module.
  DriverContext* probe = OpenKind(0);
  ASSERT_NE(probe, nullptr);
  std::u16string ui_module = PathGetUiResourceDll(probe);
  SettingRecord* tray_paper = OptFindSetting(probe, kTrayPaper);
  int32_t a4 = OptValueToOption(probe, tray_paper, 9), a3 = OptValueToOption(probe, tray_paper, 8);
  CtxCloseAs(probe, kCloseDestroy);
  ASSERT_FALSE(ui_module.empty());
  ASSERT_GT(a4, 0);
  ASSERT_GT(a3, 0);
  ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(ui_module), plat::StandinModuleDir() + "/velmres.dll",
                                        {plat::StringResource(uint32_t(a4), u"A4 sheet"),
                                         plat::StringResource(uint32_t(a3), u"A3 sheet"),
                                         plat::StringResource(110, u"Card")}));
  ASSERT_EQ(PathCreateDataDir(), 1);
  StoreSettings([](DriverContext* c) {
    StoreTray(c, 0, 1, 9);    // A4
    StoreTray(c, 1, 1, 9);    // A4 again
    StoreTray(c, 2, 0, 8);    // no tray: its paper does not count
    StoreTray(c, 25, 1, 0);   // an empty tray (the large-capacity tray)
    StoreTray(c, 3, 1, 385);  // the second user size
    StoreTray(c, 27, 1, 8);   // A3 in the bypass tray
    // The user's name of the second user size.
    OptSetText(c, OptFindSetting(c, 859), u"Card");
    OptSetValueById(c, 860, 4000);
    OptSetValueById(c, 861, 6000);
    EXPECT_EQ(FreeSizeSaveSlot(c, 1), 1);
  });
  ASSERT_EQ(Ask(DC_MEDIAREADY), 3);
  std::vector<char16_t> names(64 * 3 + 1, u'#');
  ASSERT_EQ(Ask(DC_MEDIAREADY, names.data()), 3);
  EXPECT_EQ(std::u16string(names.data()), u"A4 sheet");
  EXPECT_EQ(std::u16string(names.data() + 64).substr(0, 5), u"Card(") << plat::ToUtf8(names.data() + 64);
  EXPECT_EQ(std::u16string(names.data() + 128), u"A3 sheet");
  for (size_t i = 8; i < 64; ++i) EXPECT_EQ(names[i], 0) << "entries are zero-filled";
  EXPECT_EQ(names[192], u'#') << "written past the entries";
}

TEST_F(DeviceCaps, ASecondQueryWithin500MsIsAnsweredByTheCachedContext) {
  plat::SetTickOverride(10000);
  StoreSettings([](DriverContext* c) { StoreTray(c, 0, 1, 9); });
  EXPECT_EQ(Ask(DC_MEDIAREADY), 1);
  StoreSettings([](DriverContext* c) { StoreTray(c, 1, 1, 8); });
  plat::SetTickOverride(10400);
  EXPECT_EQ(Ask(DC_MEDIAREADY), 1) << "the cached context still holds the trays it loaded";
  plat::SetTickOverride(10400 + 501);
  EXPECT_EQ(Ask(DC_MEDIAREADY), 2) << "an expired context is built again";
}

}  // namespace
