// Makes a machine as "velm machine init" does: Windows' own folders and
// modules, and the stand-ins of the maker's modules the driver loads from
// the system directory with the first values of their settings. Tests,
// fuzz targets and benchmarks make their machines through this.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"

namespace test_support {

inline bool InitStandinMachine(const std::string& dir, std::string* error) {
  static const plat::MachineExtras extras = {{"orvbidiNT.dll", "ORVJC32.DLL"}, {{"orvtse.result", ""}}};
  return plat::InitMachine(dir, plat::StandinModuleDir(), extras, error);
}

// A machine in a fresh folder under /dev/shm or /tmp (removed at exit) for a fuzz
// target: the model file in the driver directory, the driver and the
// printer "Office" of it. Answers the machine's folder; empty, with the
// reason in error, when a step fails.
inline std::string MakeOfficeMachine(const char* prefix, const char* model_file, std::string* error) {
  static const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";
  // In memory when it can be: every run of a fuzz target writes files that
  // are flushed, and a flush to a disk costs milliseconds.
  const bool shm = access("/dev/shm", W_OK) == 0;
  std::string tmpl = std::string(shm ? "/dev/shm/" : "/tmp/") + prefix + "-XXXXXX";
  unsetenv("VELM_MACHINE");
  if (!mkdtemp(tmpl.data())) return *error = "no temporary folder", std::string();
  static std::string root;
  root = tmpl;
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  if (!InitStandinMachine(root, error)) return {};
  if (!plat::EnsureWindowsDir(kDriverDir)) return *error = "no driver directory", std::string();
  std::ifstream in(model_file, std::ios::binary);
  std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (model.empty()) return *error = std::string("cannot read ") + model_file, std::string();
  std::ofstream(plat::MapPath(std::u16string(kDriverDir) + u"model.mdf"), std::ios::binary) << model;
  plat::SpoolDriver d;
  d.name = u"VELM Driver";
  d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
  d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
  d.dataFile = std::u16string(kDriverDir) + u"model.mdf";
  if (!plat::SpoolAddDriver(d)) return *error = "cannot add the driver", std::string();
  plat::SpoolPrinter p;
  p.name = u"Office";
  p.driverName = d.name;
  if (!plat::SpoolAddPrinter(p, error)) return {};
  return root;
}

}  // namespace test_support
