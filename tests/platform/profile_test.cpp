#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plat/files.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

constexpr const char16_t* kFile = u"C:\\Data\\test.ini";

class Profile : public ::testing::Test {
 protected:
  TempMachine machine_;
  void SetUp() override { ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr)); }
  static std::string Read(const char16_t* section, const char16_t* key, const char16_t* def = u"DEF",
                          DWORD size = 64) {
    char16_t buf[64];
    DWORD n = GetPrivateProfileStringW(section, key, def, buf, size, kFile);
    EXPECT_EQ(n, plat::WLen(buf));
    return plat::ToUtf8(buf);
  }
};

// Reading many files keeps the parsed-file cache within its bound: the
// least recently read files go, and what is read again is still right.
TEST_F(Profile, ReadingManyFilesKeepsTheCacheWithinItsBound) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Many", nullptr));
  const size_t limit = 64 * 1024;
  const size_t old = plat::SetProfileCacheLimit(limit);
  const std::string body = "[S]\r\n" + std::string(2000, 'x') + "=1\r\nk=";
  size_t most = 0;
  for (int i = 0; i < 200; ++i) {
    std::u16string file = u"C:\\Many\\p" + plat::FromUtf8(std::to_string(i)) + u".ini";
    TempMachine::Put(file.c_str(), body + std::to_string(i) + "\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", -1, file.c_str()), UINT(i));
    most = std::max(most, plat::ProfileCacheBytes());
  }
  EXPECT_LE(most, limit);
  EXPECT_GT(most, limit / 2) << "the cache still keeps recent files";
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", -1, u"C:\\Many\\p0.ini"), 0u) << "a dropped file is read again";
  plat::SetProfileCacheLimit(old);
}

TEST_F(Profile, ReadsWithWindowsSemantics) {
  TempMachine::Put(kFile,
                   "; a comment\r\n"
                   "[Printer ,2,]\r\n"
                   "  Name =  Office 2  \r\n"
                   "Empty=\r\n"
                   "Quoted=\"  spaced  \"\r\n"
                   "NoEquals\n"
                   "[ other ]\n"
                   "name=second\n"
                   "[printer ,2,]\n"
                   "name=duplicate section is never read\n");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* def;
    DWORD size;
    const char* want;
  } cases[] = {
      {u"Printer ,2,", u"Name", u"DEF", 64, "Office 2"},      // blanks trimmed round key and value
      {u"PRINTER ,2,", u"NAME", u"DEF", 64, "Office 2"},      // names ignore case
      {u"Printer ,2,", u"Empty", u"DEF", 64, ""},             // empty is not missing
      {u"Printer ,2,", u"Quoted", u"DEF", 64, "  spaced  "},  // one pair of quotes removed
      {u"Printer ,2,", u"NoEquals", u"DEF", 64, ""},
      {u"Printer ,2,", u"Missing", u"DEF  ", 64, "DEF"},      // default's trailing blanks trimmed
      {u"Nowhere", u"Name", u"DEF", 64, "DEF"},
      {u"other", u"name", u"DEF", 64, "second"},             // blanks round the section name
      {u"Printer ,2,", u"Name", u"DEF", 5, "Offi"},           // cut to size - 1
      {u"Printer ,2,", u"Name", nullptr, 64, "Office 2"},
      {u"Printer ,2,", u"Missing", nullptr, 64, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(Read(c.section, c.key, c.def, c.size), c.want);
  }
  char16_t missing_file[8];
  EXPECT_EQ(GetPrivateProfileStringW(u"a", u"b", u"dflt", missing_file, 8, u"C:\\Data\\none.ini"), 4u);
}

