// File helpers, copy-by-mode rules and the ini access of the driver.
#include "env_test_machine.h"
#include "plat/profile.h"
#include "velm/files.h"
#include "velm/ini.h"

namespace {

using env_test::EnvMachine;
using env_test::U8;

class FileHelpers : public EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Src", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Dst", nullptr));
  }
  // Writes a file with a chosen last-write time (seconds since 1970).
  static void Make(const std::u16string& path, const std::string& text, int64_t seconds) {
    Put(path, text);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME t = plat::FileTimeFromUnix(seconds, 0);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
  }
};

TEST_F(FileHelpers, CopyModeTable) {
  struct Case {
    const char* name;
    bool source, target;
    int64_t source_time, target_time;
    bool target_read_only;
    uint16_t mode;
    int want;
    const char* target_after;  // content afterwards, "" when missing
  } cases[] = {
      {"mode 1, source missing", false, false, 0, 0, false, 1, 0, ""},
      {"mode 1, target exists, source newer", true, true, 200, 100, false, 1, 1, "old"},
      {"mode 1, target missing", true, false, 100, 0, false, 1, 1, "new"},
      {"mode 0, same time", true, true, 100, 100, false, 0, 0, "old"},
      {"mode 0, source older", true, true, 50, 100, false, 0, 1, "new"},
      {"mode 0, source newer", true, true, 200, 100, false, 0, 1, "new"},
      {"mode 0, read-only target replaced", true, true, 200, 100, true, 0, 1, "new"},
      {"mode 0, target missing", true, false, 100, 0, false, 0, 1, "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)SetFileAttributesW(u"C:\\Dst\\f.txt", FILE_ATTRIBUTE_NORMAL);  // the file may be absent
    (void)DeleteFileW(u"C:\\Dst\\f.txt");  // may be absent already
    (void)DeleteFileW(u"C:\\Src\\f.txt");  // may be absent already
    if (c.source) Make(u"C:\\Src\\f.txt", "new", c.source_time);
    if (c.target) Make(u"C:\\Dst\\f.txt", "old", c.target_time);
    if (c.target_read_only) {
      EXPECT_TRUE(SetFileAttributesW(u"C:\\Dst\\f.txt", FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_EQ(FileCopyByMode(u"C:\\Dst\\f.txt", u"C:\\Src\\f.txt", c.mode), c.want);
    EXPECT_EQ(Get(u"C:\\Dst\\f.txt"), c.target_after);
    if (c.want && std::string(c.target_after) == "new") {
      EXPECT_EQ(GetFileAttributesW(u"C:\\Dst\\f.txt"), FILE_ATTRIBUTE_ARCHIVE);  // archive alone
    }
  }
  EXPECT_EQ(FileCopyByMode(u"C:\\Src\\f.txt", u"c:\\src\\F.TXT", 0), 1);  // the same file: nothing to do
  EXPECT_EQ(FileCopyByMode(u"Dst\\f.txt", u"C:\\Src\\f.txt", 0), 0);     // not a full path

  Make(u"C:\\Src\\g.txt", "older", 100);
  Make(u"C:\\Dst\\g.txt", "newer", 200);
  EXPECT_EQ(FileCopyBetweenDirs(u"g.txt", u"C:\\Src\\", u"C:\\Dst\\", 0), 0);  // the source must be later
  Make(u"C:\\Src\\g.txt", "latest", 300);
  EXPECT_EQ(FileCopyBetweenDirs(u"g.txt", u"C:\\Src\\", u"C:\\Dst\\", 0), 1);
  EXPECT_EQ(Get(u"C:\\Dst\\g.txt"), "latest");
  EXPECT_EQ(FileCopyBetweenDirs(u"", u"C:\\Src\\", u"C:\\Dst\\", 0), 0);
}

TEST_F(FileHelpers, AFailedCopyKeepsTheOldTarget) {
  Make(u"C:\\Src\\f.txt", "new", 200);
  Make(u"C:\\Dst\\f.txt", "old", 100);
  EXPECT_TRUE(SetFileAttributesW(u"C:\\Dst\\f.txt", FILE_ATTRIBUTE_READONLY));
  plat::FailNth("CopyFileW", 1);
  EXPECT_EQ(FileCopyByMode(u"C:\\Dst\\f.txt", u"C:\\Src\\f.txt", 0), 0);
  EXPECT_EQ(Get(u"C:\\Dst\\f.txt"), "old");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Dst\\f.txt") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileHelpers, InstallFromTheDriverDirectory) {
  Make(std::u16string(env_test::kDriverDir) + u"orvaux.dll", "aux", 100);
  DriverContext* ctx = Context();
  EXPECT_EQ(FileInstallFromDriverDir(u"orvaux.dll", nullptr, 0, ctx, 0), 1);  // a bare name: the system directory
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\orvaux.dll"), "aux");
  EXPECT_EQ(FileCopyFromDriverDir(u"C:\\Dst\\copy.dll", u"orvaux.dll", 1, ctx), 1);
  EXPECT_EQ(Get(u"C:\\Dst\\copy.dll"), "aux");
  EXPECT_EQ(FileCopyFromDriverDirEx(u"C:\\Dst\\orvaux.dll", nullptr, 0, ctx, 1), 1);
  EXPECT_EQ(FileCopyDriverToSystemDir(u"missing.dll", nullptr, 0, ctx), 0);
}

TEST_F(FileHelpers, DeleteCreateAndMoveBytes) {
  EXPECT_EQ(FileDelete(u"C:\\Dst\\none.txt"), 0);
  Put(u"C:\\Dst\\ro.txt", "x");
  EXPECT_TRUE(SetFileAttributesW(u"C:\\Dst\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FileDelete(u"C:\\Dst\\ro.txt"), 1);  // read-only cleared first
  Put(u"C:\\Dst\\stuck.txt", "x");
  plat::FailNth("DeleteFileW", 1);
  EXPECT_EQ(FileDelete(u"C:\\Dst\\stuck.txt"), 0);  // the delete's own result
  EXPECT_EQ(FileExists(u"C:\\Dst\\stuck.txt"), 1);
  EXPECT_EQ(FileExists(nullptr), 0);

  Put(u"C:\\Dst\\a.tmp", "x");
  plat::FailNth("DeleteFileW", 1);
  EXPECT_EQ(FileDeleteMatching(u"C:\\Dst\\*.tmp"), 0);  // nothing was deleted
  Put(u"C:\\Dst\\b.tmp", "x");
  EXPECT_EQ(FileDeleteMatching(u"C:\\Dst\\*.tmp"), 1);
  EXPECT_EQ(FileExists(u"C:\\Dst\\a.tmp"), 0);
  EXPECT_EQ(FileDeleteMatching(u"nobackslash*.tmp"), 0);

  EXPECT_EQ(FileCreateDirectory(u"C:\\Dst"), 1);  // exists: success
  EXPECT_EQ(FileCreateDirectory(u"C:\\Dst\\stuck.txt"), 0);  // a file of that name is no directory
  EXPECT_EQ(FileCreateDirectory(u"C:\\Dst\\New"), 1);

  Make(u"C:\\Src\\t1", "a", 100);
  Make(u"C:\\Src\\t2", "b", 200);
  EXPECT_EQ(FileCompareTimes(u"C:\\Src\\t1", u"C:\\Src\\t2", 1), 1);
  EXPECT_EQ(FileCompareTimes(u"C:\\Src\\t2", u"C:\\Src\\t1", 1), 0);
  EXPECT_EQ(FileCompareTimes(u"C:\\Src\\t1", u"C:\\Src\\t1", 0), 1);
  EXPECT_EQ(FileCompareTimes(u"C:\\Src\\t1", u"C:\\Src\\none", 0), 0);

  HANDLE h = CreateFileW(u"C:\\Dst\\io.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(FileWrite(h, "abcdef", 6), 6);
  plat::FailNth("WriteFile.short", 1);
  EXPECT_EQ(FileWrite(h, "ghij", 4), 2);  // the bytes actually written
  plat::FailNth("WriteFile", 1);
  EXPECT_EQ(FileWrite(h, "k", 1), -1);
  CloseHandle(h);
  h = CreateFileW(u"C:\\Dst\\io.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char buf[32];
  EXPECT_EQ(FileRead(h, buf, 32), 8);  // a short read gives what was there
  plat::FailNth("ReadFile", 1);
  EXPECT_EQ(FileRead(h, buf, 32), -1);
  CloseHandle(h);
}

class IniAccess : public EnvMachine {
 protected:
  const char16_t* file_ = u"C:\\Windows\\velm.ini";
};

TEST_F(IniAccess, BracketsBecomeCommas) {
  char16_t name[] = u"Printer [2]";
  EXPECT_EQ(U8(IniSanitizeSection(name)), "Printer ,2,");
  EXPECT_EQ(IniSanitizeSection(nullptr), nullptr);
  ASSERT_EQ(IniWriteString(u"Printer [2]", u"Copies", u"3", file_), 1);
  EXPECT_EQ(Get(file_), "[Printer ,2,]\r\nCopies=3\r\n");
  EXPECT_EQ(IniGetInt(u"Printer [2]", u"Copies", 0, file_), 3);
  EXPECT_EQ(IniGetInt(u"Printer ,2,", u"copies", 0, file_), 3);
  char16_t buf[16];
  EXPECT_EQ(IniGetString(u"Printer [2]", u"Copies", u"", buf, 16, file_), 1);
  EXPECT_EQ(U8(buf), "3");
}

TEST_F(IniAccess, LongSectionNamesAndRelativeFilesAreRefused) {
  std::u16string long_name(300, u'P');
  EXPECT_EQ(IniWriteString(long_name.c_str(), u"k", u"v", file_), 0);
  EXPECT_EQ(GetFileAttributesW(file_), INVALID_FILE_ATTRIBUTES);  // nothing written
  EXPECT_EQ(IniGetInt(long_name.c_str(), u"k", 7, file_), 7);
  char16_t buf[8];
  EXPECT_EQ(IniGetString(long_name.c_str(), u"k", u"default", buf, 5, file_), 4);
  EXPECT_EQ(U8(buf), "defa");
  EXPECT_EQ(IniWriteString(u"S", u"k", u"v", u"velm.ini"), 0);  // not a full path: nothing
  EXPECT_EQ(IniWriteString(u"S", u"k", u"v", u""), 0);
  EXPECT_EQ(IniGetInt(u"S", u"k", 5, u""), 5);
  std::u16string exact(260, u'Q');  // 260 characters still fit
  EXPECT_EQ(IniWriteString(exact.c_str(), u"k", u"v", file_), 1);
  EXPECT_EQ(IniGetInt(exact.c_str(), u"k", 0, file_), 0);
  EXPECT_EQ(IniGetString(exact.c_str(), u"k", u"", buf, 8, file_), 1);
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(IniGetInt(u"S", u"k", 9, file_), 9);  // no copy of the section name: the default
}

TEST_F(IniAccess, DeletesAndWritesThatKeepTheTime) {
  EXPECT_TRUE(IniWriteString(u"A", u"k1", u"1", file_));
  EXPECT_TRUE(IniWriteString(u"A", u"k2", u"2", file_));
  EXPECT_TRUE(IniWriteString(u"B", u"k", u"3", file_));
  EXPECT_EQ(IniWriteString(u"A", u"k1", nullptr, file_), 1);  // a null value deletes the key
  EXPECT_EQ(IniWriteString(u"B", nullptr, nullptr, file_), 1);  // a null key deletes the section
  EXPECT_EQ(Get(file_), "[A]\r\nk2=2\r\n");

  HANDLE h = CreateFileW(file_, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME old = plat::FileTimeFromUnix(1000000000, 0);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &old));
  CloseHandle(h);
  EXPECT_EQ(IniWriteStringKeepTime(u"A", u"k3", u"x", file_), 1);
  EXPECT_EQ(Get(file_), "[A]\r\nk2=2\r\nk3=x\r\n");
  h = CreateFileW(file_, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME now{};
  EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &now));
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&now, &old), 0);
  EXPECT_EQ(IniGetString(u"A", u"k3", u"", nullptr, 0, file_), 0);

  const char16_t* fresh = u"C:\\Windows\\fresh.ini";  // missing: created first
  EXPECT_EQ(IniWriteStringKeepTime(u"S", u"k", u"v", fresh), 1);
  EXPECT_EQ(Get(fresh), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(SetFileAttributesW(fresh, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(IniWriteString(u"S", u"k", u"w", fresh), 0);  // a refused write is reported
}

}  // namespace
