// The printer set-up sequence, the merge keys and renamed printers, on a
// machine whose printer "Office" has a model-description file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "velm/devmode.h"
#include "velm/files.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

namespace {

using plat::ToUtf8;

class SetupTest : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
  }

  static std::u16string DriverIni(int32_t mode) {
    char16_t path[261] = {};
    EXPECT_TRUE(PathGetDriverIniNoCtx(path, 261, mode));
    return path;
  }

  static std::u16string Value(const std::u16string& file, const std::u16string& section, const char16_t* key) {
    char16_t text[512] = {};
    GetPrivateProfileStringW(section.c_str(), key, u"", text, 512, file.c_str());
    return text;
  }

  static bool Write(const std::u16string& file, const std::u16string& section, const char16_t* key,
                    const std::u16string& value) {
    return WritePrivateProfileStringW(section.c_str(), key, value.c_str(), file.c_str());
  }

  static bool HasData(HANDLE printer, const char16_t* name) {
    std::u16string n = name;
    DWORD type = 0, needed = 0;
    BYTE data[8192];
    return GetPrinterDataW(printer, n.data(), &type, data, sizeof data, &needed) == ERROR_SUCCESS;
  }

  static void SetData(HANDLE printer, const char16_t* name, const std::u16string& text) {
    std::u16string n = name;
    std::u16string v = text;
    ASSERT_EQ(SetPrinterDataW(printer, n.data(), REG_SZ, reinterpret_cast<BYTE*>(v.data()),
                              DWORD((v.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
  }

  static bool PrintLogKeyExists() {
    char16_t dir[260] = {};
    return RegReadString(u"Software\\ORVEK\\PrintLog", u"LogFileDirectory", dir, 260) && dir[0];
  }

  static void ForgetPrintLog() {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\ORVEK\\PrintLog", &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, u"LogFileDirectory");
      RegCloseKey(key);
    }
  }

  // Every file of the machine with its bytes, but the lock and journal
  // folders and the temporary folder's logs.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      const std::string path = e.path().string();
      if (!e.is_regular_file() || path.find("/.") != std::string::npos || path.find("/temp/") != std::string::npos ||
          path.find("/Temp/") != std::string::npos)
        continue;
      files[path.substr(root_.size())] = test_support::ReadFile(path);
    }
    return files;
  }
};

// ---- the set-up sequence by type ------------------------------------------------------------

TEST_F(SetupTest, EachTypeChangesItsOwnStores) {
  struct Row {
    const char* what;
    int32_t type;
    uint32_t buffer_extra;  // bytes beyond the DEVMODE; ~0u: a buffer one byte short; 0 with no_buffer
    bool no_buffer;
    bool version;    // driver ini DrvInstVersion
    bool names;      // printer data PrinterName, DriverName, HelpFileName
    bool copied;     // the DEVMODE reaches the caller
    bool local;      // printer-wide items: BidiFlag, print-log file name
    bool print_log;  // the print-log registry values
  };
  const Row rows[] = {
      {"driver default with a buffer", kSetupDriverDefault, 16, false, false, true, true, true, true},
      {"driver default without a buffer", kSetupDriverDefault, 0, true, false, true, false, true, true},
      {"driver default, buffer one byte short", kSetupDriverDefault, ~0u, false, false, true, false, true, true},
      {"initialize", kSetupInitialize, 16, false, false, true, false, true, true},
      {"connection", kSetupConnection, 16, false, true, false, false, false, true},
      {"per-user reload", kSetupUserReload, 16, false, false, false, false, false, false},
      {"first use", kSetupFirstUse, 16, false, true, false, false, false, true},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::u16string name = u"P" + plat::FromUtf8(std::to_string(n++));
    HANDLE printer = AddPrinter(name, u"VELM Driver");
    ForgetPrintLog();
    const uint32_t total = DmGetTotalSize();
    const uint32_t size = row.buffer_extra == ~0u ? total - 1 : total + row.buffer_extra;
    std::vector<uint8_t> out(size + 64, 0xCD);
    ASSERT_EQ(InstInitializePrinter(printer, row.no_buffer ? nullptr : out.data(), row.no_buffer ? 0 : size, row.type),
              1);
    EXPECT_EQ(Value(DriverIni(0), name, u"DrvInstVersion") == u"3.62", row.version);
    EXPECT_EQ(HasData(printer, u"PrinterName"), row.names);
    EXPECT_EQ(HasData(printer, u"DriverName"), row.names);
    EXPECT_EQ(HasData(printer, u"HelpFileName"), row.names);
    uint16_t dm_size = 0;
    std::memcpy(&dm_size, out.data() + 68, 2);
    EXPECT_EQ(dm_size == DmGetPublicSize(), row.copied);
    EXPECT_EQ(out[size], 0xCD) << "written beyond the caller's buffer";
    EXPECT_EQ(HasData(printer, u"BidiFlag"), row.local);
    EXPECT_EQ(HasData(printer, u"LogFileName"), row.local);
    EXPECT_EQ(PrintLogKeyExists(), row.print_log);
  }
}

