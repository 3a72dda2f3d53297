#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

struct Library {
  const char* file;
  const char16_t* name;
};
const Library kLibraries[] = {
    {VELMPD0_FILE, u"VELMPD0.DLL"},
    {VELMPD3_FILE, u"VELMPD3.DLL"},
    {VELMPD4_FILE, u"VELMPD4.DLL"},
};

// Names of the functions an object exports (its dynamic symbol table).
std::set<std::string> ExportedFunctions(const char* file) {
  std::set<std::string> names;
  std::string cmd = std::string("nm -D --defined-only ") + file + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return names;
  char line[512];
  while (fgets(line, sizeof line, p)) {
    char addr[64], type[8], name[400];
    if (sscanf(line, "%63s %7s %399s", addr, type, name) == 3 && (type[0] == 'T' || type[0] == 'W'))
      names.insert(name);
  }
  pclose(p);
  return names;
}

class DriverLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velm-libs-XXXXXX";
    root_ = mkdtemp(tmpl);
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\System32"));
    for (const Library& lib : kLibraries) {
      std::string dst = plat::MapPath(std::u16string(u"C:\\Windows\\System32\\") + lib.name);
      ASSERT_EQ(std::system(("cp " + std::string(lib.file) + " " + dst).c_str()), 0);
    }
  }
  void TearDown() override { std::system(("rm -rf " + root_).c_str()); }
  std::string root_;
};

TEST_F(DriverLibraries, ExportOnlyTheirEntryPoints) {
  for (const Library& lib : kLibraries) {
    std::set<std::string> names = ExportedFunctions(lib.file);
    EXPECT_EQ(names.count("DllMain"), 1u) << lib.file;
    for (const std::string& n : names) {
      // Common-library names (Ctx*, Opt*, Mdf* ...) stay inside each library.
      EXPECT_FALSE(n.rfind("Ctx", 0) == 0 || n.rfind("Opt", 0) == 0 || n.rfind("Mdf", 0) == 0 ||
                   n.rfind("_Z", 0) == 0)
          << lib.file << " exports " << n;
    }
  }
}

TEST_F(DriverLibraries, LoadStartAndStopSideBySide) {
  HMODULE mods[3] = {};
  for (int i = 0; i < 3; ++i) {
    mods[i] = LoadLibraryW(kLibraries[i].name);
    ASSERT_NE(mods[i], nullptr) << plat::ToUtf8(kLibraries[i].name) << " error " << GetLastError();
    EXPECT_NE(GetProcAddress(mods[i], "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(mods[i], "CtxOpen"), nullptr);
  }
  for (HMODULE m : mods) EXPECT_TRUE(FreeLibrary(m));
}

}  // namespace
