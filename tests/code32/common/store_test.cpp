// The setting store by store kind, the font tables in printer data and the
// save stack, on a machine whose printer "Office" has the small model.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/batch.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/save_stack.h"
#include "velm/store.h"

namespace {

using env_test::InChild;

// Every row this store keeps: printer-data values of the options block and
// driver-ini keys of the DEVMODE and the work items.
bool Persisted(const SettingRecord& r) {
  if (!r.valueName) return false;
  uint32_t region = DescRegion(r.descriptor);
  if (r.storeKind == kStorePrinterData) return region == kRegionOptions;
  return r.storeKind == kStoreDriverIni && region != kRegionOptions;
}

// A value that is not the default: text "T<id>", bit 1, a number by id.
void SetOther(DriverContext* c, SettingRecord* r) {
  uint32_t type = DescType(r->descriptor);
  if (IsAnsiType(type) || IsWideType(type)) {
    std::u16string text = u"T" + plat::FromUtf8(std::to_string(r->id));
    OptSetText(c, r, text.c_str());
  } else if (IsBitType(type)) {
    OptSetValue(c, r, OptGetValue(c, r) ? 0 : 1);
  } else if (r->id == 249) {
    OptSetValue(c, r, int32_t(0xFFFFFFFFu));  // a %lu value at its top
  } else {
    OptSetValue(c, r, int32_t(r->id % 97) + 3);
  }
}

std::vector<uint8_t> Bytes(DriverContext* c, const SettingRecord* r) {
  const uint8_t* p = OptGetValueAddr(c, r);
  if (IsBitType(DescType(r->descriptor))) return {uint8_t(OptGetValue(c, r))};
  return p ? std::vector<uint8_t>(p, p + DescSize(r->descriptor)) : std::vector<uint8_t>();
}

class Store : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    PathCreateDataDir();
  }
  std::u16string Ini(DriverContext* c) { return PathGetDriverIni(c); }
  std::string IniText(DriverContext* c) { return mdf_test::ReadFile(plat::MapPath(Ini(c))); }
  // The printer data of Office and the driver ini, as one text.
  std::string Stores(DriverContext* c) {
    std::string out;
    for (const plat::SpoolDataValue& v : plat::SpoolListPrinterData(u"Office")) {
      out += plat::ToUtf8(v.name) + "=" + std::to_string(v.type) + ":";
      out.append(v.data.begin(), v.data.end());
      out += "\n";
    }
    return out + "--\n" + IniText(c);
  }
  bool Save(DriverContext* c) {
    plat::WriteBatchBegin();
    bool ok = StoreSaveDocumentRegions(printer_, c) && StoreSavePrinterSettings(printer_, c);
    return plat::WriteBatchEnd(ok);
  }
};

