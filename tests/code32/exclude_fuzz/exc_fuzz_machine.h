// The machine the query library's fuzz targets run on: a fresh machine
// folder (in memory when /dev/shm is there), removed at exit, with the
// printer "Office" of one model and the machine's modules loaded once.
#pragma once

#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "velm/library.h"

namespace exc_fuzz {

// Stops the run when an invariant does not hold.
inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

inline std::string MachineParent() {
  struct statfs fs{};
  if (access("/dev/shm", W_OK) == 0 && statfs("/dev/shm", &fs) == 0 && fs.f_type == 0x01021994) return "/dev/shm";
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

// Builds the machine in a new folder named after tag and installs the
// printer "Office" with the model file at model_path; false when any step
// fails.
inline bool InstallOffice(const char* tag, const char* model_path) {
  static std::string root;
  std::string tmpl = MachineParent() + "/" + tag + "-XXXXXX";
  unsetenv("VELM_MACHINE");
  if (!mkdtemp(tmpl.data())) return false;
  root = tmpl;
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  std::string error;
  if (!test_support::InitStandinMachine(root, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  const std::u16string dir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3";
  if (!plat::EnsureWindowsDir(dir.c_str())) return false;
  std::ifstream in(model_path, std::ios::binary);
  std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DWORD werror = 0;
  if (model.empty() || !plat::ReplaceFileContent((dir + u"\\model.mdf").c_str(), model.data(), model.size(), &werror))
    return false;
  plat::SpoolDriver d;
  d.name = u"VELM Driver";
  d.driverPath = dir + u"\\VELMPD0.DLL";
  d.configFile = dir + u"\\VELMPD3.DLL";
  d.dataFile = dir + u"\\model.mdf";
  d.helpFile = dir + u"\\VELMus.hlp";
  plat::SpoolPrinter p;
  p.name = u"Office";
  p.driverName = d.name;
  p.attributes = PRINTER_ATTRIBUTE_LOCAL;
  if (!plat::SpoolAddDriver(d) || !plat::SpoolAddPrinter(p, &error)) return false;
  // The machine's modules are loaded once for the whole run: the library
  // loads and frees some of them per call, and an instrumented module that
  // leaves the process would leave the fuzzer's coverage counters behind.
  const std::u16string system = u"C:\\Windows\\System32\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((system + u"*.dll").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    LoadLibraryW((system + found.cFileName).c_str());
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  CommonProcessAttach(nullptr);
  return true;
}

}  // namespace exc_fuzz
