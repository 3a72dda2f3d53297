// The terminal-server client configuration against the remote-configuration
// module's stand-in, which plays a client from the folder C:\Client.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "plat/registry.h"
#include "qst_test_machine.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/printer_data.h"
#include "velm/remote.h"
#include "velm/remote_api.h"
#include "velm/setting_ids.h"

namespace {

using env_test::U8;

constexpr const char16_t* kClient = u"C:\\Client";

class RemoteConfig : public qst_test::QstMachine {
 protected:
  void SetUp() override {
    QstMachine::SetUp();
    Install(u"VELMPD3.DLL", "VELMPD3.so");
    plat::SetMachineSetting("xmbidi.client.printer", "ClientPrn");
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Client\\_velm"));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Client\\PrinterData"));
    char16_t dir[261] = {};
    ASSERT_GT(PathGetCommonDataDir(dir, 261), 0);
    data_dir_ = dir;
    ini_name_ = PathGetFileNamePart(PathGetDriverIni(ctx_));
    ASSERT_FALSE(ini_name_.empty());
  }

  std::u16string Folder() const { return data_dir_ + u"\\Office"; }
  std::u16string ClientIni() const { return std::u16string(kClient) + u"\\_velm\\" + ini_name_; }
  static long Count(const std::string& entry) { return long(plat::GetMachineCounter("xmbidi." + entry)); }
  static bool Exists(const std::u16string& path) { return std::filesystem::exists(plat::MapPath(path)); }
  uint32_t Value(const char16_t* name) {
    uint32_t v = 0;
    return SplGetPrinterData(printer_, &v, 4, name) ? v : 0xFFFFFFFF;
  }

  // A client with a velmclt.ini, its driver ini listing one preset and one
  // quality set, and those files.
  void MakeClient() {
    Put(u"C:\\Client\\_velm\\velmclt.ini", "[ClientPrn]\r\nBidiFlag=1\r\n");
    Put(ClientIni(),
        "[ClientPrn]\r\nCount=1\r\nPresetList0=C:\\Users\\u\\p1.qsd\r\nPresetList0Name=Mine\r\n"
        "QualityCount=1\r\nQualityList0=%Driver%\\q1.qsq\r\nQualityList0Name=Fine\r\n");
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Client\\C\\Users\\u"));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Client\\Driver"));
    Put(u"C:\\Client\\C\\Users\\u\\p1.qsd", "[VELM]\r\n");
    Put(u"C:\\Client\\Driver\\q1.qsq", "[VELM]\r\n");
  }

  // Every file of the machine, as host paths relative to its root.
  std::set<std::string> Files() const {
    std::set<std::string> all;
    for (auto& e : std::filesystem::recursive_directory_iterator(root_))
      if (e.is_regular_file()) all.insert(std::filesystem::relative(e.path(), root_).string());
    return all;
  }

  // A printer-data item of region 2 with four bytes, which the client
  // configuration takes from the client.
  const SettingRecord* FourByteItem() const {
    for (int i = 0; i < ctx_->settings->count; ++i) {
      const SettingRecord& r = ctx_->settings->rows[i];
      if ((r.descriptor >> 30) == 2 && r.storeKind == 1 && r.valueName && (r.descriptor & 0xFFFF) == 4 &&
          r.id != setting::vdmLogging)
        return &r;
    }
    return nullptr;
  }

  std::u16string data_dir_, ini_name_;
};

TEST_F(RemoteConfig, EnabledOnlyWithTheFlagTheModuleAndATerminalServer) {
  EXPECT_EQ(RemoteIsEnabledNoCtx(), 0);
  EXPECT_EQ(RemoteGetSyncState(ctx_), 0);
  UseRemoteModule(18);
  EXPECT_EQ(RemoteIsEnabledNoCtx(), 1);
  EXPECT_EQ(RemoteGetSyncState(ctx_), 2);
  // The flag alone, without the module file: off.
  ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\XMBIDISS.dll"));
  EXPECT_EQ(RemoteIsEnabledNoCtx(), 0);
  EXPECT_EQ(RemoteGetSyncState(ctx_), 0);
  // The module without a terminal server: enabled but not active.
  UseRemoteModule(18);
  plat::SetMachineSetting("os.terminal", "0");
  OsResetTerminalServerCache();
  EXPECT_EQ(RemoteIsEnabledNoCtx(), 1);
  EXPECT_EQ(RemoteGetSyncState(ctx_), 0);
}