TEST_F(Store, EveryPersistedItemComesBackInANewProcess) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  int persisted = 0;
  for (int i = 0; i < c->settings->count; ++i)
    if (Persisted(c->settings->rows[i])) {
      SetOther(c, &c->settings->rows[i]);
      ++persisted;
    }
  EXPECT_EQ(persisted, 78);  // 68 printer-data values, 9 DEVMODE keys, 1 work key
  ASSERT_TRUE(Save(c));
  std::vector<std::vector<uint8_t>> want;
  for (int i = 0; i < c->settings->count; ++i) want.push_back(Bytes(c, &c->settings->rows[i]));
  CtxCloseAs(c, kCloseDestroy);

  EXPECT_EQ(InChild([&] {
              Restart();
              DriverContext* fresh = OpenKind(0);
              CHILD_CHECK(fresh);
              for (int i = 0; i < fresh->settings->count; ++i) {
                const SettingRecord& r = fresh->settings->rows[i];
                if (!Persisted(r)) continue;
                if (Bytes(fresh, &r) != want[size_t(i)]) {
                  std::fprintf(stderr, "setting %u differs\n", r.id);
                  return 1;
                }
              }
              CtxCloseAs(fresh, kCloseDestroy);
              return 0;
            }),
            0);

  // Value types and sizes as stored.
  struct Value {
    const char16_t* name;
    DWORD type;
    size_t size;
  } values[] = {{u"Tray1Paper", REG_BINARY, 2}, {u"Duplex", REG_BINARY, 4}, {u"Logging", REG_DWORD, 4},
                {u"Tray1", REG_BINARY, 17},     {u"DllUserCode", REG_BINARY, 9}, {u"Other", REG_BINARY, 33},
                {u"ServerUse", REG_BINARY, 1},  {u"RAM", REG_BINARY, 4},         {u"CoverTray", REG_BINARY, 2}};
  for (const Value& v : values) {
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(GetData(printer_, v.name, &type, &data)) << plat::ToUtf8(v.name);
    EXPECT_EQ(type, v.type) << plat::ToUtf8(v.name);
    EXPECT_EQ(data.size(), v.size) << plat::ToUtf8(v.name);
  }
  DWORD type = 0;
  std::vector<uint8_t> duplex;
  GetData(printer_, u"Duplex", &type, &duplex);
  EXPECT_EQ(duplex, (std::vector<uint8_t>{1, 0, 0, 0}));
  DriverContext* reader = OpenKind(2);
  EXPECT_NE(IniText(reader).find("FrontFunc=4294967295"), std::string::npos);
  CtxCloseAs(reader, kCloseDestroy);
}

TEST_F(Store, OldActionKeysAreMigratedOnce) {
  DriverContext* probe = OpenKind(2);
  ASSERT_NE(probe, nullptr);
  std::u16string ini = Ini(probe);
  CtxCloseAs(probe, kCloseDestroy);
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"ACT_PROOFPRINT", u"1", ini.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"ACT_FORMOVERLAY", u"1", ini.c_str()));
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(OptGetValueById(c, 225), 1);
  EXPECT_EQ(OptGetValueById(c, 230), 1);
  // The word holds the two old keys' bits (1 and 6) and what the item without
  // an old key already held: vdmActionStoredPrn (bit 3), which the private
  // validation of the defaults always turns on.
  EXPECT_EQ(OptGetValueById(c, 227), 1);
  EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"vdmAction", -1, ini.c_str()), 0x42u | 0x8u);
  CtxCloseAs(c, kCloseDestroy);
  // The packed key wins from now on.
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"ACT_SECUREPRINT", u"1", ini.c_str()));
  c = OpenKind(0);
  EXPECT_EQ(OptGetValueById(c, 224), 0);
  EXPECT_EQ(OptGetValueById(c, 225), 1);
  // A save of a changed bit writes the word once, and nothing else.
  OptSetValueById(c, 226, 1);
  plat::ResetCalls();
  ASSERT_EQ(StoreSaveRegion(printer_, c, kRegionDevmode, 0), 1);
  // vdmAction alone, written and flushed.
  EXPECT_EQ(plat::CallCount("WritePrivateProfileStringW"), 2);
  EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"vdmAction", -1, ini.c_str()), 0x42u | 0x8u | 0x4u);
  std::string text = IniText(c);
  EXPECT_EQ(text.find("ACT_SECUREPRINT=1"), text.find("ACT_SECUREPRINT"));
  size_t first = text.find("vdmAction=");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(text.find("vdmAction=", first + 1), std::string::npos);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, ContextsThatReadNoIniKeys) {
  DriverContext* probe = OpenKind(2);
  std::u16string ini = Ini(probe);
  CtxCloseAs(probe, kCloseDestroy);
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"PrnMethod", u"2", ini.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"vdmAction", u"2", ini.c_str()));
  struct Case {
    uint16_t kind;
    uint32_t flags;
    int prn_method;
  } cases[] = {{0, kOpenEntryPoint, 2}, {0, kOpenCapability, 0}, {0, kOpenDocNoUi, 0}, {0, kOpenPdevRequest, 0}};
  for (const Case& k : cases) {
    DriverContext* c = OpenKind(k.kind, nullptr, k.flags);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(OptGetValueById(c, 222), k.prn_method) << k.flags;
    EXPECT_EQ(OptGetValueById(c, 225), k.prn_method ? 1 : 0) << k.flags;
    CtxCloseAs(c, kCloseDestroy);
  }
  DriverContext* one = OpenKind(1);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(StoreLoadItems(printer_, one, -1, 0), 1);
  EXPECT_EQ(OptGetValueById(one, 222), 0);
  CtxCloseAs(one, kCloseDestroy);
}

