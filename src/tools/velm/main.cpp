// velm: the command-line host through which a person runs the system on this
// machine.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "command.h"
#include "plat/machine.h"
#include "plat/machineconf.h"

namespace velm_cli {

static std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

bool Register(const Command& command) {
  Commands()[command.name] = command;
  return true;
}

}  // namespace velm_cli

static int Usage(FILE* out) {
  std::fprintf(out,
               "usage: velm [--machine DIR] [--user NAME] COMMAND [ARGS...]\n\n"
               "The machine folder is DIR of --machine (anywhere on the line), else the\n"
               "VELM_MACHINE variable, else ~/.velm/machine; make one with velm machine init DIR.\n"
               "The command runs as the user NAME of --user, else of the VELM_USER variable,\n"
               "else as the machine's user (velm machine show).\n\n"
               "commands:\n");
  for (const auto& [name, cmd] : velm_cli::Commands()) std::fprintf(out, "  %s\n", cmd.usage);
  return out == stderr ? 2 : 0;
}

// The machine folder: --machine DIR anywhere on the line, else the
// VELM_MACHINE variable, else a folder of the user's own. The user: --user
// NAME anywhere on the line (put into VELM_USER, which the machine's
// settings read).
static velm_cli::Args TakeMachineOption(int argc, char** argv) {
  velm_cli::Args rest;
  std::string machine;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--machine") == 0 && i + 1 < argc) {
      machine = argv[++i];
    } else if (std::strncmp(argv[i], "--machine=", 10) == 0) {
      machine = argv[i] + 10;
    } else if (std::strcmp(argv[i], "--user") == 0 && i + 1 < argc) {
      setenv("VELM_USER", argv[++i], 1);
    } else if (std::strncmp(argv[i], "--user=", 7) == 0) {
      setenv("VELM_USER", argv[i] + 7, 1);
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (!machine.empty()) {
    setenv("VELM_MACHINE", machine.c_str(), 1);
  } else if (!std::getenv("VELM_MACHINE")) {
    const char* home = std::getenv("HOME");
    plat::SetMachineRoot(std::string(home && *home ? home : ".") + "/.velm/machine");
  }
  return rest;
}

int main(int argc, char** argv) {
  velm_cli::Args words = TakeMachineOption(argc, argv);
  if (words.empty()) return Usage(stderr);
  std::string name = words[0];
  if (name == "help" || name == "--help" || name == "-h") return Usage(stdout);
  auto it = velm_cli::Commands().find(name);
  if (it == velm_cli::Commands().end()) {
    std::fprintf(stderr, "velm: unknown command '%s'\n", name.c_str());
    return Usage(stderr);
  }
  velm_cli::Args args(words.begin() + 1, words.end());
  if (const char* user = std::getenv("VELM_USER"); user && *user) {
    if (!velm_cli::IsUserName(user)) {
      std::fprintf(stderr, "velm: '%s' is not a user name (1-32 letters, digits, - and _)\n", user);
      return 2;
    }
    // Another user's folders are made at its first command, as Windows
    // makes a profile at a user's first log-on.
    std::string error;
    if (name != "machine" && plat::MachineExists() && !plat::EnsureUserFolders(&error)) {
      std::fprintf(stderr, "velm: %s\n", error.c_str());
      return 1;
    }
  }
  return it->second.run(args);
}
