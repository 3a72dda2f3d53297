// velm machine init DIR: makes DIR an empty emulated machine (settings,
// drive C: with its Windows folders, the stand-in system modules) with the
// stand-ins of the maker's modules the driver loads from the system
// directory and their settings.
#include <cstdio>
#include <string>

#include "command.h"
#include "plat/machineconf.h"

namespace {

// The maker's modules the driver finds in the system directory, and the
// first values of their machine settings:
//   orvbidiNT.dll   the bidirectional library
//   ORVJC32.DLL     the job-information module; its switches and counters
//                   are the settings jobinfo.* (listed in src/jobinfo/orvjc32.cpp)
//   orvtse.result   what the terminal-services helper answers; empty: 1
//                   under terminal services, else 0
//   XMBIDISS.dll    the remote-configuration module; its settings are
//                   xmbidi.* (listed in src/xmbidi/xmbidiss.cpp). The driver
//                   uses it only once HKLM XMBIDI_FLG is 1 (velm client on)
const plat::MachineExtras& MakerStandins() {
  static const plat::MachineExtras extras = {{"orvbidiNT.dll", "ORVJC32.DLL", "XMBIDISS.dll"}, {{"orvtse.result", ""}}};
  return extras;
}

int RunMachine(const velm_cli::Args& args) {
  if (args.size() != 2 || args[0] != "init") {
    std::fprintf(stderr, "usage: velm machine init DIR\n");
    return 2;
  }
  std::string error;
  if (!plat::InitMachine(args[1], plat::StandinModuleDir(), MakerStandins(), &error)) {
    std::fprintf(stderr, "velm machine init: %s\n", error.c_str());
    return 1;
  }
  std::printf("machine ready in %s (settings: %s/machine.conf)\nuse it with: %s\n", args[1].c_str(), args[1].c_str(),
              velm_cli::UseMachineHint(args[1]).c_str());
  return 0;
}

}  // namespace

VELM_COMMAND("machine", "machine init DIR   make DIR an empty emulated machine", RunMachine);