TEST_F(RemoteConfig, AModuleWithoutOneEntryIsNotUsed) {
  UseRemoteModule(17);
  uint8_t type = 0;
  ASSERT_EQ(RemoteGetServerType(printer_, u"Office", &type), 1);
  EXPECT_EQ(type, 17);
  EXPECT_EQ(InstIsServerType17(printer_, u"Office"), 1);
  std::string why;
  ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/xmbidiss_noclear.dll",
                                     plat::MapPath(u"C:\\Windows\\System32\\XMBIDISS.dll"), &why))
      << why;
  const long asked = Count("XMGetServerType");
  EXPECT_EQ(RemoteGetServerType(printer_, u"Office", &type), 0);
  EXPECT_EQ(InstIsServerType17(printer_, u"Office"), 0);
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 0);
  EXPECT_EQ(Count("XMGetServerType"), asked);
}

TEST_F(RemoteConfig, ServerTypes17And18TakeTheClientsFilesAndPrinterData) {
  const SettingRecord* item = FourByteItem();
  ASSERT_NE(item, nullptr);
  for (int type : {17, 18}) {
    SCOPED_TRACE(type);
    UseRemoteModule(type);
    MakeClient();
    Put(std::u16string(kClient) + u"\\PrinterData\\" + item->valueName, std::string("\x07\0\0\0", 4));
    (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(kRemoteConnectionValue));  // may be absent already
    ASSERT_EQ(RemoteGetSyncState(ctx_), 2);

    EXPECT_EQ(RemoteSyncClientFiles(ctx_), 1);
    for (const char16_t* f : {u"velmclt.ini", u"p1.qsd", u"q1.qsq"}) EXPECT_TRUE(Exists(Folder() + u"\\" + f)) << U8(f);
    EXPECT_TRUE(Exists(Folder() + u"\\" + ini_name_));
    EXPECT_EQ(Value(kRemoteConnectionValue), 1u);
    EXPECT_EQ(Value(kRemoteIniValue), 1u);
    EXPECT_EQ(Value(item->valueName), 7u);
    EXPECT_EQ(Value(u"PresetRefresh"), 1u);
    EXPECT_EQ(IniGetInt(u"syncfg", u"SyncfgFlg", 0, (Folder() + u"\\" + ini_name_).c_str()), 1);
    EXPECT_EQ(plat::GetMachineSetting("xmbidi.setdevmode"), U8(env_test::kDriverDir) + "VELMPD3.DLL");
    EXPECT_EQ(Count("connections"), 0);
    // Taken once: the next set-up has nothing to do.
    EXPECT_EQ(RemoteGetSyncState(ctx_), 1);
    const long fetched = Count("XMGetDataFile");
    EXPECT_EQ(RemoteSyncClientFiles(ctx_), 1);
    EXPECT_EQ(Count("XMGetDataFile"), fetched);
  }
}

TEST_F(RemoteConfig, ServerType19ClearsAndTakesNothing) {
  UseRemoteModule(19);
  MakeClient();
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 0);
  EXPECT_EQ(Count("XMSaveInformationClear"), 1);
  EXPECT_EQ(Count("XMPrintConfigConnectEx"), 0);
  EXPECT_EQ(Count("XMGetDataFile"), 0);
  EXPECT_EQ(Value(kRemoteConnectionValue), 0xFFFFFFFFu);
  // Clearing the saved information answers 0 for type 19 too.
  EXPECT_EQ(RemoteClearServerInfo(ctx_), 0);
  EXPECT_EQ(Count("XMSaveInformationClear"), 2);
  UseRemoteModule(18);
  EXPECT_EQ(RemoteClearServerInfo(ctx_), 1);
}

