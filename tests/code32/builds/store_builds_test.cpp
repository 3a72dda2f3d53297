// The stored settings, settings files, contexts and DEVMODE merges as each
// library's build of the common library handles them, on a machine whose
// printer "Office" has the small model and a UI resource module.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "library_build_support.h"
#include "merge_test_support.h"
#include "plat/calls.h"
#include "plat/machineconf.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "plat/user.h"
#include "qst_test_machine.h"
#include "velm/bidi.h"
#include "velm/devmode.h"
#include "velm/dm_exchange.h"
#include "velm/dm_merge.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/model_query.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/store.h"

namespace {

using build_test::ByLibrary;
using build_test::InGraphics;
using build_test::InQuery;
using qst_test::kFile;

constexpr uint32_t kFuncDuplex = 61, kDuplexType = 102, kLanguage = 177;
constexpr uint32_t kMark = 710, kMarkVersion = 711, kJobTool = 726;
constexpr uint32_t kFreeSizeName = 859, kFreeSizeWidth = 860, kFreeSizeLength = 861;
constexpr uint32_t kSrcFreeSizeName = 862, kSrcFreeSizeWidth = 863, kSrcFreeSizeLength = 864;
constexpr uint32_t kUserSetName = 867, kWmLinePitch = 894, kWmTileRotate = 903, kDriverVersion = 905;
constexpr uint32_t kMemory = 10012;
constexpr uint32_t DM_PAPERSIZE = 0x2, DM_PAPERLENGTH_WIDTH = 0xC;

class LibraryStore : public qst_test::QstMachine {
 protected:
  std::string Where() const { return std::string(" in ") + build_test::LibraryName(); }
  std::u16string DataFile(const std::string& name) {
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    return std::u16string(dir) + u"\\" + W(name);
  }
  std::u16string ClientIni() { return DataFile("velmclt.ini"); }
  bool HasData(const char16_t* name) {
    DWORD type = 0;
    std::vector<uint8_t> data;
    return GetData(printer_, name, &type, &data);
  }
  static void RegSet(const char16_t* key, const char16_t* name, DWORD value) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, key, &k), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  void SetText(DriverContext* c, uint32_t id, const char16_t* text) {
    ASSERT_TRUE(OptSetText(c, OptFindSetting(c, id), text)) << id;
  }
};

// ---- the graphics library ------------------------------------------------------------

// The device answers a user without printer-data rights kept in the client
// ini: the home load takes them into printer data and deletes the section;
// the graphics library's load reads them and writes and deletes nothing.
TEST_F(LibraryStore, LoadingAllSettingsLeavesPrinterDataAloneInTheGraphicsLibrary) {
  Close(Open());  // the printer's first load is behind us
  OptSetValueById(ctx_, kMemory, 7);
  ASSERT_EQ(BidiIniSaveSettings(ctx_), 1);
  ASSERT_EQ(GetPrivateProfileIntW(u"Office", u"BidiFlag", 0, ClientIni().c_str()), 1u);
  uint32_t flag = 1;
  SetData(printer_, u"BidiFlag", REG_BINARY, &flag, 4);
  OptSetValueById(ctx_, kMemory, 0);

  plat::ResetCalls();
  StoreLoadAll(ctx_);  // (items the stores do not hold count as failures)
  EXPECT_EQ(OptGetValueById(ctx_, kMemory), 7) << "the client ini's answers are loaded" << Where();
  const long writes = plat::CallCount("SetPrinterDataW"), deletes = plat::CallCount("DeletePrinterDataW");
  const UINT kept = GetPrivateProfileIntW(u"Office", u"BidiFlag", 0, ClientIni().c_str());
  if (InGraphics()) {
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(deletes, 0);
    EXPECT_EQ(kept, 1u) << "the section stays";
  } else {
    EXPECT_GT(writes, 0) << Where();
    EXPECT_EQ(kept, 0u) << "taken over into printer data" << Where();
  }
}