TEST_F(Profile, LineEndsAndEmptyNamesAsWindowsReadsThem) {
  struct Case {
    const char* name;
    std::string text;
    const char16_t* section;  // null: list the sections
    const char16_t* key;      // null: list the keys
    std::u16string want;      // a list with its terminators, or a value
  } cases[] = {
      {"a key without a name does not end the key list", "[S]\r\na=1\r\n=z\r\nb=2\r\n", u"S", nullptr,
       std::u16string(u"a\0b\0", 4)},
      {"nor a section without a name the section list", "[A]\r\n[]\r\nk=v\r\n[B]\r\n", nullptr, nullptr,
       std::u16string(u"A\0B\0", 4)},
      {"CR alone ends a line", "[S]\ra=1\rb=2\r[T]\rc=3\r", u"S", u"b", u"2"},
      {"CR-only keys are listed one by one", "[S]\ra=1\rb=2\r[T]\rc=3", u"S", nullptr,
       std::u16string(u"a\0b\0", 4)},
      {"CR-only sections", "[S]\ra=1\r[T]\rc=3", u"T", u"c", u"3"},
      {"mixed line ends", "[S]\r\na=1\rb=2\nc=3", u"S", u"c", u"3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempMachine::Put(kFile, c.text);
    char16_t buf[64];
    DWORD n = GetPrivateProfileStringW(c.section, c.key, u"DEF", buf, 64, kFile);
    EXPECT_EQ(std::u16string(buf, n), c.want);
  }
  // A write into a CR-only file keeps its other lines as they are.
  TempMachine::Put(kFile, "[S]\ra=1\r[T]\rc=3");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"a", u"9", kFile));
  EXPECT_EQ(TempMachine::Get(kFile), "[S]\ra=9\r\n[T]\rc=3");
}

TEST_F(Profile, ListsSectionsAndKeys) {
  TempMachine::Put(kFile, "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\n");
  char16_t buf[64];
  DWORD n = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf, 64, kFile);
  EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"A\0B\0\0", 5));  // the count leaves out the last terminator
  n = GetPrivateProfileStringW(u"a", nullptr, nullptr, buf, 64, kFile);
  EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"k1\0k2\0\0", 7));
  n = GetPrivateProfileStringW(u"a", nullptr, nullptr, buf, 4, kFile);  // cut: size - 2, double terminator
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"k1\0\0", 4));
}

TEST_F(Profile, IntegersTable) {
  TempMachine::Put(kFile, "[S]\r\nd=42\r\nneg=-5\r\nhex=0x1F\r\nlead=12abc\r\ntext=abc\r\nempty=\r\n");
  struct Case {
    const char16_t* key;
    UINT want;
  } cases[] = {{u"d", 42}, {u"neg", UINT(-5)}, {u"hex", 31}, {u"lead", 12}, {u"text", 0}, {u"empty", 77}, {u"none", 77}};
  for (const Case& c : cases) EXPECT_EQ(GetPrivateProfileIntW(u"S", c.key, 77, kFile), c.want) << plat::ToUtf8(c.key);
}

TEST_F(Profile, WritesExactLinesAndKeepsTheRest) {
  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Key", u"Value", kFile));
  EXPECT_EQ(TempMachine::Get(kFile), "[Sec]\r\nKey=Value\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"sec", u"key", u"New", kFile));  // same key, other case
  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Second", u"", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Other", u"A", u"1", kFile));
  EXPECT_EQ(TempMachine::Get(kFile), "[Sec]\r\nkey=New\r\nSecond=\r\n[Other]\r\nA=1\r\n");

  // Lines the write does not touch stay byte for byte; a key joins its
  // section after its last line that is not blank.
  TempMachine::Put(kFile, "; keep me\n[S]\n  spaced = x \n\n[T]\ny=2");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"added", u"v", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"T", u"z", u"3", kFile));
  EXPECT_EQ(TempMachine::Get(kFile), "; keep me\n[S]\n  spaced = x \nadded=v\r\n\n[T]\ny=2\r\nz=3\r\n");

  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"spaced", nullptr, kFile));  // null value: delete the key
  ASSERT_TRUE(WritePrivateProfileStringW(u"T", nullptr, nullptr, kFile));    // null key: delete the section
  ASSERT_TRUE(WritePrivateProfileStringW(u"Gone", u"k", nullptr, kFile));    // nothing to delete
  EXPECT_EQ(TempMachine::Get(kFile), "; keep me\n[S]\nadded=v\r\n\n");
  EXPECT_FALSE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, kFile));  // the flush answers FALSE
}

TEST_F(Profile, WritesInTheAnsiCodePage) {
  ASSERT_TRUE(WritePrivateProfileStringW(u"\u65e5\u672c", u"\u540d", u"\u30c6\u30b9\u30c8", kFile));
  EXPECT_EQ(TempMachine::Get(kFile), "[\x93\xfa\x96\x7b]\r\n\x96\xbc=\x83\x65\x83\x58\x83\x67\r\n");
  EXPECT_EQ(Read(u"\u65e5\u672c", u"\u540d"), "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88");
}