TEST_F(RemoteConfig, AFailingEntryEndsTheRunAndClosesTheConnection) {
  for (const char* entry : {"XMClientOSType", "XMRegFileGetSize", "XMGetDataFile", "XMPrintConfigDisConnect",
                            "XMSetDevmode"}) {
    SCOPED_TRACE(entry);
    UseRemoteModule(18);
    MakeClient();
    plat::SetMachineSetting("xmbidi.fail", entry);
    EXPECT_EQ(RemoteSyncClientFiles(ctx_), 0);
    EXPECT_EQ(Value(kRemoteConnectionValue), 0xFFFFFFFFu);
    EXPECT_EQ(Count("connections"), 0);
  }
}

// The client's DEVMODE, converted by this driver's own export, becomes the
// user's default DEVMODE of the server printer.
TEST_F(RemoteConfig, TheClientsDevmodeBecomesTheUsersDefault) {
  UseRemoteModule(18);
  MakeClient();
  std::vector<uint8_t> client(CtxGetDevmode(ctx_), CtxGetDevmode(ctx_) + DmGetTotalSize());
  constexpr size_t kOrientation = 76;  // dmOrientation of the public part
  client[kOrientation] = 2;            // landscape
  client[kOrientation + 1] = 0;
  Put(u"C:\\Client\\devmode.bin", std::string(client.begin(), client.end()));
  ASSERT_EQ(RemoteSyncClientFiles(ctx_), 1);
  DWORD needed = 0;
  GetPrinterW(printer_, 9, nullptr, 0, &needed);
  ASSERT_GT(needed, 0u) << "no user DEVMODE stored";
  std::vector<uint8_t> info(needed);
  ASSERT_TRUE(GetPrinterW(printer_, 9, info.data(), needed, &needed));
  const auto* stored = reinterpret_cast<const uint8_t*>(reinterpret_cast<PRINTER_INFO_9W*>(info.data())->pDevMode);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored[kOrientation] | stored[kOrientation + 1] << 8, 2);
  EXPECT_EQ(stored[68] | stored[69] << 8, int(DmGetPublicSize())) << "the converted DEVMODE, at this driver's size";
}

TEST_F(RemoteConfig, TheClientDevmodeIsTakenOnlyFromType18AtThisDriversSize) {
  std::vector<uint8_t> client(DmGetTotalSize(), 0x11);
  auto devmode = [&](size_t size) {
    Put(u"C:\\Client\\devmode.bin", std::string(client.begin(), client.begin() + long(size)));
  };
  std::vector<uint8_t> got(dm::kWorkBufferSize, 0);
  uint8_t type = 0;
  struct Case {
    const char* name;
    int server;
    size_t size;
    const char* malformed;
    int want;
  } cases[] = {
      {"type 18, this size", 18, DmGetTotalSize(), "", 1},
      {"type 17", 17, DmGetTotalSize(), "", 0},
      {"shorter", 18, DmGetTotalSize() - 1, "", 0},
      {"size answered larger than the bytes", 18, DmGetTotalSize(), "devmodesize", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseRemoteModule(c.server);
    plat::SetMachineSetting("xmbidi.malformed", c.malformed);
    devmode(c.size);
    std::fill(got.begin(), got.end(), 0);
    EXPECT_EQ(RemoteGetClientDevmode(ctx_, reinterpret_cast<DEVMODEW*>(got.data()), &type), c.want);
    EXPECT_EQ(type, c.server);
    if (c.want) {
      // The sizes are this driver's, whatever the client stated.
      EXPECT_EQ(got[68] | got[69] << 8, int(DmGetPublicSize()));
      EXPECT_EQ(got[70] | got[71] << 8, int(DmGetDriverExtraSize()));
      EXPECT_EQ(got[400], 0x11);
    } else {
      EXPECT_EQ(got[400], 0);
    }
    EXPECT_EQ(Count("connections"), 0);
  }
}

TEST_F(RemoteConfig, HostileClientIniWritesNothingOutsideTheClientFolder) {
  UseRemoteModule(18);
  MakeClient();
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Client\\Driver\\a"));
  Put(u"C:\\Client\\Driver\\a\\x", "[VELM]\r\n");
  Put(ClientIni(),
      "[ClientPrn]\r\nCount=100000\r\nPresetList0=%Driver%\\a\\x\r\nPresetList1=%Driver%\\a/../b\r\n"
      "PresetList2=%Driver%\\..\\..\\x\r\nQualityCount=-5\r\n");
  const std::set<std::string> before = Files();
  // The client refuses the climbing path: the run ends there.
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 0);
  const std::string folder = plat::MapPath(Folder());
  for (const std::string& f : Files()) {
    if (before.count(f) || f.rfind(".locks", 0) == 0 || f.rfind(".counters", 0) == 0 || f == "machine.conf") continue;
    EXPECT_EQ((root_ + "/" + f).rfind(folder, 0), 0u) << f;
  }
  // The first name was fetched under its final component.
  EXPECT_TRUE(Exists(Folder() + u"\\x"));
  EXPECT_FALSE(Exists(Folder() + u"\\a"));
}

