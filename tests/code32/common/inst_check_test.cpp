// The install check and the per-user copies of a terminal server.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "ctx_test_machine.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "velm/files.h"
#include "velm/inst_setup.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/resources.h"

namespace {

class CheckTest : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    plat::SetMachineSetting("clock", "2026-12-11 08:30:05");
  }

  static void TerminalServer(bool on) {
    plat::SetMachineSetting("os.terminal", on ? "1" : "0");
    OsResetTerminalServerCache();
  }

  static std::u16string DriverIni(int32_t mode) {
    char16_t path[261] = {};
    EXPECT_TRUE(PathGetDriverIniNoCtx(path, 261, mode));
    return path;
  }
  static std::u16string Folder(const std::u16string& path) { return path.substr(0, path.find_last_of(u'\\')); }
  static std::u16string UserDir() { return Folder(DriverIni(1)); }
  static std::u16string CommonDir() { return Folder(DriverIni(0)); }

  static std::u16string Value(const std::u16string& file, const std::u16string& section, const char16_t* key) {
    char16_t text[512] = {};
    GetPrivateProfileStringW(section.c_str(), key, u"", text, 512, file.c_str());
    return text;
  }
  static void Write(const std::u16string& file, const std::u16string& section, const char16_t* key,
                    const std::u16string& value) {
    ASSERT_TRUE(FileCreateDirectory(Folder(file).c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), key, value.c_str(), file.c_str()));
  }
  static void SetAdminChange(HANDLE printer, uint32_t value) {
    std::u16string name = u"AdminChange";
    ASSERT_EQ(SetPrinterDataW(printer, name.data(), REG_BINARY, reinterpret_cast<BYTE*>(&value), 4), ERROR_SUCCESS);
  }
  static bool PrintLogKeyExists() {
    char16_t dir[260] = {};
    return RegReadString(u"Software\\ORVEK\\PrintLog", u"LogFileDirectory", dir, 260) && dir[0];
  }

  // Every file of the machine with its bytes, but the lock and journal
  // folders, the temporary folder and the folder given.
  std::map<std::string, std::string> Snapshot(const std::u16string& except) const {
    const std::string skip = plat::MapPath(except);
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      const std::string path = e.path().string();
      if (!e.is_regular_file() || path.find("/.") != std::string::npos || path.rfind(skip, 0) == 0 ||
          path.find("/temp/") != std::string::npos)
        continue;
      files[path.substr(root_.size())] = test_support::ReadFile(path);
    }
    return files;
  }
};

TEST_F(CheckTest, InstallType) {
  struct Row {
    const char* what;
    const char16_t* user_time;  // null: no per-user ini
    const char16_t* first_time;
    const char16_t* common_time;
    int32_t admin_change;  // -1: missing
    uint16_t expected;
  } rows[] = {
      {"no per-user ini", nullptr, u"20260101000000", u"20260101000000", -1, kInstallFirst},
      {"per-user stamp empty", u"", u"20260101000000", u"20260101000000", -1, kInstallFirst},
      {"per-user earlier than the first install", u"20251231235959", u"20260101000000", u"20260101000000", -1,
       kInstallFirst},
      {"common later, AdminChange missing", u"20260102000000", u"20260101000000", u"20260103000000", -1,
       kInstallUpdate},
      {"common later, AdminChange 0", u"20260102000000", u"20260101000000", u"20260103000000", 0, kInstallUpdate},
      {"common later, AdminChange set", u"20260102000000", u"20260101000000", u"20260103000000", 1,
       kInstallAdminChange},
      {"equal stamps", u"20260102000000", u"20260101000000", u"20260102000000", -1, kInstallNothing},
      {"equal on 14 characters", u"20260102000000x", u"20260101000000", u"20260102000000y", -1, kInstallNothing},
      {"common empty", u"20260102000000", u"20260101000000", u"", -1, kInstallNothing},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::u16string name = u"T" + plat::FromUtf8(std::to_string(n++));
    HANDLE printer = AddPrinter(name, u"VELM Driver");
    if (r.user_time) Write(DriverIni(1), name, u"DrvInstTime", r.user_time);
    Write(DriverIni(0), name, u"DrvFirstInstTime", r.first_time);
    Write(DriverIni(0), name, u"DrvInstTime", r.common_time);
    if (r.admin_change >= 0) SetAdminChange(printer, uint32_t(r.admin_change));
    if (!r.user_time) (void)DeleteFileW(DriverIni(1).c_str());  // may be absent already
    uint16_t type = 99;
    EXPECT_EQ(InstQueryInstallType(printer, &type), 1);
    EXPECT_EQ(type, r.expected);
  }
}

