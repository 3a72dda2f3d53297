// velm: the command-line host through which a person runs the system on this
// machine.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command.h"

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
  std::fprintf(out, "usage: velm COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, cmd] : velm_cli::Commands()) std::fprintf(out, "  %s\n", cmd.usage);
  return out == stderr ? 2 : 0;
}

int main(int argc, char** argv) {
  if (argc < 2) return Usage(stderr);
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return Usage(stdout);
  auto it = velm_cli::Commands().find(name);
  if (it == velm_cli::Commands().end()) {
    std::fprintf(stderr, "velm: unknown command '%s'\n", name.c_str());
    return Usage(stderr);
  }
  velm_cli::Args args(argv + 2, argv + argc);
  return it->second.run(args);
}
