#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "plat/kernel.h"
#include "plat/machine.h"
#include "test_support.h"

namespace {

using CountFn = int (*)();

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\System32"));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Drivers"));
    ASSERT_TRUE(test_support::CopyFile(PLAT_TEST_MODULE, root_ + "/c/Windows/System32/testmod.dll"));
    ASSERT_TRUE(test_support::CopyFile(PLAT_TEST_MODULE, root_ + "/c/Drivers/other.dll"));
  }
  void TearDown() override {
    unsetenv("VELM_WINPATH");
    unsetenv("PLAT_TEST_MODULE_REFUSE");
  }
  test_support::TempFolder folder_{"velm-loader"};
  std::string root_ = folder_.path();
};

TEST_F(Loader, LoadsOnceCallsDllMainAndUnloadsAtLastFree) {
  HMODULE a = LoadLibraryW(u"C:\\WINDOWS\\system32\\TESTMOD.DLL");
  ASSERT_NE(a, nullptr);
  HMODULE b = LoadLibraryW(u"testmod.dll");  // bare name: the system directory
  EXPECT_EQ(a, b);
  auto attach = reinterpret_cast<CountFn>(GetProcAddress(a, "TestModuleAttachCount"));
  auto detach = reinterpret_cast<CountFn>(GetProcAddress(a, "TestModuleDetachCount"));
  ASSERT_NE(attach, nullptr);
  EXPECT_EQ(attach(), 1);
  EXPECT_EQ(detach(), 0);
  EXPECT_EQ(GetModuleHandleW(u"TestMod.dll"), a);
  char16_t name[64];
  EXPECT_GT(GetModuleFileNameW(a, name, 64), 0u);
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_EQ(detach(), 0);  // one reference left
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_FALSE(FreeLibrary(b));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Loader, MissingModulesAndExports) {
  EXPECT_EQ(LoadLibraryW(u"C:\\nowhere\\x.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryW(u"other.dll"), nullptr);  // not on the search path
  setenv("VELM_WINPATH", "C:\\Drivers", 1);
  HMODULE m = LoadLibraryW(u"other.dll");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  FreeLibrary(m);
}

TEST_F(Loader, AModuleThatRefusesToStartIsNotLoaded) {
  setenv("PLAT_TEST_MODULE_REFUSE", "1", 1);
  EXPECT_EQ(LoadLibraryW(u"testmod.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
}

}  // namespace