TEST_F(CheckTest, InstallRecord) {
  // Without a terminal server nothing is written.
  TerminalServer(false);
  EXPECT_EQ(InstWriteInstallRecord(printer_, 1, 0), 1);
  EXPECT_FALSE(FileExists(DriverIni(0).c_str()));

  TerminalServer(true);
  struct Row {
    int32_t mode;
    uint16_t type;
    bool per_user;
    bool first;
  } rows[] = {{0, 3, false, false}, {1, 1, true, false}, {2, 2, false, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE("mode " + std::to_string(r.mode));
    (void)DeleteFileW(DriverIni(0).c_str());  // may be absent already
    (void)DeleteFileW(DriverIni(1).c_str());  // may be absent already
    FileCreateDirectory(CommonDir().c_str());
    FileCreateDirectory(UserDir().c_str());
    EXPECT_EQ(InstWriteInstallRecord(printer_, r.type, r.mode), 1);
    const std::u16string ini = DriverIni(r.per_user ? 1 : 0);
    EXPECT_EQ(Value(ini, u"Office", u"DrvInstTime"), u"20261211083005");
    EXPECT_EQ(Value(ini, u"Office", u"DrvInstType"), plat::FromUtf8(std::to_string(r.type)));
    EXPECT_EQ(Value(ini, u"Office", u"DrvInstVersion"), u"3.62");
    EXPECT_EQ(Value(ini, u"Office", u"DrvFirstInstTime"), r.first ? u"20261211083005" : u"");
    EXPECT_FALSE(FileExists(DriverIni(r.per_user ? 0 : 1).c_str()));
  }
}

TEST_F(CheckTest, ConnectionIsMarkedOnATerminalServerAndSetUpElsewhere) {
  for (bool ts : {true, false}) {
    SCOPED_TRACE(ts ? "terminal server" : "no terminal server");
    TerminalServer(ts);
    const std::u16string name = ts ? u"\\\\srv\\A" : u"\\\\srv\\B";
    HANDLE printer = AddPrinter(name, u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL, u"\\\\srv");
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\ORVEK\\PrintLog", &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, u"LogFileDirectory");
      RegCloseKey(key);
    }
    InstCheckPrinter(printer, 1, nullptr);
    EXPECT_EQ(Value(DriverIni(0), name, u"BatchInstallDone"), ts ? u"1" : u"");
    EXPECT_EQ(Value(DriverIni(0), name, u"DrvInstVersion"), u"3.62");
    EXPECT_EQ(PrintLogKeyExists(), !ts) << "the set-up ran";
  }
}

TEST_F(CheckTest, AnOlderConnectionVersionIsRefreshed) {
  TerminalServer(false);
  const std::u16string name = u"\\\\srv\\Old";
  HANDLE printer = AddPrinter(name, u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL, u"\\\\srv");
  Write(DriverIni(0), name, u"BatchInstallDone", u"1");
  Write(DriverIni(0), name, u"DrvInstVersion", u"3.61");
  EXPECT_EQ(InstCheckPrinter(printer, 1, nullptr), 1);
  EXPECT_EQ(Value(DriverIni(0), name, u"DrvInstVersion"), u"3.62");
  // Flags 0 leaves the connection alone.
  Write(DriverIni(0), name, u"DrvInstVersion", u"3.61");
  EXPECT_EQ(InstCheckPrinter(printer, 0, nullptr), 1);
  EXPECT_EQ(Value(DriverIni(0), name, u"DrvInstVersion"), u"3.61");
}