TEST_F(RemoteConfig, ClientCountsAreClampedToTheListSlots) {
  UseRemoteModule(18);
  MakeClient();
  std::string ini = "[ClientPrn]\r\nCount=100000\r\nQualityCount=-5\r\n";
  for (int n = 0; n < 20; ++n) ini += "PresetList" + std::to_string(n) + "=%Driver%\\q1.qsq\r\n";
  Put(ClientIni(), ini);
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 1);
  // velmclt.ini, the driver ini and 16 presets.
  EXPECT_EQ(Count("XMGetDataFile"), 2 + 16);
}

TEST_F(RemoteConfig, ClientFileNamesKeepOnlyTheirFinalComponent) {
  UseRemoteModule(18);
  MakeClient();
  struct Case {
    const char* value;
    int fetched;
  } cases[] = {
      {"C:x", 0},  // a drive-relative name
      {"..", 0},
      {"%Driver%\\", 0},
      {"%Driver%\\x", 1},
  };
  Put(u"C:\\Client\\Driver\\x", "[VELM]\r\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(kRemoteConnectionValue));  // may be absent already
    Put(ClientIni(), std::string("[ClientPrn]\r\nCount=1\r\nPresetList0=") + c.value + "\r\n");
    EXPECT_EQ(RemoteSyncClientFiles(ctx_), c.fetched);
  }
}

