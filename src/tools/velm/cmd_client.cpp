// velm client: the terminal-server client that the remote-configuration
// module XMBIDISS.dll plays (src/xmbidi/xmbidiss.cpp lists its settings).
//   client on | off        the driver's switch, HKLM XMBIDI_FLG (1 / 0)
//   client show            the switch, the module, the client and the counters
//   client set KEY=VALUE   type, dir, printer, os, fail, failcode, malformed
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/registry.h"
#include "plat/wstr.h"

namespace {

constexpr const char16_t* kKey = u"Software\\ORVEK\\Overarch Printer Driver";
constexpr const char16_t* kFlag = u"XMBIDI_FLG";
constexpr const char16_t* kModule = u"C:\\Windows\\System32\\XMBIDISS.dll";

// The settings a person may change, and their machine-setting keys.
struct Key {
  const char* name;
  const char* setting;
  const char* meaning;
};
constexpr Key kKeys[] = {
    {"type", "xmbidi.type", "server type answered (17, 18, 19; default 18)"},
    {"dir", "xmbidi.client.dir", "Windows path of the client's folder (default C:\\Client)"},
    {"printer", "xmbidi.client.printer", "the client printer's name (default: the printer's own)"},
    {"os", "xmbidi.client.os", "the client's Windows major version (default 6)"},
    {"fail", "xmbidi.fail", "entries that fail, comma-separated"},
    {"failcode", "xmbidi.failcode", "what a failing entry answers (default 5)"},
    {"malformed", "xmbidi.malformed", "wrong answers: name, devmodesize, datasize"},
};
constexpr const char* kCounters[] = {"loads",        "unloads",       "connections",   "XMGetServerType",
                                     "XMSaveInformationClear", "XMPrintConfigConnectEx", "XMRegFileGetSize",
                                     "XMGetDataFile", "XMGetPrinterData", "XMDevmode",    "XMSetDevmode"};

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm client: %s\n", why.c_str());
  return 1;
}

bool WriteFlag(uint32_t value) {
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kKey, &key) != ERROR_SUCCESS) return false;
  LONG r = RegSetValueExW(key, kFlag, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

long ReadFlag() {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kKey, &key) != ERROR_SUCCESS) return -1;
  uint32_t value = 0;
  DWORD type = 0, size = sizeof value;
  LONG r = RegQueryValueExW(key, kFlag, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS && size == 4 ? long(value) : -1;
}

int Show() {
  long flag = ReadFlag();
  std::printf("%-24s %s\n", "XMBIDI_FLG", flag < 0 ? "(none)" : std::to_string(flag).c_str());
  std::printf("%-24s %s\n", "module",
              GetFileAttributesW(kModule) != INVALID_FILE_ATTRIBUTES ? "C:\\Windows\\System32\\XMBIDISS.dll"
                                                                     : "(missing)");
  std::printf("%-24s %s\n", "terminal server", plat::GetMachineSetting("os.terminal").c_str());
  for (const Key& k : kKeys) std::printf("%-24s %s\n", k.name, plat::GetMachineSetting(k.setting).c_str());
  for (const char* c : kCounters)
    std::printf("count %-18s %lld\n", c, static_cast<long long>(plat::GetMachineCounter(std::string("xmbidi.") + c)));
  return 0;
}

int Set(const velm_cli::Args& args) {
  // Every pair is checked before any is written.
  std::vector<std::pair<const Key*, std::string>> changes;
  for (size_t i = 1; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    const Key* key = nullptr;
    for (const Key& k : kKeys)
      if (eq != std::string::npos && args[i].compare(0, eq, k.name) == 0 && std::string(k.name).size() == eq) key = &k;
    if (!key) {
      std::string known;
      for (const Key& k : kKeys) known += std::string(known.empty() ? "" : ", ") + k.name;
      return Fail("'" + args[i] + "' is not KEY=VALUE with KEY one of " + known);
    }
    changes.emplace_back(key, args[i].substr(eq + 1));
  }
  for (const auto& [key, value] : changes)
    if (!plat::SetMachineSetting(key->setting, value)) return Fail("cannot write machine.conf");
  return 0;
}

int RunClient(const velm_cli::Args& args) {
  const std::string sub = args.empty() ? "" : args[0];
  struct stat st{};
  if ((sub == "on" || sub == "off" || sub == "show" || sub == "set") &&
      ::stat((plat::MachineRoot() + "/machine.conf").c_str(), &st) != 0)
    return Fail(velm_cli::NoMachineMessage(plat::MachineRoot()));
  if (sub == "on" || sub == "off") {
    if (!WriteFlag(sub == "on" ? 1 : 0)) return Fail("cannot write HKLM XMBIDI_FLG");
    return 0;
  }
  if (sub == "show" && args.size() == 1) return Show();
  if (sub == "set" && args.size() > 1) return Set(args);
  std::fprintf(stderr, "usage: velm client on|off|show\n       velm client set KEY=VALUE ...\n");
  for (const Key& k : kKeys) std::fprintf(stderr, "  %-10s %s\n", k.name, k.meaning);
  return 2;
}

}  // namespace

VELM_COMMAND("client", "client on|off|show|set KEY=VALUE   the terminal-server client the remote-configuration "
             "module plays",
             RunClient);