TEST_F(Profile, RefusedAndFailedWritesLeaveTheFile) {
  TempMachine::Put(kFile, "[S]\r\nk=old\r\n");
  plat::FailNth("WriteFile", 1);  // disk full
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", kFile));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  plat::FailNth("WritePrivateProfileStringW", 1);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", kFile));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"two\r\nlines", kFile));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", kFile));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", u"C:\\NoDir\\x.ini"));
  EXPECT_EQ(TempMachine::Get(kFile), "[S]\r\nk=old\r\n");
  EXPECT_EQ(Read(u"S", u"k"), "old");
}

TEST_F(Profile, KeepsHiddenAttributeAcrossRewrites) {
  TempMachine::Put(kFile, "[S]\r\n");
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", kFile));
  EXPECT_EQ(GetFileAttributesW(kFile), FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Profile, RelativeNamesLiveInTheWindowsDirectory) {
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", u"driver.ini"));
  EXPECT_EQ(TempMachine::Get(u"C:\\Windows\\driver.ini"), "[S]\r\nk=v\r\n");
}

TEST_F(Profile, ReadersSeeWritesOfOtherProcesses) {
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"1", kFile));
  EXPECT_EQ(Read(u"S", u"k"), "1");  // now cached here
  for (int round = 2; round < 6; ++round) {
    std::u16string v = plat::FromUtf8(std::to_string(round));
    ASSERT_EQ(InChild([&] { return WritePrivateProfileStringW(u"S", u"k", v.c_str(), kFile) ? 0 : 1; }), 0);
    EXPECT_EQ(Read(u"S", u"k"), std::to_string(round));  // same size, same coarse clock tick
  }
}

TEST_F(Profile, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 6, kKeys = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      for (int k = 0; k < kKeys; ++k) {
        std::u16string key = plat::FromUtf8("w" + std::to_string(w) + "k" + std::to_string(k));
        if (!WritePrivateProfileStringW(u"Shared", key.c_str(), u"x", kFile)) _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  char16_t keys[8192];
  DWORD n = GetPrivateProfileStringW(u"Shared", nullptr, nullptr, keys, 8192, kFile);
  int count = 0;
  for (DWORD i = 0; i < n; ++i) count += keys[i] == 0;
  EXPECT_EQ(count, kWriters * kKeys);
}

// Two processes write the same new files under two spellings of each name
// at once: every name becomes one host file that holds both writes.
TEST_F(Profile, OneWindowsPathIsOneFileWhateverItsSpelling) {
  constexpr int kNames = 12;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      char go = 0;
      if (read(start[0], &go, 1) != 1) _exit(2);
      for (int i = 0; i < kNames; ++i) {
        std::string ini = w == 0 ? "C:\\Data\\n" + std::to_string(i) + ".ini" : "c:\\DATA\\N" + std::to_string(i) + ".INI";
        std::string txt = w == 0 ? "C:\\Data\\c" + std::to_string(i) + ".txt" : "C:/data/C" + std::to_string(i) + ".TXT";
        std::u16string wini = plat::FromUtf8(ini), wtxt = plat::FromUtf8(txt);
        if (!WritePrivateProfileStringW(u"S", w == 0 ? u"first" : u"second", u"1", wini.c_str())) _exit(1);
        HANDLE h = CreateFileW(wtxt.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) _exit(3);
        CloseHandle(h);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  ASSERT_EQ(write(start[1], "gg", 2), 2);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  close(start[0]);
  close(start[1]);
  int files = 0;
  WIN32_FIND_DATAW d;
  HANDLE find = FindFirstFileW(u"C:\\Data\\*", &d);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    files += (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
  } while (FindNextFileW(find, &d));
  FindClose(find);
  EXPECT_EQ(files, 2 * kNames);
  for (int i = 0; i < kNames; ++i) {
    std::u16string ini = plat::FromUtf8("C:\\Data\\N" + std::to_string(i) + ".ini");
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"first", 0, ini.c_str()), 1u) << i;
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"second", 0, ini.c_str()), 1u) << i;
  }
}

}  // namespace