TEST_F(Store, ReadsAreBoundedAndFreshAndWritesFiltered) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  OptSetText(c, OptFindSetting(c, 907), u"ABCDEFGHIJKLMNOP");  // a full 16-byte tray name
  SetData(printer_, u"Tray1", REG_BINARY, "abcde", 5);
  EXPECT_EQ(StoreLoadItemFromPrinterData(printer_, c, OptFindSetting(c, 907), 0, nullptr), 1);
  const uint8_t* tray = OptGetValueAddr(c, OptFindSetting(c, 907));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tray), 17), std::string("abcde") + std::string(12, '\0'));
  // "99999" for an 8-bit item stays in its byte; the next byte is untouched.
  std::u16string ini = Ini(c);
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"PrnMethod", u"99999", ini.c_str()));
  uint8_t* method = OptGetValueAddr(c, OptFindSetting(c, 222));
  method[1] = 0x5A;
  EXPECT_EQ(StoreLoadItemFromIni(c, OptFindSetting(c, 222), ini.c_str(), nullptr, nullptr), 5);
  EXPECT_EQ(method[0], 99999 & 0xFF);
  EXPECT_EQ(method[1], 0x5A);
  // A text read is cut to its 17-byte field on a character boundary: 15
  // bytes and a double-byte character do not fit with the terminator.
  EXPECT_TRUE(WritePrivateProfileStringW(u"BINNAME", u"Tray1", u"ABCDEFGHIJKLMNO\u3042", ini.c_str()));
  EXPECT_GT(StoreLoadItemFromIni(c, OptFindSetting(c, 907), ini.c_str(), nullptr, nullptr), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tray), 17), std::string("ABCDEFGHIJKLMNO") + std::string(2, '\0'));
  EXPECT_TRUE(WritePrivateProfileStringW(u"BINNAME", u"Tray1", u"ABCDEFGHIJKLMN\u3042", ini.c_str()));
  StoreLoadItemFromIni(c, OptFindSetting(c, 907), ini.c_str(), nullptr, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tray), 17), std::string("ABCDEFGHIJKLMN\x82\xA0") + '\0');
  // A missing key leaves the setting.
  EXPECT_EQ(StoreLoadItemFromIni(c, OptFindSetting(c, 247), ini.c_str(), nullptr, nullptr), 0);

  // Change filter: only what differs from the DEVMODE of the open.
  CtxSaveDevmode(c);
  OptSetValueById(c, 10175, 70);
  plat::ResetCalls();
  ASSERT_EQ(StoreSaveRegion(printer_, c, kRegionOptions, 0), 1);
  EXPECT_EQ(plat::CallCount("SetPrinterDataW"), 1);
  plat::ResetCalls();
  ASSERT_EQ(StoreSaveRegion(printer_, c, kRegionOptions, kStoreAllItems), 1);
  EXPECT_EQ(plat::CallCount("SetPrinterDataW"), 68);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, AServerPrinterWithoutServerUseNeverWritesUserCodeUse) {
  HANDLE remote = AddPrinter(u"\\\\srv\\Shared", u"VELM Driver", PRINTER_ATTRIBUTE_NETWORK, u"\\\\srv");
  DriverContext* c = OpenKind(0, remote);
  ASSERT_NE(c, nullptr);
  OptSetValueById(c, 10002, 1);
  ASSERT_EQ(StoreSaveRegion(remote, c, kRegionOptions, kStoreAllItems), 1);
  DWORD type = 0;
  std::vector<uint8_t> data;
  EXPECT_FALSE(GetData(remote, u"UserCodeUse", &type, &data));
  OptSetValueById(c, 10001, 1);
  ASSERT_EQ(StoreSaveRegion(remote, c, kRegionOptions, kStoreAllItems), 1);
  EXPECT_TRUE(GetData(remote, u"UserCodeUse", &type, &data));
  CtxCloseAs(c, kCloseDestroy);
}