// A quality set's save: the settings always go into the set's file; the
// home save also writes the set's Name, the graphics library's does not.
TEST_F(LibraryStore, SavingAQualitySetWritesNoNameInTheGraphicsLibrary) {
  const std::u16string file = DataFile("q0.qsq");
  const char16_t* section = InstGetPrinterSectionName(ctx_);
  char16_t key[64] = {};
  PresetFormatQualityKey(key, 0);
  ASSERT_EQ(IniWriteString(section, key, file.c_str(), PathGetDriverIni(ctx_)), 1);
  const std::u16string name_key = std::u16string(key) + u"Name";
  EXPECT_TRUE(IniWriteString(section, name_key.c_str(), u"Old", PathGetDriverIni(ctx_)));
  SetText(ctx_, kUserSetName, u"Fine");
  OptSetValueById(ctx_, 174, 33);  // vdmMonoBrightness, a quality item
  ASSERT_EQ(PresetSaveQuality(ctx_, key), 1);
  EXPECT_NE(Get(file).find("vdmMonoBrightness=33"), std::string::npos) << Where();
  char16_t name[32] = {};
  IniGetString(section, name_key.c_str(), u"", name, 32, PathGetDriverIni(ctx_));
  EXPECT_EQ(plat::ToUtf8(name), InGraphics() ? "Old" : "Fine") << Where();
}

// A user paper size taken into its slot: the home build shows the slot with
// the localized name and size; the graphics library has no UI strings and
// gives all three name fields the paper's own name.
TEST_F(LibraryStore, UserPaperSlotNamesInTheGraphicsLibrary) {
  struct Case {
    const char* name;
    void (*to_slot)(DriverContext*, int32_t);
    uint32_t name_item, width_item, length_item;
  } cases[] = {
      {"output paper", FreeSizeItemsToSlot, kFreeSizeName, kFreeSizeWidth, kFreeSizeLength},
      {"source paper", FreeSizeSrcItemsToSlot, kSrcFreeSizeName, kSrcFreeSizeWidth, kSrcFreeSizeLength},
  };
  for (const Case& c : cases) {
    SetText(ctx_, c.name_item, u"Postcard");
    OptSetOptionById(ctx_, c.width_item, 4724);
    OptSetOptionById(ctx_, c.length_item, 6992);
    c.to_slot(ctx_, 2);
    const FreeSizeSlot& s = ctx_->work->freeSizes[2];
    EXPECT_EQ(s.width, 4724) << c.name;
    EXPECT_EQ(s.length, 6992) << c.name;
    const std::string shown = InGraphics() ? "Postcard" : "Postcard(100.0 x 148.0)";
    EXPECT_EQ(std::string(s.names[2]), "Postcard") << c.name << Where();
    EXPECT_EQ(std::string(s.names[1]), shown) << c.name << Where();
    EXPECT_EQ(std::string(s.names[0]), shown) << c.name << Where();
  }
}

// The page's paper dimensions for a user slot code: from the slot's stored
// entry (1/1200 inch into 0.1 mm), exchanged in landscape; the graphics
// library's model query answers user codes the same way.
TEST_F(LibraryStore, PaperDimsOfAUserSlotComeFromItsStoredEntry) {
  SetText(ctx_, kFreeSizeName, u"A4 stored");
  OptSetOptionById(ctx_, kFreeSizeWidth, 9921);
  OptSetOptionById(ctx_, kFreeSizeLength, 14031);
  ASSERT_EQ(FreeSizeSaveSlot(ctx_, 1), 1);
  for (SHORT orientation : {SHORT(1), SHORT(2)}) {
    OptSetOptionById(ctx_, kFreeSizeWidth, 100);  // not what is stored
    DEVMODEW d;
    std::memcpy(&d, ctx_->devmode, sizeof d);
    d.dmPaperSize = 385;
    d.dmOrientation = orientation;
    d.dmPaperLength = 1500;
    d.dmPaperWidth = 1000;
    d.dmFields |= DM_PAPERSIZE | DM_PAPERLENGTH_WIDTH;
    std::memcpy(ctx_->devmode, &d, sizeof d);
    const PaperPair want = orientation == 2 ? PaperPair{2970, 2100} : PaperPair{2100, 2970};
    PaperPair dims{};
    ASSERT_EQ(FreeSizeGetPaperDims(ctx_, 385, &dims), 1);
    EXPECT_EQ(dims.width, want.width) << orientation;
    EXPECT_EQ(dims.length, want.length) << orientation;
    PaperPair query{};
    const int32_t answered = MdfGetPaperDims(ctx_, &query);
    if (InGraphics()) {
      EXPECT_EQ(answered, 1);
      EXPECT_EQ(query.width, want.width) << orientation;
      EXPECT_EQ(query.length, want.length) << orientation;
    } else {
      EXPECT_FALSE(answered && query.width == want.width && query.length == want.length)
          << "the model's table knows no stored slot" << Where();
    }
  }
}

