// velm machine init DIR: makes DIR an empty emulated machine (settings,
// drive C: with its Windows folders, the stand-in system modules).
#include <cstdio>
#include <string>

#include "command.h"
#include "plat/machineconf.h"

namespace {

int RunMachine(const velm_cli::Args& args) {
  if (args.size() != 2 || args[0] != "init") {
    std::fprintf(stderr, "usage: velm machine init DIR\n");
    return 2;
  }
  std::string error;
  if (!plat::InitMachine(args[1], plat::StandinModuleDir(), &error)) {
    std::fprintf(stderr, "velm machine init: %s\n", error.c_str());
    return 1;
  }
  std::printf("machine ready in %s (settings: %s/machine.conf)\nuse it with: %s\n", args[1].c_str(), args[1].c_str(),
              velm_cli::UseMachineHint(args[1]).c_str());
  return 0;
}

}  // namespace

VELM_COMMAND("machine", "machine init DIR   make DIR an empty emulated machine", RunMachine);
