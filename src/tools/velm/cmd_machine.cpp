// velm machine init DIR: makes DIR an empty emulated machine (settings,
// drive C: with its Windows folders, the stand-in system modules) with the
// stand-ins of the maker's modules the driver loads from the system
// directory and their settings. velm machine show / set: the machine's
// settings (operating system, terminal server, users, clock).
#include <cstdio>
#include <ctime>
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

int Init(const velm_cli::Args& args) {
  std::string error;
  if (!plat::InitMachine(args[1], plat::StandinModuleDir(), MakerStandins(), &error)) {
    std::fprintf(stderr, "velm machine init: %s\n", error.c_str());
    return 1;
  }
  std::printf("machine ready in %s (settings: %s/machine.conf)\nuse it with: %s\n", args[1].c_str(), args[1].c_str(),
              velm_cli::UseMachineHint(args[1]).c_str());
  return 0;
}

int Show() {
  for (const auto& [key, value] : plat::MachineSettings()) std::printf("%s=%s\n", key.c_str(), value.c_str());
  return 0;
}

bool IsFlag(const std::string& v) { return v == "0" || v == "1"; }

bool IsNumber(const std::string& v) {
  if (v.empty() || v.size() > 9) return false;
  for (char c : v)
    if (c < '0' || c > '9') return false;
  return true;
}

// A Windows folder path: a drive letter, ':' and '\', and no part that
// leaves the folder above it.
bool IsFolder(const std::string& v) {
  if (v.empty()) return true;  // no such folder
  if (v.size() < 3 || v[1] != ':' || v[2] != '\\' || v.size() > 200) return false;
  if (v.find("\\..") != std::string::npos || v.find('/') != std::string::npos) return false;
  return v.find_first_of("*?\"<>|", 2) == std::string::npos;
}

// Why a value is refused for a key, or empty when it is taken.
std::string Refusal(const std::string& key, const std::string& value) {
  if (key == "user.admin" || key == "os.terminal") return IsFlag(value) ? "" : "must be 0 or 1";
  if (key == "os.major" || key == "os.minor" || key == "os.build" || key == "os.platform")
    return IsNumber(value) ? "" : "must be a number";
  if (key == "user.profile" || key == "user.localappdatalow" || key == "dir.windows" || key == "dir.system")
    return IsFolder(value) ? "" : "must be a folder such as C:\\Users\\name (or empty)";
  if (key == "user.name") return velm_cli::IsUserName(value) ? "" : "must be a user name (letters, digits, - and _)";
  if (key == "clock") {
    std::tm t{};
    return value.empty() || plat::ParseMachineClock(value, &t) ? "" : "must be a time YYYY-MM-DD HH:MM:SS (or empty)";
  }
  return "";
}

// Every KEY=VALUE is checked before any is written, so that a refused one
// leaves the settings as they were.
int Set(const velm_cli::Args& args) {
  std::vector<std::pair<std::string, std::string>> changes;
  for (size_t i = 1; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(stderr, "velm machine set: '%s' is not KEY=VALUE\n", args[i].c_str());
      return 2;
    }
    std::string key = args[i].substr(0, eq), value = args[i].substr(eq + 1);
    std::string why = Refusal(key, value);
    if (!why.empty()) {
      std::fprintf(stderr, "velm machine set: %s %s; nothing was changed\n", key.c_str(), why.c_str());
      return 2;
    }
    changes.emplace_back(key, value);
  }
  for (const auto& [key, value] : changes) {
    if (!plat::SetMachineSetting(key, value)) {
      std::fprintf(stderr, "velm machine set: cannot write %s\n", key.c_str());
      return 1;
    }
    std::printf("%s=%s\n", key.c_str(), plat::GetMachineSetting(key).c_str());
  }
  std::string error;
  if (!plat::EnsureUserFolders(&error)) {
    std::fprintf(stderr, "velm machine set: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int RunMachine(const velm_cli::Args& args) {
  if (args.size() == 2 && args[0] == "init") return Init(args);
  if (args.size() == 1 && args[0] == "show") return Show();
  if (args.size() >= 2 && args[0] == "set") return Set(args);
  std::fprintf(stderr,
               "usage: velm machine init DIR\n"
               "       velm machine show\n"
               "       velm machine set KEY=VALUE ...\n");
  return 2;
}

}  // namespace

VELM_COMMAND("machine",
             "machine init DIR | show | set KEY=VALUE ...   make an emulated machine; its settings (os.*, "
             "user.*, clock)",
             RunMachine);