// ---- the query library (and the graphics library where it shares it) -----------------

TEST_F(LibraryStore, ARuleValueForATextItemIsStoredAsPassedInTheQueryLibrary) {
  SetText(ctx_, kFreeSizeName, u"Mine");
  const int32_t answer = OptSetOptionOrString(ctx_, kFreeSizeName, 110);  // string 110: "User size 2"
  EXPECT_EQ(Text(ctx_, kFreeSizeName), InQuery() ? "Mine" : "User size 2") << Where();
  EXPECT_EQ(answer, InQuery() ? 0 : 1) << "a number does not fit a text item" << Where();
  // A number item takes the option's value in every library.
  SettingRecord* row = OptFindSetting(ctx_, kDuplexType);
  const int32_t option = OptValueToOption(ctx_, row, 2);
  EXPECT_EQ(OptSetOptionOrString(ctx_, kDuplexType, option), 1);
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2);
}

TEST_F(LibraryStore, ThePrivateHeaderOfTheQueryLibraryHasAnEmptyMarker) {
  DmWritePrivateHeader(ctx_);
  const std::vector<uint8_t> mark = Bytes(ctx_, kMark);
  const std::vector<uint8_t> want =
      InQuery() ? std::vector<uint8_t>(8, 0) : std::vector<uint8_t>{'V', 'C', 'O', 'M', 'M', 'O', 'N', 0};
  EXPECT_EQ(mark, want) << Where();
  EXPECT_EQ(OptGetValueById(ctx_, kMarkVersion), InQuery() ? 0 : 5) << Where();
}

// A merge of an input whose private part carries an exchange request, with
// the job tool installed: the home merge applies the request and marks the
// tool; the libraries without UI do neither.
TEST_F(LibraryStore, MergesWithoutUiTakeNoExchangeRequestAndNoJobToolFlag) {
  RegSet(u"Software\\ORVEK\\ToolDeck\\JobLinker", u"INSTALL_COUNT", 3);
  merge_test::MergeContext m;
  m.Set(kFuncDuplex, 0);
  m.Set(kDuplexType, 2);
  m.Set(kJobTool, 0);
  std::vector<uint8_t> in(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);
  std::vector<uint8_t> request(kExchangeBlockSize, 0);
  request[1] = kExchangeBlockValid;
  request[2] = 2;  // duplex 2
  std::memcpy(in.data() + kExchangeRequestOffset, request.data(), request.size());
  DEVMODEW d;
  std::memcpy(&d, in.data(), sizeof d);
  d.dmFields = 0;
  std::memcpy(in.data(), &d, sizeof d);
  ASSERT_EQ(DmMergeInput(m.ctx, in.data(), in.size(), DM_IN_BUFFER), 1);
  const bool with_ui = !InGraphics() && !InQuery();
  EXPECT_EQ(m.Get(kFuncDuplex), with_ui ? 1 : 0) << Where();
  EXPECT_EQ(m.Get(kDuplexType), with_ui ? 1 : 2) << Where();
  EXPECT_EQ(m.Get(kJobTool), with_ui ? 1 : 0) << Where();
  EXPECT_EQ(m.ctx->work->mergeMode & kMergeRequestApplied, with_ui ? kMergeRequestApplied : 0u) << Where();
}

TEST_F(LibraryStore, TheQueryLibraryAlwaysClearsTheJobToolFlag) {
  RegSet(u"Software\\ORVEK\\ToolDeck\\JobLinker", u"INSTALL_COUNT", 3);
  OptSetValueById(ctx_, kJobTool, 1);
  DmSetEnvironmentFlags(ctx_);
  EXPECT_EQ(OptGetValueById(ctx_, kJobTool), InQuery() ? 0 : 1) << Where();
}

