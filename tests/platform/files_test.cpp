#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <thread>

#include "plat/files.h"
#include "plat/handles.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

class Files : public ::testing::Test {
 protected:
  TempMachine machine_;
  const char16_t* dir_ = u"C:\\Data";
  void SetUp() override { ASSERT_TRUE(CreateDirectoryW(dir_, nullptr)); }
};

HANDLE Open(const char16_t* path, DWORD access, DWORD disposition, DWORD share = 0) {
  return CreateFileW(path, access, share, nullptr, disposition, 0, nullptr);
}

TEST_F(Files, DispositionsFollowWindows) {
  struct Case {
    const char* name;
    bool exists;
    DWORD disposition;
    bool opens;
    DWORD error;  // last error afterwards
  } cases[] = {
      {"create new, missing", false, CREATE_NEW, true, ERROR_SUCCESS},
      {"create new, existing", true, CREATE_NEW, false, ERROR_FILE_EXISTS},
      {"create always, existing", true, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {"open existing, missing", false, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
      {"open always, missing", false, OPEN_ALWAYS, true, ERROR_SUCCESS},
      {"open always, existing", true, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {"truncate, existing", true, TRUNCATE_EXISTING, true, ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)DeleteFileW(u"C:\\Data\\f.txt");  // may be absent already
    if (c.exists) TempMachine::Put(u"C:\\Data\\f.txt", "abc");
    HANDLE h = Open(u"C:\\Data\\f.txt", GENERIC_READ | GENERIC_WRITE, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.error);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  EXPECT_EQ(Open(u"C:\\Nowhere\\f.txt", GENERIC_READ, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Open(u"relative.txt", GENERIC_READ, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
}

// OPEN_EXISTING of what is not a file: each refusal with the error Windows
// gives, and a FIFO in the machine folder refused without blocking the open.
TEST_F(Files, OpenExistingRefusesWhatIsNotAFile) {
  TempMachine::Put(u"C:\\Data\\f.txt", "abc");
  ASSERT_EQ(::mkfifo(plat::MapPath(u"C:\\Data\\pipe").c_str(), 0600), 0);
  struct Case {
    const char16_t* path;
    DWORD access;
    DWORD error;
  } cases[] = {
      {u"C:\\Data", GENERIC_READ, ERROR_ACCESS_DENIED},
      {u"C:\\Data", GENERIC_WRITE, ERROR_ACCESS_DENIED},
      {u"C:\\Data", 0, ERROR_ACCESS_DENIED},
      {u"C:\\Data\\missing.txt", GENERIC_READ, ERROR_FILE_NOT_FOUND},
      {u"C:\\Nowhere\\f.txt", GENERIC_READ, ERROR_PATH_NOT_FOUND},
      {u"C:\\Data\\f.txt\\inside", GENERIC_READ, ERROR_PATH_NOT_FOUND},
      {u"C:\\Data\\pipe", GENERIC_READ, ERROR_FILE_NOT_FOUND},
      {u"C:\\Data\\pipe", GENERIC_WRITE, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.path) + " access " + std::to_string(c.access));
    EXPECT_EQ(Open(c.path, c.access, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  // A refused open leaves no entry behind: the file still opens unshared.
  HANDLE h = Open(u"C:\\Data\\F.TXT", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(Open(u"C:\\Data\\f.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(h);
}

TEST_F(Files, ReadWriteSizeAndInjectedWriteFaults) {
  HANDLE h = Open(u"C:\\data\\F.TXT", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  plat::FailNth("WriteFile", 1);
  EXPECT_FALSE(WriteFile(h, "more", 4, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(n, 0u);
  plat::FailNth("WriteFile.short", 1);
  EXPECT_TRUE(WriteFile(h, "1234", 4, &n, nullptr));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(GetFileSize(h, nullptr), 13u);
  CloseHandle(h);
  // The name matched ignoring case; a read at the end is short, not a failure.
  h = Open(u"C:\\DATA\\f.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buf[64] = {};
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 13u);
  EXPECT_EQ(std::string(buf, n), "hello world12");
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));  // opened for reading only
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(h);
  EXPECT_EQ(plat::LiveHandles(), 0);
}

TEST_F(Files, ReadOnlyViewsOutliveTheirHandles) {
  TempMachine::Put(u"C:\\Data\\m.bin", "model bytes");
  HANDLE file = Open(u"C:\\Data\\m.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileMappingW(file, nullptr, 0x04 /* PAGE_READWRITE */, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 4, 0), nullptr) << "only the whole file";
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  CloseHandle(mapping);
  CloseHandle(file);
  EXPECT_EQ(plat::LiveHandles(), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(view), 11), "model bytes");
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view)) << "unmapped already";

  // An empty file and a handle not opened for reading give no mapping.
  TempMachine::Put(u"C:\\Data\\empty.bin", "");
  file = Open(u"C:\\Data\\empty.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  EXPECT_EQ(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  CloseHandle(file);
  file = Open(u"C:\\Data\\m.bin", GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_EQ(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(file);
  EXPECT_EQ(plat::LiveHandles(), 0);
}

TEST_F(Files, ShareModesBetweenHandles) {
  TempMachine::Put(u"C:\\Data\\s.txt", "x");
  HANDLE a = Open(u"C:\\Data\\s.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  HANDLE b = Open(u"C:\\Data\\s.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(u"C:\\Data\\s.txt", GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileW(u"C:\\Data\\s.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  HANDLE times = Open(u"C:\\Data\\s.txt", 0, OPEN_EXISTING, FILE_SHARE_READ);  // no data access: no conflict
  EXPECT_NE(times, INVALID_HANDLE_VALUE);
  CloseHandle(a);
  CloseHandle(b);
  CloseHandle(times);
  EXPECT_TRUE(DeleteFileW(u"C:\\Data\\s.txt"));
}

TEST_F(Files, AttributesReadOnlyHiddenArchive) {
  TempMachine::Put(u"C:\\Data\\a.txt", "x");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\a.txt"), FILE_ATTRIBUTE_ARCHIVE);  // a new file
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data"), FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Data\\a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\a.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  // Read-only holds even for a process running as root.
  EXPECT_EQ(Open(u"C:\\Data\\a.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileW(u"C:\\Data\\a.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Data\\a.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\a.txt"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileW(u"C:\\Data\\a.txt"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Missing\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  plat::FailNth("SetFileAttributesW", 1);
  EXPECT_FALSE(SetFileAttributesW(u"C:\\Data", FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(Files, CopyKeepsTimeAndAttributesAndNeverLosesTheTarget) {
  TempMachine::Put(u"C:\\Data\\src.txt", "new content");
  TempMachine::Put(u"C:\\Data\\dst.txt", "old");
  HANDLE h = Open(u"C:\\Data\\src.txt", GENERIC_WRITE, OPEN_EXISTING);
  FILETIME t = plat::FileTimeFromUnix(1000000000, 500);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
  CloseHandle(h);
  EXPECT_TRUE(SetFileAttributesW(u"C:\\Data\\src.txt", FILE_ATTRIBUTE_HIDDEN));

  EXPECT_FALSE(CopyFileW(u"C:\\Data\\src.txt", u"C:\\Data\\dst.txt", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  plat::FailNth("CopyFileW", 1);
  EXPECT_FALSE(CopyFileW(u"C:\\Data\\src.txt", u"C:\\Data\\dst.txt", FALSE));
  EXPECT_EQ(TempMachine::Get(u"C:\\Data\\dst.txt"), "old");
  EXPECT_TRUE(SetFileAttributesW(u"C:\\Data\\dst.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(CopyFileW(u"C:\\Data\\src.txt", u"C:\\Data\\dst.txt", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(SetFileAttributesW(u"C:\\Data\\dst.txt", FILE_ATTRIBUTE_NORMAL));

  ASSERT_TRUE(CopyFileW(u"C:\\Data\\src.txt", u"C:\\Data\\dst.txt", FALSE));
  EXPECT_EQ(TempMachine::Get(u"C:\\Data\\dst.txt"), "new content");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\dst.txt"), FILE_ATTRIBUTE_HIDDEN);
  h = Open(u"C:\\Data\\dst.txt", 0, OPEN_EXISTING, FILE_SHARE_READ);
  FILETIME got{};
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&got, &t), 0);
  EXPECT_FALSE(CopyFileW(u"C:\\Data\\none.txt", u"C:\\Data\\x.txt", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, FileTimesRoundTripAndCompare) {
  FILETIME a = plat::FileTimeFromUnix(0, 0);
  EXPECT_EQ((uint64_t(a.dwHighDateTime) << 32) | a.dwLowDateTime, 116444736000000000ull);
  int64_t s = 0, ns = 0;
  plat::FileTimeToUnix(plat::FileTimeFromUnix(1234567890, 123456700), &s, &ns);
  EXPECT_EQ(s, 1234567890);
  EXPECT_EQ(ns, 123456700);
  FILETIME b = plat::FileTimeFromUnix(1, 0);
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
}

TEST_F(Files, DirectoriesAndMoves) {
  EXPECT_FALSE(CreateDirectoryW(u"C:\\Data", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryW(u"C:\\No\\Such", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  TempMachine::Put(u"C:\\Data\\m1", "one");
  TempMachine::Put(u"C:\\Data\\m2", "two");
  EXPECT_FALSE(MoveFileExW(u"C:\\Data\\m1", u"C:\\Data\\m2", 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExW(u"C:\\Data\\m1", u"C:\\Data\\m2", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(TempMachine::Get(u"C:\\Data\\m2"), "one");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\m1"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, FindListsMatchesIgnoringCase) {
  for (const char16_t* f : {u"C:\\Data\\a.ini", u"C:\\Data\\B.INI", u"C:\\Data\\c.txt", u"C:\\Data\\readme"})
    TempMachine::Put(f, "x");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data\\sub", nullptr));
  auto list = [](const char16_t* pattern) {
    std::string names;
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(pattern, &d);
    if (h == INVALID_HANDLE_VALUE) return std::string("<none>");
    do names += plat::ToUtf8(d.cFileName) + ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/ " : " ");
    while (FindNextFileW(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(h);
    return names;
  };
  EXPECT_EQ(list(u"C:\\Data\\*.*"), "./ ../ B.INI a.ini c.txt readme sub/ ");
  EXPECT_EQ(list(u"C:\\Data\\*.ini"), "B.INI a.ini ");
  EXPECT_EQ(list(u"C:\\Data\\?.TXT"), "c.txt ");
  EXPECT_EQ(list(u"C:\\Data\\readme.*"), "readme ");
  EXPECT_EQ(list(u"C:\\Data\\*.doc"), "<none>");
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW(u"C:\\Missing\\*.*", nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::LiveHandles(), 0);
}

TEST_F(Files, SystemAndWindowsDirectoriesFromSettings) {
  char16_t buf[MAX_PATH];
  UINT n = GetSystemDirectoryW(buf, MAX_PATH);
  EXPECT_EQ(plat::ToUtf8(buf), "C:\\Windows\\System32");
  EXPECT_EQ(n, 19u);
  EXPECT_EQ(GetSystemDirectoryW(buf, 5), 20u);  // too small: the size needed
  ASSERT_TRUE(plat::SetMachineSetting("dir.windows", "D:\\WinNT"));
  GetWindowsDirectoryW(buf, MAX_PATH);
  EXPECT_EQ(plat::ToUtf8(buf), "D:\\WinNT");
  plat::FailNth("GetSystemDirectoryW", 1);
  EXPECT_EQ(GetSystemDirectoryW(buf, MAX_PATH), 0u);
  EXPECT_EQ(lstrcmpiW(u"Printer", u"PRINTER"), 0);
  EXPECT_LT(lstrcmpiW(u"a", u"B"), 0);
}

}  // namespace
