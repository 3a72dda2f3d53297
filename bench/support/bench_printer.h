// A machine of a benchmark's own, in a temporary folder removed at exit,
// with one printer "Office" of the reference model installed as a driver's
// data file, and the driver's data folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "model_bench.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "velm/paths.h"

namespace bench_support {

constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

// Makes the machine and opens the printer; null when any step fails. tag
// names the temporary folder.
inline HANDLE OpenReferencePrinter(const char* tag) {
  static std::string root;
  std::string tmpl = std::string("/tmp/velm-bench-") + tag + "-XXXXXX";
  if (!mkdtemp(tmpl.data())) return nullptr;
  root = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  });
  std::string error;
  if (!test_support::InitStandinMachine(root, &error) || !plat::EnsureWindowsDir(kDriverDir))
    return nullptr;
  std::u16string dir = kDriverDir;
  std::error_code ec;
  std::filesystem::copy_file(ReferenceModelPath(), plat::MapPath(dir + u"model.mdf"), ec);
  if (ec) return nullptr;
  plat::SpoolDriver d;
  d.name = u"VELM Driver";
  d.driverPath = dir + u"VELMPD0.DLL";
  d.configFile = dir + u"VELMPD3.DLL";
  d.dataFile = dir + u"model.mdf";
  d.helpFile = dir + u"VELMus.hlp";
  plat::SpoolPrinter p;
  p.name = u"Office";
  p.driverName = d.name;
  if (!plat::SpoolAddDriver(d) || !plat::SpoolAddPrinter(p, &error)) return nullptr;
  // The driver's data folder, as an installation makes it: the driver keeps
  // its ini there, and a context opened without it measures failed stores.
  if (!PathCreateDataDir()) return nullptr;
  std::u16string name = p.name;
  HANDLE h = nullptr;
  return OpenPrinterW(name.data(), &h, nullptr) ? h : nullptr;
}

}  // namespace bench_support