// A printer whose stored DEVMODE fits: the home build resets the work items
// (which the stored DEVMODE does not hold) to the model's; the query library
// keeps what the adopted DEVMODE left in them.
TEST_F(LibraryStore, AnAdoptedPrinterDevmodeKeepsItsWorkItemsInTheQueryLibrary) {
  DriverContext* fresh = OpenKind(0x303);
  ASSERT_NE(fresh, nullptr);
  std::vector<uint8_t> stored(fresh->devmode, fresh->devmode + dm::kTotalSize);
  CtxCloseAs(fresh, kCloseDestroy);
  stored[86] = 7;  // dmCopies: shows that the stored DEVMODE was taken
  plat::SpoolPrinter p;
  p.name = u"Stored";
  p.driverName = u"VELM Driver";
  p.devmode = stored;
  std::string why;
  ASSERT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
  HANDLE h = env_test::EnvMachine::Open(u"Stored");
  DriverContext* c = OpenKind(0x301, h);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->devmode[86], 7);
  EXPECT_EQ(Text(c, kDriverVersion), InQuery() ? "" : "3.62") << Where();
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(LibraryStore, AKindZeroOpenOfTheQueryLibraryAsksForNoBatchHandOver) {
  plat::ResetCalls();
  DriverContext* c = OpenKind(0x300);  // never from the cache
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(plat::CallCount("InstBatchIsDrvInstSet"), InQuery() ? 0 : 1) << Where();
  CtxCloseAs(c, kCloseDestroy);
  // Other kinds never ask.
  plat::ResetCalls();
  c = OpenKind(0x302);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(plat::CallCount("InstBatchIsDrvInstSet"), 0);
  CtxCloseAs(c, kCloseDestroy);
}

// A shorter font table written over a longer one: the home write deletes the
// pairs past the new count; the query library leaves them (no reader looks
// past the count).
TEST_F(LibraryStore, AShorterFontTableLeavesTheOldPairsInTheQueryLibrary) {
  auto records = [](int n) {
    std::vector<uint8_t> r(size_t(n) * 128, 0);
    for (int i = 0; i < n; ++i) {
      std::u16string tt = u"Font" + W(std::to_string(i + 1)), dev = u"Dev" + W(std::to_string(i + 1));
      std::memcpy(r.data() + size_t(i) * 128, tt.c_str(), tt.size() * 2);
      std::memcpy(r.data() + size_t(i) * 128 + 64, dev.c_str(), dev.size() * 2);
    }
    return r;
  };
  ASSERT_EQ(StoreWriteFontTable(printer_, records(3).data(), 3, 0), 1);
  ASSERT_TRUE(HasData(u"TTFontTable3"));
  ASSERT_EQ(StoreWriteFontTable(printer_, records(1).data(), 1, 0), 1);
  EXPECT_TRUE(HasData(u"TTFontTable1"));
  for (const char16_t* name : {u"TTFontTable2", u"DevFontTable2", u"TTFontTable3", u"DevFontTable3"})
    EXPECT_EQ(HasData(name), InQuery()) << plat::ToUtf8(name) << Where();
  DWORD type = 0;
  std::vector<uint8_t> count;
  ASSERT_TRUE(GetData(printer_, u"LastFontTableNum", &type, &count));
  ASSERT_GE(count.size(), 2u);
  EXPECT_EQ(count[0] | count[1] << 8, 1) << "the count is the new table's";
}

