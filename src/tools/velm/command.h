// Subcommands of the command-line host. Each area adds its commands in a
// file of its own with VELM_COMMAND; main() dispatches on the first word.
#pragma once

#include <string>
#include <vector>

namespace velm_cli {

using Args = std::vector<std::string>;
// Returns the process exit code.
using CommandFn = int (*)(const Args& args);

struct Command {
  const char* name;
  const char* usage;  // one line, shown by "velm help"
  CommandFn run;
};

bool Register(const Command& command);

// velm printer set (cmd_printer_set.cpp).
int PrinterSet(const Args& args);
// velm printer query, and the device description of a new printer
// (cmd_device.cpp).
int PrinterQuery(const Args& args);
bool DeviceCreateFromModel(void* printer, const std::string& name, std::string* why);

}  // namespace velm_cli

#define VELM_CAT2(a, b) a##b
#define VELM_CAT(a, b) VELM_CAT2(a, b)
#define VELM_COMMAND(name, usage, fn) \
  static const bool VELM_CAT(velm_command_, __LINE__) = ::velm_cli::Register({name, usage, fn})
