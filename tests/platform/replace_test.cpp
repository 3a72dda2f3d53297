// The layer's one write-beside-and-rename: whole files or the old file,
// durable renames, and temporary names that no leftover can block.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "hostfs.h"
#include "plat/files.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

constexpr const char16_t* kDir = u"C:\\Data";
constexpr const char16_t* kFile = u"C:\\Data\\file.bin";
constexpr const char16_t* kIni = u"C:\\Data\\file.ini";

class Replace : public ::testing::Test {
 protected:
  TempMachine machine_;
  void SetUp() override { ASSERT_TRUE(CreateDirectoryW(kDir, nullptr)); }
  // The layer's temporary files in the folder, by name.
  static std::vector<std::string> Temps() {
    std::vector<std::string> out;
    DIR* d = opendir(TempMachine::Host(kDir).c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
      if (plat::detail::IsLayerTempName(e->d_name)) out.push_back(e->d_name);
    if (d) closedir(d);
    return out;
  }
  static std::string TempName(int pid, unsigned n) {
    return ".~velm" + std::to_string(pid) + "-" + std::to_string(n) + ".tmp";
  }
  static void PutTemp(const std::string& name) {
    TempMachine::Put((std::u16string(kDir) + u"\\" + plat::FromUtf8(name)).c_str(), "leftover");
  }
};

TEST_F(Replace, WholeNewFileOrTheOldOne) {
  const std::string first = "first", second(100000, 'x');
  DWORD error = 1;
  ASSERT_TRUE(plat::ReplaceFileContent(kFile, first.data(), first.size(), &error));
  EXPECT_EQ(error, DWORD(ERROR_SUCCESS));
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(plat::ReplaceFileContent(u"c:/DATA/FILE.BIN", second.data(), second.size(), nullptr));
  EXPECT_EQ(TempMachine::Get(kFile), second);  // another spelling, the same file
  EXPECT_EQ(GetFileAttributesW(kFile), FILE_ATTRIBUTE_HIDDEN);
  // Each fault at its step leaves the old file whole and no temporary file.
  for (const char* fault : {"CreateFileW", "WriteFile", "FlushFileBuffers", "MoveFileExW"}) {
    SCOPED_TRACE(fault);
    plat::FailNth(fault, 1);
    EXPECT_FALSE(plat::ReplaceFileContent(kFile, first.data(), first.size(), &error));
    EXPECT_NE(error, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(TempMachine::Get(kFile), second);
    plat::ClearFaults();
  }
  EXPECT_TRUE(Temps().empty());
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(plat::ReplaceFileContent(kFile, first.data(), first.size(), &error));
  EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(plat::ReplaceFileContent(u"C:\\Data", first.data(), first.size(), &error));  // a folder
  EXPECT_FALSE(plat::ReplaceFileContent(u"C:\\Nowhere\\x", first.data(), first.size(), &error));
  EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(plat::ReplaceFileContent(u"relative.bin", first.data(), first.size(), &error));
}

// A rename counts as done only once its folder is flushed: a failed flush
// is reported by every writer, never answered as success.
TEST_F(Replace, AFolderThatCannotBeFlushedFailsTheWrite) {
  TempMachine::Put(kFile, "old");
  struct Case {
    const char* name;
    bool (*write)();
  } cases[] = {
      {"ReplaceFileContent", [] { return plat::ReplaceFileContent(kFile, "new", 3, nullptr); }},
      {"WritePrivateProfileStringW", [] { return WritePrivateProfileStringW(u"S", u"k", u"v", kIni) != FALSE; }},
      {"CopyFileW", [] { return CopyFileW(kFile, u"C:\\Data\\copy.bin", FALSE) != FALSE; }},
      {"MoveFileExW", [] { return MoveFileExW(u"C:\\Data\\copy.bin", u"C:\\Data\\moved.bin", 0) != FALSE; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::FailNth("FlushDirectory", 1);
    EXPECT_FALSE(c.write());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    plat::ClearFaults();
    EXPECT_TRUE(c.write() || std::string(c.name) == "MoveFileExW");  // (the move was done)
  }
}

// A temporary name that is taken (a dead process whose id came round
// again left it) is passed over: the write takes the next name.
TEST_F(Replace, TakenTemporaryNamesAreSkipped) {
  std::string probe;
  int fd = plat::detail::CreateTempBeside(TempMachine::Host(kFile), &probe);
  ASSERT_GE(fd, 0);
  close(fd);
  unlink(probe.c_str());
  std::string name = probe.substr(probe.find_last_of('/') + 1);
  unsigned next = unsigned(std::stoul(name.substr(name.find('-') + 1)));
  for (unsigned n = next + 1; n < next + 200; ++n) PutTemp(TempName(int(getpid()), n));
  EXPECT_TRUE(plat::ReplaceFileContent(kFile, "a", 1, nullptr));
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", kIni));
  EXPECT_TRUE(CopyFileW(kFile, u"C:\\Data\\copy.bin", FALSE));
  EXPECT_EQ(TempMachine::Get(kFile), "a");
  EXPECT_EQ(Temps().size(), 199u);  // a live process's names are left alone
}

// The first write of a process into a folder removes the temporary files
// of processes that no longer run, and only those; FindFirstFileW never
// lists temporary files.
TEST_F(Replace, LeftoversOfDeadProcessesAreSwept) {
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  PutTemp(TempName(dead, 0));
  PutTemp(TempName(dead, 7));
  PutTemp(TempName(int(getpid()), 99999));
  WIN32_FIND_DATAW d;
  HANDLE find = FindFirstFileW(u"C:\\Data\\*", &d);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    EXPECT_NE(plat::ToUtf8(d.cFileName).rfind(".~velm", 0), 0u);
  } while (FindNextFileW(find, &d));
  FindClose(find);
  EXPECT_EQ(InChild([] { return plat::ReplaceFileContent(kFile, "x", 1, nullptr) ? 0 : 1; }), 0);
  EXPECT_EQ(Temps(), std::vector<std::string>{TempName(int(getpid()), 99999)});
}

// A writer killed in the middle of a write leaves the file whole; the next
// write succeeds and its process removes what the killed one left.
TEST_F(Replace, AKilledWriterLeavesNothingThatHurts) {
  const std::string small = "[S]\r\nk=small\r\n";
  TempMachine::Put(kIni, small);
  const std::string big = "[S]\r\nk=big\r\n" + std::string(16 << 20, ';') + "\r\n";
  pid_t writer = fork();
  if (writer == 0) {
    for (;;) (void)plat::ReplaceFileContent(kIni, big.data(), big.size(), nullptr);  // killed mid-write
  }
  // Stop the writer until it is caught with a temporary file in the folder.
  bool caught = false;
  for (int i = 0; i < 5000 && !caught; ++i) {
    usleep(1000);
    kill(writer, SIGSTOP);
    waitpid(writer, nullptr, WUNTRACED);
    for (const std::string& t : Temps()) caught = caught || t.find(std::to_string(writer)) != std::string::npos;
    if (!caught) kill(writer, SIGCONT);
  }
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  ASSERT_TRUE(caught);
  std::string now = TempMachine::Get(kIni);
  EXPECT_TRUE(now == small || now == big) << now.size();  // the old file or the new one, whole
  EXPECT_EQ(InChild([] { return WritePrivateProfileStringW(u"S", u"after", u"1", kIni) ? 0 : 1; }), 0);
  EXPECT_TRUE(Temps().empty());
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"after", 0, kIni), 1u);
}

TEST_F(Replace, HostOutputsAreWrittenBesideAndRenamed) {
  std::string dir = machine_.root() + "/out";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  std::string file = dir + "/result.bin", why;
  ASSERT_TRUE(plat::ReplaceHostFileContent(file, "12345", 5, &why)) << why;
  struct stat before{};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  plat::FailNth("WriteFile", 1);  // disk full
  EXPECT_FALSE(plat::ReplaceHostFileContent(file, "67", 2, &why));
  EXPECT_EQ(why, "the disk is full");
  EXPECT_EQ(TempMachine::ReadHost(file), "12345");
  ASSERT_TRUE(plat::ReplaceHostFileContent(file, "67", 2, &why));
  EXPECT_EQ(TempMachine::ReadHost(file), "67");
  struct stat after{};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file, renamed into place
  // A link is followed: the file it names is replaced, the link stays.
  std::string link = dir + "/link.bin";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  ASSERT_TRUE(plat::ReplaceHostFileContent(link, "89", 2, &why));
  EXPECT_EQ(TempMachine::ReadHost(file), "89");
  struct stat l{};
  EXPECT_TRUE(lstat(link.c_str(), &l) == 0 && S_ISLNK(l.st_mode));
  EXPECT_FALSE(plat::ReplaceHostFileContent(dir + "/none/x", "1", 1, &why));
  EXPECT_FALSE(plat::ReplaceHostFileContent(dir, "1", 1, &why));
  EXPECT_TRUE(plat::ReplaceHostFileContent("/dev/null", "1", 1, &why)) << why;  // not a regular file: in place
}

}  // namespace