// Every allocation and every write of a save, failed in turn: the save
// answers 0, both stores are as they were, and nothing leaks.
TEST_F(Store, AFailureAtAnyStepOfASaveLeavesTheStoredSettings) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  int round = 0;
  for (const char* service : {"GlobalAlloc", "SetPrinterDataW", "WritePrivateProfileStringW", "WriteFile"}) {
    // New values on both sides for each service.
    ++round;
    OptSetValueById(c, 222, 2 + round);
    OptSetValueById(c, 10175, 70 + round);
    OptSetValueById(c, 10014, round & 1);
    OptSetText(c, OptFindSetting(c, 875), round & 1 ? u"C:\\ovl" : u"C:\\other");
    OptSetValueById(c, 10004, 0);  // an emptied substitution table
    const std::string before = Stores(c);
    int failed = 0;
    for (int nth = 1; nth < 400; ++nth) {
      long live = plat::LiveGlobalBlocks();
      plat::FailNth(service, nth);
      bool ok = Save(c);
      plat::ClearFaults();
      EXPECT_EQ(plat::LiveGlobalBlocks(), live) << service << " " << nth;
      if (ok) break;  // the save got past its last call of the service
      ++failed;
      ASSERT_EQ(Stores(c), before) << service << " " << nth;
    }
    EXPECT_GE(failed, 2) << service;
    EXPECT_NE(Stores(c), before) << service;
  }
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, TheClientIniSectionIsKeptWhenItsSaveFails) {
  char16_t dir[261];
  ASSERT_GT(PathGetCommonDataDir(dir, 261), 0);
  std::u16string client = std::u16string(dir) + u"\\velmclt.ini";
  CtxCloseAs(OpenKind(0), kCloseDestroy);  // the printer's first load is behind us
  EXPECT_TRUE(WritePrivateProfileStringW(u"Office", u"BidiFlag", u"1", client.c_str()));
  uint32_t flag = 1;
  SetData(printer_, u"BidiFlag", REG_BINARY, &flag, 4);
  plat::FailNth("SetPrinterDataW", 2);  // the usability check writes first
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"BidiFlag", 0, client.c_str()), 1u);
  CtxCloseAs(c, kCloseDestroy);
  c = OpenKind(0);
  EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"BidiFlag", 0, client.c_str()), 0u);  // taken over now
  CtxCloseAs(c, kCloseDestroy);
}

// ---- font tables ----------------------------------------------------------------------

class FontStore : public Store {
 protected:
  static void SetPair(HANDLE h, int i, const char16_t* tt, const char16_t* dev) {
    char16_t a[32] = {}, b[32] = {};
    plat::WCopy(a, 32, tt);
    plat::WCopy(b, 32, dev);
    SetData(h, (u"TTFontTable" + plat::FromUtf8(std::to_string(i))).c_str(), REG_BINARY, a, 64);
    SetData(h, (u"DevFontTable" + plat::FromUtf8(std::to_string(i))).c_str(), REG_BINARY, b, 64);
  }
  static void SetCount(HANDLE h, const char16_t* name, uint16_t n) { SetData(h, name, REG_BINARY, &n, 2); }
  bool Has(const char16_t* name) {
    DWORD type = 0;
    std::vector<uint8_t> data;
    return GetData(printer_, name, &type, &data);
  }
};

