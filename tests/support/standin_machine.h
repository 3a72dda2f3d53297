// Makes a machine as "velm machine init" does: Windows' own folders and
// modules, and the stand-ins of the maker's modules the driver loads from
// the system directory with the first values of their settings. Tests,
// fuzz targets and benchmarks make their machines through this.
#pragma once

#include <string>

#include "plat/machineconf.h"

namespace test_support {

inline bool InitStandinMachine(const std::string& dir, std::string* error) {
  static const plat::MachineExtras extras = {{"orvbidiNT.dll", "ORVJC32.DLL"}, {{"orvtse.result", ""}}};
  return plat::InitMachine(dir, plat::StandinModuleDir(), extras, error);
}

}  // namespace test_support
