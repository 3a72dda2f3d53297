#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "plat/machine.h"
#include "plat/wstr.h"
#include "test_support.h"

namespace {

class MachineFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
  }
  test_support::TempFolder folder_{"velm-machine"};
  std::string root_ = folder_.path();
};

TEST_F(MachineFolder, MapsDrivesAndBackslashes) {
  EXPECT_EQ(plat::MapPath(u"C:\\Windows\\System32"), root_ + "/c/Windows/System32");
  EXPECT_EQ(plat::MapPath(u"d:/data"), root_ + "/d/data");
}

TEST_F(MachineFolder, RefusesWhatIsNotAFullPathOrClimbsOut) {
  EXPECT_EQ(plat::MapPath(u"velmlist.ini"), "");
  EXPECT_EQ(plat::MapPath(u"\\\\server\\share"), "");
  EXPECT_EQ(plat::MapPath(u"C:\\a\\..\\..\\etc"), "");
  EXPECT_EQ(plat::MapPath(static_cast<const char16_t*>(nullptr)), "");
  EXPECT_FALSE(plat::IsFullWindowsPath(u"C"));
  EXPECT_TRUE(plat::IsFullWindowsPath(u"C:"));
}

TEST_F(MachineFolder, ExistingNamesMatchIgnoringCase) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\System32\\Spool"));
  std::ofstream(root_ + "/c/Windows/System32/Spool/VelmList.ini") << "x";
  EXPECT_EQ(plat::MapPath(u"c:\\WINDOWS\\system32\\SPOOL\\velmlist.INI"),
            root_ + "/c/Windows/System32/Spool/VelmList.ini");
  // A missing name is kept as written.
  EXPECT_EQ(plat::MapPath(u"C:\\windows\\New.txt"), root_ + "/c/Windows/New.txt");
  // Letters beyond ASCII fold too, and never onto an ASCII letter.
  std::ofstream(root_ + "/c/Windows/\xc3\x89t\xc3\xa9.ini") << "x";  // "Été.ini"
  std::ofstream(root_ + "/c/Windows/ete.ini") << "x";
  EXPECT_EQ(plat::MapPath(u"C:\\Windows\\\u00e9T\u00c9.INI"), root_ + "/c/Windows/\xc3\x89t\xc3\xa9.ini");
  EXPECT_EQ(plat::MapPath(u"C:\\Windows\\ETE.ini"), root_ + "/c/Windows/ete.ini");
  EXPECT_EQ(plat::MapPath(u"C:\\Windows\\\u00e9te.ini"), root_ + "/c/Windows/\u00e9te.ini") << "kept as written";
}

// Runs change in another process, as another program writing to the machine
// does, and waits for it.
template <typename Change>
void InOtherProcess(Change change) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(change() ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Look-ups in one folder, in order, while other processes create and remove
// names in it: every answer is the folder's content at the time of asking,
// whatever this process remembers of the folder from earlier look-ups.
TEST_F(MachineFolder, LookUpsFollowChangesByOtherProcesses) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Presets"));
  const std::string dir = root_ + "/c/Presets";
  for (const char* name : {"Draft.ini", "\xc3\x89t\xc3\xa9.ini", "Gone.ini", "Moved.ini"})
    std::ofstream(dir + "/" + name) << "x";
  enum Change { kNone, kCreate, kRemove, kRename, kSettle, kStampAhead, kCreateKeepingTime };
  struct Step {
    Change change;
    const char* name;       // created or removed by another process
    const char16_t* query;  // looked up afterwards
    const char* expected;   // the host name it maps to
  };
  const Step steps[] = {
      {kNone, "", u"C:\\Presets\\Draft.ini", "Draft.ini"},   // exact
      {kNone, "", u"C:\\PRESETS\\draft.INI", "Draft.ini"},   // other case
      {kNone, "", u"C:\\presets\\\u00e9T\u00c9.INI", "\xc3\x89t\xc3\xa9.ini"},  // beyond ASCII
      {kNone, "", u"C:\\Presets\\ETE.ini", "ETE.ini"},       // never onto another letter
      // Created in the clock tick in which the folder was last read and
      // changed, so the folder's time stays the same.
      {kStampAhead, "", u"C:\\PRESETS\\draft.INI", "Draft.ini"},
      {kCreateKeepingTime, "Quick.ini", u"C:\\Presets\\QUICK.INI", "Quick.ini"},
      // Created once what this process read of the folder has settled.
      {kSettle, "", u"C:\\Presets\\GONE.INI", "Gone.ini"},
      {kCreate, "Later.ini", u"C:\\Presets\\later.INI", "Later.ini"},
      {kSettle, "", u"C:\\Presets\\GONE.INI", "Gone.ini"},
      {kRemove, "Gone.ini", u"C:\\Presets\\GONE.INI", "GONE.INI"},  // kept as written
      {kSettle, "", u"C:\\Presets\\moved.ini", "Moved.ini"},
      {kRename, "Moved.ini", u"C:\\Presets\\moved.ini", "moved.ini"},
      {kNone, "", u"C:\\Presets\\MOVED.INI.OLD", "Moved.ini.old"},
  };
  for (const Step& step : steps) {
    const std::string path = dir + "/" + step.name;
    switch (step.change) {
      case kNone: break;
      case kSettle:
        // Past the clock tick of the folder's last change.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        break;
      case kStampAhead: {
        // The folder's time not yet past, as in the tick of its last change.
        const timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) + 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), times, 0), 0);
        break;
      }
      case kCreateKeepingTime:
        InOtherProcess([&] {
          struct stat st{};
          if (stat(dir.c_str(), &st) != 0 || !(std::ofstream(path) << "x")) return false;
          const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
          return utimensat(AT_FDCWD, dir.c_str(), times, 0) == 0;
        });
        break;
      case kCreate: InOtherProcess([&] { return bool(std::ofstream(path) << "x"); }); break;
      case kRemove: InOtherProcess([&] { return std::remove(path.c_str()) == 0; }); break;
      case kRename: InOtherProcess([&] { return std::rename(path.c_str(), (path + ".old").c_str()) == 0; }); break;
    }
    EXPECT_EQ(plat::MapPath(step.query), dir + "/" + step.expected) << plat::ToUtf8(step.query);
  }
}

TEST_F(MachineFolder, EnvironmentVariableWins) {
  setenv("VELM_MACHINE", "/tmp/elsewhere", 1);
  EXPECT_EQ(plat::MachineRoot(), "/tmp/elsewhere");
  unsetenv("VELM_MACHINE");
  EXPECT_EQ(plat::MachineRoot(), root_);
}

}  // namespace