TEST_F(FontStore, ANewPrinterGetsTheModelsFontsAndAMissingPairDropsTheTable) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  DWORD type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(GetData(printer_, u"DeviceFont", &type, &data));
  EXPECT_EQ(data.size(), 3u * 68);
  EXPECT_EQ(OptCountDeviceFonts(c), 4);
  char16_t name[33];
  EXPECT_EQ(plat::ToUtf8(OptGetDeviceFontName(c, 3, name)), "Barcode");  // the first option font
  EXPECT_EQ(plat::ToUtf8(OptGetDeviceFontName(c, 4, name)), "");
  EXPECT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"Arial", name)), "Helvetica");
  EXPECT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"arial", name)), "Courier");  // exact only; else font 0
  CtxCloseAs(c, kCloseDestroy);

  // Five pairs with the third's device name missing: the table is dropped.
  for (int i = 1; i <= 5; ++i) SetPair(printer_, i, u"TT", u"Dev");
  SetCount(printer_, u"FontTableNum", 5);
  SetCount(printer_, u"LastFontTableNum", 5);
  (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"DevFontTable3"));  // may be absent already
  c = OpenKind(0);
  EXPECT_EQ(StoreLoadFontTable(printer_, c), 0);
  EXPECT_EQ(OptGetValueById(c, 10004), 0);
  EXPECT_EQ(OptGetValueById(c, 10005), 0);
  // Three pairs written over five: pairs 4 and 5 go, the counts come last.
  FontSubstEntry three[3] = {};
  for (FontSubstEntry& e : three) {
    plat::WCopy(e.trueTypeName, 32, u"Face");
    plat::WCopy(e.deviceName, 32, u"Device");
  }
  ASSERT_EQ(OptReplaceFontTable(c, 3, reinterpret_cast<uint8_t*>(three)), 1);
  ASSERT_EQ(StoreWriteFontSubst(printer_, c, 0), 1);
  EXPECT_TRUE(Has(u"DevFontTable3"));
  EXPECT_FALSE(Has(u"TTFontTable4"));
  EXPECT_FALSE(Has(u"DevFontTable5"));
  EXPECT_EQ(StoreLoadFontTable(printer_, c), 1);
  EXPECT_EQ(OptGetValueById(c, 10004), 3);
  // An empty table is a success, and loads as empty.
  ASSERT_EQ(OptReplaceFontTable(c, 0, reinterpret_cast<uint8_t*>(three)), 1);
  EXPECT_EQ(StoreWriteFontSubst(printer_, c, 0), 1);
  EXPECT_FALSE(Has(u"TTFontTable1"));
  EXPECT_EQ(StoreLoadFontTable(printer_, c), 1);
  EXPECT_EQ(OptGetValueById(c, 10005), 0);
  // A count larger than its array drops the list; 32-character names read bounded.
  DeviceFontEntry full[3];
  for (DeviceFontEntry& e : full) {
    e.id = 7;
    for (char16_t& ch : e.name) ch = u'W';
  }
  SetData(printer_, u"DeviceFont", REG_BINARY, full, sizeof full);
  SetCount(printer_, u"DeviceFontNum", 10);
  EXPECT_EQ(StoreLoadDeviceFonts(printer_, c), 0);
  EXPECT_EQ(OptGetValueById(c, 10006), 0);
  SetCount(printer_, u"DeviceFontNum", 3);
  EXPECT_EQ(StoreLoadDeviceFonts(printer_, c), 1);
  EXPECT_EQ(plat::ToUtf8(OptGetDeviceFontName(c, 2, name)), std::string(32, 'W'));
  // Unchanged since the open: a changed-only save writes nothing. Saving
  // the DEVMODE again replaces the copy's tables, it does not add to them.
  CtxSaveDevmode(c);
  uint32_t used = 0;
  for (uint32_t i = 0; i < c->blobs.capacity; ++i) used += c->blobs.slots[i] != nullptr;
  CtxSaveDevmode(c);
  uint32_t again = 0;
  for (uint32_t i = 0; i < c->blobs.capacity; ++i) again += c->blobs.slots[i] != nullptr;
  EXPECT_EQ(again, used);
  plat::ResetCalls();
  EXPECT_EQ(StoreSaveFontTables(printer_, c), 1);
  EXPECT_EQ(plat::CallCount("SetPrinterDataW"), 0);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(FontStore, AModelWithoutFontsLeavesEmptyTables) {
  std::string text = ReadData("data/models/small.mdf");
  for (const char* line : {"*DeviceFonts:", "*FontCartridge:", "*TTFS "}) {
    size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    text.erase(at, text.find('\n', at) + 1 - at);
  }
  UseModelText(text);
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(StoreLoadFontTables(printer_, c), 1);
  for (uint32_t id = 10004; id <= 10009; ++id) EXPECT_EQ(OptGetValueById(c, id), 0) << id;
  EXPECT_FALSE(Has(u"DeviceFontNum"));
  EXPECT_FALSE(Has(u"FontTableNum"));
  char16_t name[33];
  EXPECT_EQ(plat::ToUtf8(OptGetDeviceFontName(c, 0, name)), "");
  EXPECT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"Arial", name)), "");
  CtxCloseAs(c, kCloseDestroy);
}

