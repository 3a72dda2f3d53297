// Makes a machine as "velm machine init" does: Windows' own folders and
// modules, and the stand-ins of the maker's modules the driver loads from
// the system directory with the first values of their settings. Tests,
// fuzz targets and benchmarks make their machines through this.
#pragma once

#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"

namespace test_support {

inline bool InitStandinMachine(const std::string& dir, std::string* error) {
  static const plat::MachineExtras extras = {{"orvbidiNT.dll", "ORVJC32.DLL"}, {{"orvtse.result", ""}}};
  return plat::InitMachine(dir, plat::StandinModuleDir(), extras, error);
}

// The folder fuzz targets make their machines in: memory (tmpfs) where
// there is one, since every write of the layer flushes its file and folder,
// which on a disk would cost each input milliseconds.
inline std::string FuzzMachineParent() {
  struct statfs fs{};
  if (access("/dev/shm", W_OK) == 0 && statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC) return "/dev/shm";
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

// A fresh folder named after prefix under FuzzMachineParent, removed when
// the process exits; empty, with the reason in error, when none can be made.
inline std::string MakeFuzzFolder(const char* prefix, std::string* error) {
  std::string tmpl = FuzzMachineParent() + "/" + prefix + "-XXXXXX";
  unsetenv("VELM_MACHINE");
  if (!mkdtemp(tmpl.data())) return *error = "no temporary folder", std::string();
  static std::vector<std::string> folders;
  if (folders.empty())
    std::atexit([] {
      for (const std::string& f : folders) std::system(("rm -rf '" + f + "'").c_str());
    });
  folders.push_back(tmpl);
  return tmpl;
}

// A machine as "velm machine init" makes it, in a fresh folder of
// MakeFuzzFolder; empty, with the reason in error, when a step fails.
inline std::string MakeFuzzMachine(const char* prefix, std::string* error) {
  std::string root = MakeFuzzFolder(prefix, error);
  if (root.empty() || !InitStandinMachine(root, error)) return {};
  return root;
}

inline constexpr const char16_t* kFuzzDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

// Adds the driver "VELM Driver" (its modules, model file and help file in
// the driver directory) and a printer of it; with model_file, that file is
// copied in as the model first. False, with the reason in error, when a
// step fails.
inline bool AddVelmPrinter(const std::u16string& name, DWORD attributes, const char* model_file, std::string* error) {
  const std::u16string dir = kFuzzDriverDir;
  if (!plat::EnsureWindowsDir(dir.c_str())) return *error = "no driver directory", false;
  if (model_file) {
    std::ifstream in(model_file, std::ios::binary);
    std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (model.empty()) return *error = std::string("cannot read ") + model_file, false;
    std::ofstream(plat::MapPath(dir + u"model.mdf"), std::ios::binary) << model;
  }
  plat::SpoolDriver d;
  d.name = u"VELM Driver";
  d.driverPath = dir + u"VELMPD0.DLL";
  d.configFile = dir + u"VELMPD3.DLL";
  d.dataFile = dir + u"model.mdf";
  d.helpFile = dir + u"VELMus.hlp";
  if (!plat::SpoolAddDriver(d)) return *error = "cannot add the driver", false;
  plat::SpoolPrinter p;
  p.name = name;
  p.driverName = d.name;
  p.attributes = attributes;
  return plat::SpoolAddPrinter(p, error);
}

// A machine for a fuzz target with the model file in the driver directory
// and the printer "Office" of it. Answers the machine's folder; empty, with
// the reason in error, when a step fails.
inline std::string MakeOfficeMachine(const char* prefix, const char* model_file, std::string* error) {
  std::string root = MakeFuzzMachine(prefix, error);
  if (root.empty() || !AddVelmPrinter(u"Office", PRINTER_ATTRIBUTE_LOCAL, model_file, error)) return {};
  return root;
}

}  // namespace test_support