TEST_F(CheckTest, TerminalServerListCorrection) {
  TerminalServer(true);
  const std::u16string user = DriverIni(1);
  const std::u16string common_file = CommonDir() + u"\\a.qsd";
  Write(common_file, u"Office", u"Paper", u"A4");
  Write(common_file, u"condition", u"c", u"1");
  Write(common_file, u"disable", u"d", u"1");
  Write(common_file, u"Unrelated", u"u", u"1");
  Write(user, u"Office", u"Count", u"2");
  Write(user, u"Office", u"PresetList0", common_file);
  Write(user, u"Office", u"PresetList0Name", u"A");
  Write(user, u"Office", u"PresetList1", u"C:\\Elsewhere\\b.qsd");
  Write(user, u"Office", u"PresetList1Name", u"B");
  EXPECT_EQ(InstGetTsIniState(printer_, nullptr), kTsIniCorrected) << "no printer information";
  PRINTER_INFO_2W info{};
  std::u16string name = u"Office";
  info.pPrinterName = name.data();
  EXPECT_EQ(InstGetTsIniState(printer_, &info), kTsIniNeedsCorrection);
  EXPECT_EQ(InstCorrectTsIni(printer_, &info), kTsIniCorrected);
  EXPECT_EQ(Value(user, u"Office", u"PresetList0"), UserDir() + u"\\a.qsd");
  EXPECT_EQ(Value(user, u"Office", u"PresetList1"), u"C:\\Elsewhere\\b.qsd");
  const std::u16string moved = UserDir() + u"\\a.qsd";
  EXPECT_EQ(Value(moved, u"Office", u"Paper"), u"A4");
  EXPECT_EQ(Value(moved, u"condition", u"c"), u"1");
  EXPECT_EQ(Value(moved, u"disable", u"d"), u"1");
  EXPECT_EQ(Value(moved, u"Unrelated", u"u"), u"");
  EXPECT_EQ(Value(user, u"Office", u"TSIniCorrectDone"), u"1");
  EXPECT_EQ(InstGetTsIniState(printer_, &info), kTsIniCorrected);

  // An empty entry makes the list unusable.
  // the key may be absent already
  (void)WritePrivateProfileStringW(u"Office", u"TSIniCorrectDone", nullptr, user.c_str());
  Write(user, u"Office", u"PresetList1Name", u"");
  EXPECT_EQ(InstCorrectTsIni(printer_, &info), kTsIniUnusable);
  EXPECT_EQ(Value(user, u"Office", u"TSIniCorrectDone"), u"");
  // No Count at all: unusable too.
  (void)WritePrivateProfileStringW(u"Office", u"Count", nullptr, user.c_str());  // the key may be absent already
  EXPECT_EQ(InstGetTsIniState(printer_, &info), kTsIniUnusable);
}

