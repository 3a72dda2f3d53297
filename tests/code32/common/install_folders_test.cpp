// The work and data folder keys of the install inis.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_test_machine.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/printer_data.h"

namespace {

using install_test::Install;

constexpr const char16_t* kBatch = u"C:\\Windows\\System32\\VELM.ini";

class Folders : public Install {
 protected:
  void SetUp() override {
    Install::SetUp();
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Work"));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Data"));
  }
  std::string Registry(const char16_t* name) {
    char16_t buf[300] = {};
    return RegReadDrvValue(name, buf, sizeof buf - 2) ? plat::ToUtf8(buf) : "<none>";
  }
  std::string PrinterValue() {
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    if (!GetData(printer_, u"SpoolDirectory", &type, &bytes)) return "<none>";
    EXPECT_EQ(type, 1u) << "REG_SZ";
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 1] | bytes[bytes.size() - 2], 0) << "stored with its terminator";
    return plat::ToUtf8(reinterpret_cast<const char16_t*>(bytes.data()));
  }
  void Apply(const std::string& keys) {
    Put(kBatch, "[Office]\r\n" + keys);
    EXPECT_EQ(InstApplySpoolDirectory(kBatch, u"Office", ctx_), 1);
    EXPECT_EQ(IniValue(kBatch, "Office", "SpoolDirectory"), "<none>") << "the key is always deleted";
    EXPECT_EQ(IniValue(kBatch, "Office", "SpoolDirectoryAll"), "<none>");
  }
};

TEST_F(Folders, SpoolDirectoryGoesToPrinterDataOrToAllPrinters) {
  Apply("SpoolDirectory=C:\\Work\r\nSpoolDirectoryAll=on\r\n");
  EXPECT_EQ(PrinterValue(), "C:\\Work");
  EXPECT_EQ(Registry(u"SpoolDirectory"), "<none>") << "only exactly ON means all printers";
  Apply("SpoolDirectory=C:\\Data\r\nSpoolDirectoryAll=ON\r\n");
  EXPECT_EQ(Registry(u"SpoolDirectory"), "C:\\Data");
  EXPECT_EQ(PrinterValue(), "C:\\Work");
  Apply("SpoolDirectoryAll=ON\r\n");
  EXPECT_EQ(Registry(u"SpoolDirectory"), "C:\\Data") << "no key, no change";
  Apply("SpoolDirectory=\r\nSpoolDirectoryAll=ON\r\n");
  EXPECT_EQ(Registry(u"SpoolDirectory"), "") << "empty with ON resets the all-printers folder";
}

TEST_F(Folders, SystemDrivePrefixTakesTheWindowsDrive) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"D:\\Windows"));
  ASSERT_TRUE(plat::EnsureWindowsDir(u"D:\\Work"));
  plat::SetMachineSetting("dir.windows", "D:\\Windows");
  Apply("SpoolDirectory=%systemdrive%\\Work\r\n");
  plat::ResetMachineSetting("dir.windows");
  EXPECT_EQ(PrinterValue(), "D:\\Work");
}

TEST_F(Folders, OnlyExistingFoldersOfFittingLength) {
  Put(u"C:\\Work\\file.txt", "x");
  const std::string deep = "C:\\Work\\" + std::string(231, 'd');  // 239 characters: 239 + 21 = 260
  ASSERT_TRUE(plat::EnsureWindowsDir(W(deep).c_str()));
  const std::string fits = "C:\\Work\\" + std::string(230, 'e');  // 238 characters
  ASSERT_TRUE(plat::EnsureWindowsDir(W(fits).c_str()));
  for (const std::string& folder : {std::string("C:\\Missing"), std::string("C:\\Work\\file.txt"), std::string("C:\\*"),
                                    std::string("C:\\Wor?"), deep}) {
    Apply("SpoolDirectory=" + folder + "\r\n");
    EXPECT_EQ(PrinterValue(), "<none>") << folder;
  }
  Apply("SpoolDirectory=" + fits + "\r\n");
  EXPECT_EQ(PrinterValue(), fits);
}

TEST_F(Folders, DataDirectory) {
  Put(kBatch, "[Office]\r\nVELMDirectory=C:\\Data\r\n");
  EXPECT_EQ(InstApplyVelmDirectoryFromBatchIni(printer_, u"Office"), 1);
  EXPECT_EQ(Registry(u"_VELMDirectory"), "C:\\Data\\_velm");
  EXPECT_EQ(IniValue(kBatch, "Office", "VELMDirectory"), "<none>");
  Put(kBatch, "[Office]\r\nVELMDirectory=C:\\Missing\r\n");
  EXPECT_EQ(InstApplyVelmDirectoryFromBatchIni(printer_, u"Office"), 1);
  EXPECT_EQ(Registry(u"_VELMDirectory"), "C:\\Data\\_velm") << "a missing folder changes nothing";
  EXPECT_EQ(IniValue(kBatch, "Office", "VELMDirectory"), "<none>");
  Put(kBatch, "[Office]\r\nVELMDirectory=\r\n");
  EXPECT_EQ(InstApplyVelmDirectoryFromBatchIni(printer_, u"Office"), 1);
  EXPECT_EQ(Registry(u"_VELMDirectory"), "") << "empty resets it";
  const std::string deep = "C:\\Work\\" + std::string(206, 'd');  // 214 + "\" + 46 = 261
  ASSERT_TRUE(plat::EnsureWindowsDir(W(deep).c_str()));
  Put(kBatch, "[Office]\r\nVELMDirectory=" + deep + "\r\n");
  EXPECT_EQ(InstApplyVelmDirectoryFromBatchIni(printer_, u"Office"), 1);
  EXPECT_EQ(Registry(u"_VELMDirectory"), "") << "too long";
}

TEST_F(Folders, TheInisLastWriteTimeIsKept) {
  Put(kBatch, "[Office]\r\nSpoolDirectory=C:\\Work\r\nVELMDirectory=C:\\Data\r\n");
  const FILETIME old_time = plat::FileTimeFromUnix(1000000, 0);
  HANDLE h = CreateFileW(kBatch, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &old_time));
  CloseHandle(h);
  EXPECT_EQ(InstApplySpoolDirectory(kBatch, u"Office", ctx_), 1);
  EXPECT_EQ(InstApplyVelmDirectoryFromBatchIni(printer_, u"Office"), 1);
  EXPECT_EQ(Get(kBatch).find("Directory"), std::string::npos);
  h = CreateFileW(kBatch, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME now{};
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &now));
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&now, &old_time), 0);
}

}  // namespace