TEST_F(SetupTest, AFailedContextOpenChangesNothing) {
  ASSERT_TRUE(DeleteFileW(ModelPath().c_str()));
  const auto before = Snapshot();
  std::vector<uint8_t> out(DmGetTotalSize(), 0);
  EXPECT_EQ(InstInitializePrinter(printer_, out.data(), uint32_t(out.size()), kSetupDriverDefault), 0);
  EXPECT_EQ(InstInitializePrinter(printer_, nullptr, 0, kSetupInitialize), 0);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(SetupTest, SetUpOnceRunsOnlyWhileTheMarkerIsMissing) {
  // The marker of a local printer is its printer data BatchInstallDone.
  ASSERT_TRUE(InstWriteBatchInstallDone(printer_, 1, nullptr));
  EXPECT_EQ(InstIsBatchInstallDone(printer_), 1);
  EXPECT_EQ(InstSetUpOnce(printer_, nullptr, 0, kSetupInitialize), kSetupAlreadyDone);
  EXPECT_FALSE(HasData(printer_, u"PrinterName")) << "the sequence ran";
  ASSERT_TRUE(InstWriteBatchInstallDone(printer_, 0, nullptr));
  EXPECT_EQ(InstIsBatchInstallDone(printer_), 0);
  EXPECT_EQ(InstSetUpOnce(printer_, nullptr, 0, kSetupInitialize), 1);
  EXPECT_TRUE(HasData(printer_, u"PrinterName"));

  // A connection's marker is BatchInstallDone of the common driver ini.
  HANDLE shared = AddPrinter(u"Shared", u"VELM Driver");
  ASSERT_TRUE(Write(DriverIni(0), u"Shared", u"BatchInstallDone", u"1"));
  EXPECT_EQ(InstSetUpOnce(shared, nullptr, 0, kSetupFirstUse), kSetupAlreadyDone);
  EXPECT_EQ(Value(DriverIni(0), u"Shared", u"DrvInstVersion"), u"");
}

TEST_F(SetupTest, BatchInstallDoneIsFourBytes) {
  uint32_t v = 7;
  EXPECT_EQ(InstReadBatchInstallDone(printer_, &v, nullptr), 0) << "missing";
  EXPECT_EQ(v, 7u);
  std::u16string name = u"BatchInstallDone";
  uint16_t short_value = 1;
  ASSERT_EQ(SetPrinterDataW(printer_, name.data(), REG_BINARY, reinterpret_cast<BYTE*>(&short_value), 2),
            ERROR_SUCCESS);
  EXPECT_EQ(InstIsBatchInstallDone(printer_), 0) << "a value of another size is not the marker";
  ASSERT_TRUE(InstWriteBatchInstallDone(printer_, 5, nullptr));
  EXPECT_EQ(InstReadBatchInstallDone(printer_, &v, nullptr), 1);
  EXPECT_EQ(v, 5u);
}

TEST_F(SetupTest, IniFlag) {
  const std::u16string ini = DriverIni(0);
  ASSERT_TRUE(FileCreateDirectory(std::u16string(ini, 0, ini.find_last_of(u'\\')).c_str()));
  struct Row {
    const char16_t* value;  // null: missing
    const char16_t* section;
    int32_t expected;
  } rows[] = {{u"1", u"S", 1}, {u"0", u"S", 0}, {u"32767", u"S", 0}, {nullptr, u"S", 0}, {u"5", u"", 0},
              {u"-1", u"S", 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(ToUtf8(r.value ? r.value : u"(missing)"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"Flag", r.value, ini.c_str()));
    EXPECT_EQ(InstIniFlagIsSet(ini.c_str(), r.section, u"Flag"), r.expected);
  }
}

// ---- merge keys -------------------------------------------------------------------------------

TEST_F(SetupTest, MergeKeyModes) {
  DriverContext* ctx = OpenKind(1 | kKindOptAdmin);
  ASSERT_NE(ctx, nullptr);
  const std::u16string info = PathGetInstallInfoFile(ctx);
  const std::u16string language = InstGetLanguageSectionName(ctx);
  const std::u16string ini = PathGetDriverIni(ctx);
  ASSERT_FALSE(info.empty());
  ASSERT_FALSE(language.empty());
  ASSERT_TRUE(FileCreateDirectory(std::u16string(ini, 0, ini.find_last_of(u'\\')).c_str()));

  // An empty language section: nothing is written.
  EXPECT_EQ(InstCopyMergeKeys(ctx, 0, nullptr), 0);
  EXPECT_FALSE(FileExists(ini.c_str()) && Value(ini, u"Office", u"MergeKey") != u"");

  ASSERT_TRUE(Write(info, language, u"MergeKey", u"K1"));
  ASSERT_TRUE(Write(info, language, u"APIAPLInfo", u"last row"));
  ASSERT_TRUE(Write(info, language, u"DrvDefJobMergePath", u"plain"));
  ASSERT_TRUE(Write(info, language, u"DrvDefJobMergePath2k", u"C:\\Merge2k"));
  ASSERT_TRUE(Write(info, language, u"DrvDefJobMergePathnt", u"C:\\MergeNt"));
  ASSERT_TRUE(Write(info, language, u"DefaultQst", u"not a merge key"));
  EXPECT_EQ(InstCopyMergeKeys(ctx, 0, nullptr), 1);
  EXPECT_EQ(Value(ini, u"Office", u"MergeKey"), u"K1");
  EXPECT_EQ(Value(ini, u"Office", u"APIAPLInfo"), u"last row");
  EXPECT_EQ(Value(ini, u"Office", u"DrvDefJobMergePath"), u"C:\\Merge2k");
  EXPECT_EQ(Value(ini, u"Office", u"DefaultQst"), u"") << "only kind-0 rows come from the install-info file";

  struct Row {
    int32_t mode;
    const char16_t* value;
    int32_t result;
    const char16_t* default_qst;  // expected afterwards
    const char16_t* batch_qst;
  } rows[] = {
      {1, u"C:\\a.qsb", 1, u"C:\\a.qsb", u""},
      {1, nullptr, 0, u"C:\\a.qsb", u""},
      {3, u"C:\\b.qsb", 1, u"C:\\b.qsb", u"C:\\b.qsb"},
      {4, u"C:\\c.qsb", 1, u"C:\\b.qsb", u"C:\\c.qsb"},
      {4, nullptr, 1, u"C:\\b.qsb", u""},
      {2, u"C:\\d.qsb", 1, u"C:\\b.qsb", u""},
      {3, nullptr, 1, u"", u""},
      {5, u"C:\\e.qsb", 0, u"", u""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("mode " + std::to_string(r.mode));
    EXPECT_EQ(InstCopyMergeKeys(ctx, r.mode, r.value), r.result);
    EXPECT_EQ(Value(ini, u"Office", u"DefaultQst"), r.default_qst);
    EXPECT_EQ(Value(ini, u"Office", u"BatchInstQst"), r.batch_qst);
  }
  CtxCloseAs(ctx, kCloseDestroy);

  // Windows NT 4 reads the "nt" key.
  plat::SetMachineSetting("os.major", "4");
  ctx = OpenKind(1 | kKindOptAdmin);
  ASSERT_NE(ctx, nullptr);
  const std::u16string nt_ini = PathGetDriverIni(ctx);
  ASSERT_TRUE(FileCreateDirectory(std::u16string(nt_ini, 0, nt_ini.find_last_of(u'\\')).c_str()));
  EXPECT_EQ(InstCopyMergeKeys(ctx, 0, nullptr), 1);
  EXPECT_EQ(Value(nt_ini, u"Office", u"DrvDefJobMergePath"), u"C:\\MergeNt");
  CtxCloseAs(ctx, kCloseDestroy);
}

// ---- renamed printers -------------------------------------------------------------------------

TEST_F(SetupTest, Rename) {
  struct Row {
    const char* what;
    const char16_t* stored;  // printer data PrinterName; null: missing
    bool remote;
    bool client_name;
    int32_t result;
  } rows[] = {
      {"name missing", nullptr, false, false, 1},
      {"another name", u"Old", false, false, 1},
      {"same name in another case", u"OFFICE", false, false, 0},
      {"over-long stored name", nullptr, false, false, 1},
      {"reached through a server", u"Old", true, false, 0},
      {"client name present", u"Old", false, true, 0},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::u16string name = u"R" + plat::FromUtf8(std::to_string(n++));
    const std::u16string full = r.remote ? u"\\\\srv\\" + name : name;
    HANDLE printer = AddPrinter(full, u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL, r.remote ? u"\\\\srv" : u"");
    std::u16string stored = r.stored ? (std::u16string(r.stored) == u"OFFICE" ? u"r" + name.substr(1) : r.stored)
                                     : std::u16string();
    if (std::string(r.what) == "over-long stored name") stored = std::u16string(600, u'x');
    if (!stored.empty()) SetData(printer, u"PrinterName", stored);
    if (r.client_name) SetData(printer, u"ClientName", u"\\\\client");
    DriverContext* ctx = OpenKind(1, printer);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(InstHandlePrinterRename(ctx), r.result);
    char16_t now[261] = {};
    SplReadPrinterString(printer, u"PrinterName", now, 261);
    if (r.result == 1) {
      EXPECT_EQ(std::u16string(now), full);
      EXPECT_TRUE(HasData(printer, u"DriverName"));
    } else {
      EXPECT_EQ(std::u16string(now), stored.size() < 261 ? stored : u"");
    }
    CtxCloseAs(ctx, kCloseDestroy);
  }
}

TEST_F(SetupTest, RenameCarriesTheWholeClientSection) {
  char16_t dir[261] = {};
  ASSERT_GT(PathGetCommonDataDir(dir, 261), 0);
  ASSERT_TRUE(FileCreateDirectory(dir));
  const std::u16string client_ini = std::u16string(dir) + u"\\velmclt.ini";
  // Longer than the 30,720 characters a section read starts with.
  std::string text = "[Old]\r\n";
  for (int i = 0; i < 2000; ++i) text += "Key" + std::to_string(i) + "=" + std::string(20, 'v') + "\r\n";
  text += "[Other]\r\nKeep=1\r\n";
  Put(client_ini, text);
  SetData(printer_, u"PrinterName", u"Old");
  DriverContext* ctx = OpenKind(1);
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(InstHandlePrinterRename(ctx), 1);
  CtxCloseAs(ctx, kCloseDestroy);
  EXPECT_EQ(Value(client_ini, u"Office", u"Key0"), plat::FromUtf8(std::string(20, 'v')));
  EXPECT_EQ(Value(client_ini, u"Office", u"Key1999"), plat::FromUtf8(std::string(20, 'v')));
  EXPECT_EQ(Value(client_ini, u"Old", u"Key1999"), plat::FromUtf8(std::string(20, 'v'))) << "the old section stays";
  EXPECT_EQ(Value(client_ini, u"Other", u"Keep"), u"1");
}

}  // namespace
