#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "test_support.h"

namespace {

struct Library {
  const char* file;
  const char16_t* name;
  std::set<std::string> exports;  // the whole export set, as reviewed
};
const Library kLibraries[] = {
    {VELMPD0_FILE, u"VELMPD0.DLL", {"DllMain", "DrvQueryDriverInfo", "DrvEnableDriver", "DrvDisableDriver"}},
    {VELMPD3_FILE,
     u"VELMPD3.DLL",
     {"DllMain", "DrvDevicePropertySheets", "DrvDocumentPropertySheets", "PrinterProperties", "DrvDocumentProperties",
      "DrvAdvancedDocumentProperties", "DrvDeviceCapabilities", "DrvConvertDevMode", "DevQueryPrintEx",
      "DrvUpgradePrinter", "DrvPrinterEvent", "DrvDocumentEvent"}},
    {VELMPD4_FILE,
     u"VELMPD4.DLL",
     {"DllMain", "ExcGetIniFileName", "ExcGetDriverDevmode", "ExcGetExclusive", "ExcFreeExclusive",
      "ExcSetCommandBase", "ExcGetCommandBase", "ExcUpdateCommand", "ExcGetCommandChange", "ExcGetCommandValue",
      "ExcGetPrinterOption", "ExcGetPrinterValue", "ExcGetWaterMarkList", "VELMDrvCheckAPIVer", "VELMDrvEnable",
      "VELMDrvDisable", "VELMDrvGetDevmode", "VELMDrvGetCaps", "VELMDrvSetStatus", "VELMDrvGetStatus"}},
};

// The names a shared object defines in its dynamic symbol table, read from
// the ELF file itself (64-bit, little-endian, as built here).
std::set<std::string> ExportedNames(const char* file, std::string* why) {
  std::set<std::string> names;
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  std::vector<char> bytes(in ? size_t(in.tellg()) : 0);
  in.seekg(0);
  in.read(bytes.data(), std::streamsize(bytes.size()));
  auto fits = [&](uint64_t at, uint64_t size) { return at <= bytes.size() && size <= bytes.size() - at; };
  Elf64_Ehdr eh;
  if (!fits(0, sizeof eh)) return *why = "too short", names;
  std::memcpy(&eh, bytes.data(), sizeof eh);
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64)
    return *why = "not a 64-bit ELF object", names;
  auto section = [&](uint32_t i, Elf64_Shdr* out) {
    uint64_t at = eh.e_shoff + uint64_t(i) * eh.e_shentsize;
    if (!fits(at, sizeof *out)) return false;
    std::memcpy(out, bytes.data() + at, sizeof *out);
    return true;
  };
  for (uint32_t i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr sh, strings;
    if (!section(i, &sh) || sh.sh_type != SHT_DYNSYM) continue;
    if (!section(sh.sh_link, &strings) || !fits(sh.sh_offset, sh.sh_size) || !fits(strings.sh_offset, strings.sh_size))
      return *why = "damaged symbol table", names;
    for (uint64_t at = sh.sh_offset; at + sizeof(Elf64_Sym) <= sh.sh_offset + sh.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, bytes.data() + at, sizeof sym);
      int bind = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || sym.st_shndx == SHN_ABS || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
      if (sym.st_name >= strings.sh_size) return *why = "damaged name", names;
      const char* name = bytes.data() + strings.sh_offset + sym.st_name;
      names.insert(std::string(name, strnlen(name, strings.sh_size - sym.st_name)));
    }
    return names;
  }
  *why = "no dynamic symbol table";
  return names;
}

class DriverLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\System32"));
    for (const Library& lib : kLibraries) {
      std::string dst = plat::MapPath(std::u16string(u"C:\\Windows\\System32\\") + lib.name);
      ASSERT_TRUE(test_support::CopyFile(lib.file, dst));
    }
  }
  test_support::TempFolder folder_{"velm-libs"};
  std::string root_ = folder_.path();
};

// Each library defines exactly its entry points for the loader and nothing
// else: no name of the common library, the runtime or a sanitizer.
TEST_F(DriverLibraries, ExportExactlyTheirEntryPoints) {
  for (const Library& lib : kLibraries) {
    std::string why;
    std::set<std::string> names = ExportedNames(lib.file, &why);
    EXPECT_TRUE(why.empty()) << lib.file << ": " << why;
    EXPECT_EQ(names, lib.exports) << lib.file;
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
  // The graphics engine VELMPD0 brought in stays, as an engine does for the
  // life of a process: its drawing libraries keep load-time state that no
  // call releases, which an unload would orphan.
  void* engine = dlopen("libvelmeng.so", RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(engine, nullptr);
  if (engine) dlclose(engine);
}


// VELMPD0 and VELMPD4 have no user interface: loading and starting either
// never brings in the window layer, which VELMPD3 does load.
TEST_F(DriverLibraries, OnlyTheInterfaceLibraryLoadsTheWindowLayer) {
  for (const Library& lib : kLibraries) {
    const bool with_ui = std::u16string(lib.name) == u"VELMPD3.DLL";
    EXPECT_EQ(test_support::InChild([&] {
                CHILD_CHECK(dlopen("libvelmui.so", RTLD_NOW | RTLD_NOLOAD) == nullptr);
                HMODULE mod = LoadLibraryW(lib.name);
                CHILD_CHECK(mod != nullptr);
                void* window_layer = dlopen("libvelmui.so", RTLD_NOW | RTLD_NOLOAD);
                CHILD_CHECK((window_layer != nullptr) == with_ui);
                return 0;
              }),
              0)
        << plat::ToUtf8(lib.name);
  }
}

}  // namespace
