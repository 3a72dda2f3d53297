#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "plat/machine.h"
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

TEST_F(MachineFolder, EnvironmentVariableWins) {
  setenv("VELM_MACHINE", "/tmp/elsewhere", 1);
  EXPECT_EQ(plat::MachineRoot(), "/tmp/elsewhere");
  unsetenv("VELM_MACHINE");
  EXPECT_EQ(plat::MachineRoot(), root_);
}

}  // namespace