TEST_F(CheckTest, LocalLowMovesOnceAndNeverOutside) {
  TerminalServer(true);
  char16_t low[261] = {};
  ASSERT_TRUE(PathGetLocalAppDataLow(low, 261));
  const std::u16string old_dir = std::u16string(low) + u"\\_velm";
  const std::u16string old_ini = old_dir + u"\\" + DriverIni(1).substr(DriverIni(1).find_last_of(u'\\') + 1);
  const std::u16string language = ResGetHelpDataLanguageCode(printer_);
  ASSERT_FALSE(language.empty());
  const std::u16string qst = CommonDir() + u"\\default.qst";
  Write(old_ini, u"Office", u"Count", u"1");
  Write(old_ini, u"Office", u"PresetList0", old_dir + u"\\p.qsd");
  Write(old_ini, u"Office", u"PresetList0Name", u"P");
  Write(old_ini, u"Office", u"DefaultQst", qst);
  Write(old_ini, language, u"StampCount", u"1");
  Write(old_ini, u"Stamp0" + language, u"Text", u"Draft");
  Write(old_dir + u"\\p.qsd", u"Office", u"Paper", u"A3");
  Write(qst, language, u"NumDeficonfiles", u"4");
  Write(qst, language, u"Deficonfiles1", u"%sysdir%icon.bmp");
  Write(qst, language, u"Deficonfiles2", u"%sysdir%..\\..\\evil.txt");
  Write(qst, language, u"Deficonfiles3", u"%sysdir%C:");
  Write(qst, language, u"Deficonfiles4", u"%sysdir%..");
  Put(old_dir + u"\\icon.bmp", "icon");
  Put(old_dir + u"\\evil.txt", "evil");
  Put(u"C:\\Users\\evil.txt", "outside");
  // What "..\..\evil.txt" would reach from the old folder.
  Put(Folder(low) + u"\\evil.txt", "escaped");

  const auto outside = Snapshot(UserDir());
  ASSERT_EQ(InstMigrateLocalLow(printer_, nullptr), 1);
  EXPECT_EQ(Snapshot(UserDir()), outside) << "written outside the user's folder";
  const std::u16string user = DriverIni(1);
  EXPECT_EQ(Value(user, u"Office", u"PresetList0"), UserDir() + u"\\p.qsd");
  EXPECT_EQ(Value(UserDir() + u"\\p.qsd", u"Office", u"Paper"), u"A3");
  EXPECT_EQ(Value(user, u"Stamp0" + language, u"Text"), u"Draft");
  EXPECT_EQ(Get(UserDir() + u"\\icon.bmp"), "icon");
  EXPECT_EQ(Get(UserDir() + u"\\evil.txt"), "evil") << "only the final name, from the old folder";
  EXPECT_EQ(Get(u"C:\\Users\\evil.txt"), "outside");
  EXPECT_EQ(Value(user, u"Office", u"LocalLowCorrectDone"), u"1");
  EXPECT_EQ(Value(user, language, u"LocalLowCorrectDone"), u"1");

  // Once: a second run moves nothing again.
  Write(old_dir + u"\\p.qsd", u"Office", u"Paper", u"B5");
  Write(user, u"Office", u"PresetList0", old_dir + u"\\p.qsd");
  ASSERT_EQ(InstMigrateLocalLow(printer_, nullptr), 1);
  EXPECT_EQ(Value(user, u"Office", u"PresetList0"), old_dir + u"\\p.qsd");
}

TEST_F(CheckTest, WithoutATerminalServerTheCheckOnlyLooksAtConnections) {
  TerminalServer(false);
  const auto before = Snapshot(u"C:\\nothing");
  EXPECT_EQ(InstCheckOnOpen(printer_), 1);
  EXPECT_EQ(Snapshot(u"C:\\nothing"), before);
}

TEST_F(CheckTest, FirstUseOnATerminalServerMakesTheUsersCopies) {
  TerminalServer(true);
  const std::u16string common = DriverIni(0);
  const std::u16string preset = CommonDir() + u"\\office.qsd";
  Write(common, u"Office", u"Count", u"1");
  Write(common, u"Office", u"PresetList0", CommonDir() + u"\\office.qsr");
  Write(common, u"Office", u"PresetList0Name", u"Office preset");
  Put(preset, "[Office]\r\nPaper=A4\r\n");
  EXPECT_EQ(InstCheckOnOpen(printer_), 1);
  EXPECT_EQ(Get(UserDir() + u"\\office.qsd"), "[Office]\r\nPaper=A4\r\n");
  EXPECT_EQ(Value(DriverIni(1), u"Office", u"DrvInstTime"), u"20261211083005");
  uint16_t type = 99;
  EXPECT_EQ(InstQueryInstallType(printer_, &type), 1);
  EXPECT_EQ(type, kInstallNothing);
  // An administrator's later change reaches the user at the next open.
  plat::SetMachineSetting("clock", "2026-12-11 09:00:00");
  ASSERT_EQ(InstWriteInstallRecord(printer_, kInstallAdminChange, 0), 1);
  SetAdminChange(printer_, 1);
  EXPECT_EQ(InstQueryInstallType(printer_, &type), 1);
  EXPECT_EQ(type, kInstallAdminChange);
  plat::SetMachineSetting("clock", "2026-12-11 09:00:01");
  EXPECT_EQ(InstCheckOnOpen(printer_), 1);
  EXPECT_EQ(InstQueryInstallType(printer_, &type), 1);
  EXPECT_EQ(type, kInstallNothing);
}

}  // namespace