TEST_F(RemoteConfig, AClientValueOfAnotherSizeIsNotCopied) {
  const SettingRecord* item = FourByteItem();
  ASSERT_NE(item, nullptr);
  struct Case {
    const char* name;
    std::string bytes;
    const char* malformed;
  } cases[] = {
      {"five bytes for a four-byte item", std::string("\x07\0\0\0\0", 5), ""},
      {"size answered one larger", std::string("\x07\0\0\0", 4), "datasize"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseRemoteModule(18);
    MakeClient();
    plat::SetMachineSetting("xmbidi.malformed", c.malformed);
    Put(std::u16string(kClient) + u"\\PrinterData\\" + item->valueName, c.bytes);
    (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(item->valueName));  // may be absent already
    (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(kRemoteConnectionValue));  // may be absent already
    EXPECT_EQ(RemoteSyncClientFiles(ctx_), 1);
    EXPECT_EQ(Value(item->valueName), 0xFFFFFFFFu);
  }
}

TEST_F(RemoteConfig, RefreshImportsTheClientListsOnce) {
  UseRemoteModule(18);
  MakeClient();
  ASSERT_EQ(RemoteSyncClientFiles(ctx_), 1);
  EXPECT_EQ(RemoteRefreshPresets(ctx_), 1);
  const std::u16string ini = PathGetDriverIni(ctx_);
  char16_t text[261] = {};
  IniGetString(u"Office", u"PresetList0", u"", text, 261, ini.c_str());
  EXPECT_EQ(U8(text), U8((data_dir_ + u"\\p1.qsd").c_str()));
  IniGetString(u"Office", u"PresetList0Name", u"", text, 261, ini.c_str());
  EXPECT_EQ(U8(text), "Mine");
  IniGetString(u"Office", u"QualityList0", u"", text, 261, ini.c_str());
  EXPECT_EQ(U8(text), U8((data_dir_ + u"\\q1.qsq").c_str()));
  EXPECT_EQ(Value(kRemoteIniValue), 2u);
  EXPECT_EQ(IniGetInt(u"syncfg", u"SyncfgFlg", 0, (Folder() + u"\\" + ini_name_).c_str()), 2);
  // Imported: the next open does nothing.
  EXPECT_EQ(RemoteRefreshPresets(ctx_), 0);
}

TEST_F(RemoteConfig, BidiSectionFollowsTheClient) {
  UseRemoteModule(18);
  MakeClient();
  const std::u16string local = data_dir_ + u"\\velmclt.ini";
  Put(local, "[Office]\r\nBidiFlag=1\r\n");
  // The client has no BidiFlag: the printer's local section goes.
  Put(u"C:\\Client\\_velm\\velmclt.ini", "[ClientPrn]\r\nOther=1\r\n");
  ASSERT_EQ(RemoteSyncClientFiles(ctx_), 1);
  ASSERT_EQ(RemoteRefreshPresets(ctx_), 1);
  EXPECT_EQ(IniGetInt(u"Office", u"BidiFlag", -1, local.c_str()), -1);
}

TEST(RemoteSanitize, FolderNamesLoseEveryReservedCharacter) {
  struct Case {
    const char16_t* name;
    const char* want;
    int ok;
  } cases[] = {
      {u"Office", "Office", 1},
      {u"\\\\srv\\Office?", "srvOffice", 1},
      {u"C:a*b<c>d|e\"f/g", "Cabcdefg", 1},
      {u"", "", 1},
  };
  for (const Case& c : cases) {
    char16_t out[260];
    EXPECT_EQ(RemoteSanitizeFileName(c.name, out, 260), c.ok);
    EXPECT_EQ(plat::ToUtf8(out), c.want);
  }
  std::u16string long_name(260, u'a');
  char16_t out[261];
  EXPECT_EQ(RemoteSanitizeFileName(long_name.c_str(), out, 261), 0);
  char16_t small[4];
  EXPECT_EQ(RemoteSanitizeFileName(u"Office", small, 4), 0);
  EXPECT_EQ(small[0], 0);
}

}  // namespace

namespace {

// A client file of size 0 stands for an empty local file. When the stale
// local copy cannot be deleted, it must not be kept and taken as the empty
// file: the run fails and the old text is not read as the client's.
TEST_F(RemoteConfig, AnEmptyClientFileThatCannotReplaceTheOldCopyFailsTheRun) {
  UseRemoteModule(18);
  MakeClient();
  Put(u"C:\\Client\\_velm\\velmclt.ini", "");
  const std::u16string local = Folder() + u"\\velmclt.ini";
  ASSERT_TRUE(plat::EnsureWindowsDir(Folder().c_str()));
  Put(local, "[ClientPrn]\r\nBidiFlag=1\r\n");
  (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(kRemoteConnectionValue));  // may be absent already
  ASSERT_EQ(RemoteGetSyncState(ctx_), 2);
  plat::FailNth("DeleteFileW", 1);
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 0);
  plat::ClearFaults();
  EXPECT_NE(Value(kRemoteConnectionValue), 1u);
  // Once the delete works, the empty file takes the old copy's place.
  EXPECT_EQ(RemoteSyncClientFiles(ctx_), 1);
  EXPECT_EQ(std::filesystem::file_size(plat::MapPath(local)), 0u);
}

}  // namespace
