// A machine of a benchmark's own, in a temporary folder removed at exit,
// with one printer "Office" of the reference model installed as a driver's
// data file.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"

namespace bench_support {

constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

// The reference model: VELM_REFERENCE_MODEL from the environment, else the
// one of the source tree.
inline std::string ReferenceModelPath() {
  const char* source = std::getenv("VELM_REFERENCE_MODEL");
  return source && *source ? source : VELM_REFERENCE_MODEL;
}

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
  std::u16string name = p.name;
  HANDLE h = nullptr;
  return OpenPrinterW(name.data(), &h, nullptr) ? h : nullptr;
}

}  // namespace bench_support