// ---- save stack -------------------------------------------------------------------------

TEST_F(Store, FourPushesComeBackInOrderWithTheirMasks) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  const int32_t states[] = {11, 22, 33, 44, 55};
  for (int i = 0; i < 5; ++i) {
    OptSetValueById(c, 222, states[i]);
    c->work->changeMask = uint32_t(0x100 * (i + 1));
    if (i < 4) DmPushSettings(c);
  }
  EXPECT_EQ(DmGetSaveDepth(c), 4);
  for (int i = 3; i >= 0; --i) {
    DmPopSettings(c, 1);
    EXPECT_EQ(OptGetValueById(c, 222), states[i]) << i;
    EXPECT_EQ(c->work->changeMask, uint32_t(0x100 * (i + 1))) << i;
    EXPECT_EQ(c->work->modified, 0);
  }
  DmPopSettings(c, 1);  // nothing pushed: nothing changes
  EXPECT_EQ(OptGetValueById(c, 222), states[0]);
  DmPushSettings(c);
  OptSetValueById(c, 222, 99);
  DmPopSettings(c, 0);
  EXPECT_EQ(OptGetValueById(c, 222), 99);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, FontTablesSurviveAReloadBetweenPushAndPop) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  char16_t name[33];
  ASSERT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"Arial", name)), "Helvetica");
  FontSubstEntry mine = {};
  plat::WCopy(mine.trueTypeName, 32, u"Arial");
  plat::WCopy(mine.deviceName, 32, u"Mine");
  for (int restore : {1, 0}) {
    DmPushSettings(c);
    ASSERT_EQ(OptReplaceFontTable(c, 1, reinterpret_cast<uint8_t*>(&mine)), 1);
    EXPECT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"Arial", name)), "Mine");
    StoreFreeFontBlobs(c);  // a reload between the push and the pop
    StoreLoadFontTables(printer_, c);
    ASSERT_EQ(OptReplaceFontTable(c, 1, reinterpret_cast<uint8_t*>(&mine)), 1);
    DmPopSettings(c, restore);
    EXPECT_EQ(plat::ToUtf8(OptFindSubstituteFont(c, u"Arial", name)), restore ? "Helvetica" : "Mine") << restore;
    EXPECT_EQ(c->work->fontTableKept, 0);
  }
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, CloneRestoresTheRows) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  SettingTable* clone = OptCloneSettingTable(c);
  ASSERT_NE(clone, nullptr);
  OptFindSetting(c, 222)->dirty = 7;
  OptFindSetting(c, 222)->flags = 0xABCD;
  OptRestoreSettingTable(c, clone);
  EXPECT_NE(OptFindSetting(c, 222)->flags, 0xABCDu);
  plat::FailNth("GlobalAlloc", 2);  // the rows cannot be had: a header without rows
  clone = OptCloneSettingTable(c);
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->rows, nullptr);
  OptFindSetting(c, 222)->flags = 0xABCD;
  OptRestoreSettingTable(c, clone);  // nothing is copied
  EXPECT_EQ(OptFindSetting(c, 222)->flags, 0xABCDu);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, TerminalServicesClearTheActionWordAndStoreIt) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  std::u16string ini = Ini(c);
  // Bit 1 (vdmActionProof) and bit 3 (vdmActionStoredPrn, which the private
  // validation of the defaults always turns on).
  constexpr UINT kWord = 0x2 | 0x8;
  ASSERT_EQ(OptGetValueById(c, 227), 1);
  OptSetValueById(c, 225, 1);
  ASSERT_EQ(StoreSaveActionWord(c), 1);
  EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"vdmAction", -1, ini.c_str()), kWord);
  struct Case {
    const char* session;
    int32_t store;
    int32_t bit;
    UINT stored;
  } cases[] = {{"0", 1, 1, kWord}, {"1", 0, 0, kWord}, {"1", 1, 0, 0}};
  for (const Case& k : cases) {
    OptSetValueById(c, 225, 1);
    OptSetValueById(c, 227, 1);
    ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", k.session));
    DmClearTerminalServerActions(c, k.store);
    EXPECT_EQ(OptGetValueById(c, 225), k.bit) << k.session << k.store;
    EXPECT_EQ(OptGetValueById(c, 227), k.bit) << k.session << k.store;
    EXPECT_EQ(GetPrivateProfileIntW(u"Office", u"vdmAction", -1, ini.c_str()), k.stored) << k.session << k.store;
  }
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, DeviceConfigCopiesFieldsAndLeavesTheGaps) {
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  // Every byte of the options block set, every mirror byte another value.
  std::memset(c->devmode + kRegionStart[kRegionOptions], 0x11, 349);
  std::memset(c->devmode + 892, 0xEE, 349);
  DmCopyDeviceConfig(c);
  std::vector<bool> field(349, false);
  for (uint32_t id = 10001; id <= 10277; ++id) {
    const SettingRecord* r = OptFindSetting(c, id);
    if (!r || !OptFindSetting(c, 430 + (id - 10001))) continue;
    for (uint32_t b = 0; b < DescSize(r->descriptor); ++b) field[r->offset + b] = true;
  }
  for (uint32_t b = 292; b < 349; ++b) field[b] = true;  // the reserved bytes go as one block
  int gaps = 0;
  for (uint32_t b = 0; b < 349; ++b) {
    EXPECT_EQ(c->devmode[892 + b], field[b] ? 0x11 : 0xEE) << b;
    gaps += !field[b];
  }
  EXPECT_GT(gaps, 0);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(Store, CustomFunctionsAndSwitches) {
  DriverContext* plain = OpenKind(2);
  EXPECT_EQ(OptHasSortChoice(plain), 0);  // nothing selectable yet
  CtxCloseAs(plain, kCloseDestroy);
  DriverContext* c = OpenKind(0);
  OptSetValueById(c, 916, 1);
  OptSetValueById(c, 947, 1);
  struct {
    uint32_t id;
    int32_t want;
  } cases[] = {{915, 0}, {916, 1}, {917, 0}, {947, 1}, {948, 0}};
  for (const auto& k : cases) EXPECT_EQ(OptGetCustomFunc(c, k.id), k.want) << k.id;
  EXPECT_EQ(RemoteIsFeatureBitOn(7), 1);
  EXPECT_EQ(RemoteIsFeatureBitOn(0), 0);
  EXPECT_EQ(BidiIsHookedOptionCode(12), 1);
  EXPECT_EQ(BidiIsHookedOptionCode(135), 0);
  CtxCloseAs(c, kCloseDestroy);
}

}  // namespace