// A refused settings file: no settings move and the mismatch is marked in
// every library; only the home build tells the user.
TEST_F(LibraryStore, TheQueryLibraryRefusesASettingsFileSilently) {
  const int32_t own = OptGetValueById(ctx_, kLanguage) & 0xFFFF;
  auto header = [](const std::string& version, const std::string& machine, const std::string& language) {
    std::string h;
    if (!version.empty()) h += "QstVersion=" + version + "\r\n";
    if (!machine.empty()) h += "QstMachine=" + machine + "\r\n";
    if (!language.empty()) h += "QstLanguage=" + language + "\r\n";
    return h;
  };
  const std::string lang = std::to_string(own);
  struct Case {
    const char* name;
    std::string header;
  } cases[] = {
      {"no QstVersion", header("", "134", lang)},
      {"no QstMachine", header("200", "", lang)},
      {"no QstLanguage", header("200", "134", "")},
      {"another machine", header("200", "135", lang)},
      {"another language", header("200", "134", std::to_string(own + 1))},
      {"another version", header("300", "134", lang)},
  };
  // Only the printer interface has a user interface to show the refusal in.
  const ByLibrary<size_t> kBoxes{1, 0, 0};
  for (const Case& c : cases) {
    plat::ClearMessageBoxLog();
    OptSetValueById(ctx_, kDuplexType, 1);
    Put(kFile, "[Office]\r\n" + c.header + "vdmDuplexType=2\r\n");
    CtxSetFileMismatch(ctx_, 0);
    EXPECT_EQ(QstCheckHeader(kFile, u"Office", kQstLoad, 1, ctx_, nullptr, nullptr, nullptr, 1), 0) << c.name;
    EXPECT_EQ(CtxGetFileMismatch(ctx_), 1) << c.name;
    EXPECT_EQ(plat::MessageBoxLog().size(), kBoxes.Here()) << c.name << Where();
    plat::ClearMessageBoxLog();
    EXPECT_EQ(QstLoadSettings(printer_, kFile, kQstPreset, ctx_), 1) << c.name;
    EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 1) << c.name << ": nothing is transferred";
    EXPECT_EQ(plat::MessageBoxLog().size(), kBoxes.Here()) << c.name << Where();
  }
  // An accepted file passes in every library.
  Put(kFile, "[Office]\r\n" + header("200", "134", lang));
  EXPECT_EQ(QstCheckHeader(kFile, u"Office", kQstLoad, 1, ctx_, nullptr, nullptr, nullptr, 1), 1);
}

// A watermark entry saved and loaded: the query library carries the tile and
// line details (items 894-903) with it; the home transfer leaves them out.
TEST_F(LibraryStore, WatermarkEntriesCarryTheirDetailsInTheQueryLibrary) {
  for (uint32_t id = kWmLinePitch; id <= kWmTileRotate; ++id) OptSetValueById(ctx_, id, int32_t(id - 880));
  ASSERT_EQ(StampSave(ctx_, 0), 1);
  const std::string ini = Ini();
  EXPECT_EQ(ini.find("wdmWmLinePitch=14") != std::string::npos, InQuery()) << ini;
  EXPECT_EQ(ini.find("wdmWmTileRotate=23") != std::string::npos, InQuery()) << ini;
  for (uint32_t id = kWmLinePitch; id <= kWmTileRotate; ++id) OptSetValueById(ctx_, id, 0);
  StampSelect(ctx_, 0);
  for (uint32_t id = kWmLinePitch; id <= kWmTileRotate; ++id)
    EXPECT_EQ(OptGetValueById(ctx_, id), InQuery() ? int32_t(id - 880) : 0) << id << Where();
}

// A plain settings-file load: the home load refreshes the job information
// through the provider; the query library's load leaves it to its callers.
TEST_F(LibraryStore, APlainSettingsLoadOfTheQueryLibraryAsksNoJobInformation) {
  const int32_t own = OptGetValueById(ctx_, kLanguage) & 0xFFFF;
  Put(kFile, "[Office]\r\nQstVersion=200\r\nQstMachine=134\r\nQstLanguage=" + std::to_string(own) +
                 "\r\nvdmDuplexType=2\r\n");
  const int64_t before = plat::GetMachineCounter("jobinfo.loads");
  (void)QstLoadSettings(printer_, kFile, 0, ctx_);  // what it loads is checked below
  EXPECT_EQ(CtxGetFileMismatch(ctx_), 0);
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2);
  const int64_t loads = plat::GetMachineCounter("jobinfo.loads") - before;
  if (InQuery()) EXPECT_EQ(loads, 0);
  else EXPECT_GT(loads, 0) << Where();
}

// Section names lose every bracket in every library (the query library's
// old byte test on Windows 9x is not kept): also after a character whose low
// byte is a lead byte of code page 932.
TEST_F(LibraryStore, SectionNamesLoseEveryBracket) {
  char16_t name[] = u"\u3081[\u6E81]x[]";
  EXPECT_EQ(plat::ToUtf8(IniSanitizeSection(name)), plat::ToUtf8(u"\u3081,\u6E81,x,,"));
}

}  // namespace
