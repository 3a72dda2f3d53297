// The batch-settings ini VELM.ini of the machine's system folder, where an
// administrator leaves settings for a printer's set-up:
//   batch show PRINTER                  the printer's section
//   batch set PRINTER KEY=VALUE ...     writes keys (DefaultQst, SetUserCode,
//                                       SetUserID, SetOwnerID, SpoolDirectory,
//                                       SpoolDirectoryAll, VELMDirectory ...)
//   batch clear PRINTER [KEY ...]       removes keys, or the whole section
#include <cstdio>
#include <string>

#include "command.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "velm/inst.h"

namespace {

int Fail(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "velm batch %s: %s\n", what.c_str(), why.c_str());
  return 1;
}

int RunBatch(const velm_cli::Args& args) {
  const char* usage =
      "usage: velm batch show PRINTER\n"
      "       velm batch set PRINTER KEY=VALUE ...\n"
      "       velm batch clear PRINTER [KEY ...]\n";
  if (args.size() < 2 || (args[0] != "show" && args[0] != "set" && args[0] != "clear") ||
      (args[0] == "set" && args.size() < 3))
    return std::fprintf(stderr, "%s", usage), 2;
  const std::string& what = args[0];
  const std::u16string printer = plat::FromUtf8(args[1]);
  char16_t ini[261] = {};
  if (!InstGetBatchIniPathInto(ini, 261)) return Fail(what, "the machine has no system folder");
  if (what == "show") {
    std::u16string keys(32768, u'\0');
    const DWORD n = GetPrivateProfileStringW(printer.c_str(), nullptr, u"", keys.data(), DWORD(keys.size()), ini);
    for (size_t at = 0; at < n && keys[at];) {
      const std::u16string key = keys.c_str() + at;
      std::u16string value(1024, u'\0');
      GetPrivateProfileStringW(printer.c_str(), key.c_str(), u"", value.data(), DWORD(value.size()), ini);
      std::printf("%s=%s\n", plat::ToUtf8(key).c_str(), plat::ToUtf8(value.c_str()).c_str());
      at += key.size() + 1;
    }
    return 0;
  }
  // Every argument is checked before the first write: a refused one changes
  // nothing.
  for (size_t i = 2; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    if (what == "set" && (eq == std::string::npos || eq == 0))
      return Fail(what, "'" + args[i] + "' is no KEY=VALUE; " + plat::ToUtf8(ini) + " is unchanged");
    if (what == "clear" && (args[i].empty() || eq != std::string::npos))
      return Fail(what, "'" + args[i] + "' is no key name; " + plat::ToUtf8(ini) + " is unchanged");
  }
  // A file that stays read-only fails the write below, which says so.
  (void)SetFileAttributesW(ini, FILE_ATTRIBUTE_NORMAL);
  if (what == "clear" && args.size() == 2) {
    if (GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES && !WritePrivateProfileStringW(printer.c_str(), nullptr, nullptr, ini))
      return Fail(what, "cannot write " + plat::ToUtf8(ini));
    return 0;
  }
  for (size_t i = 2; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    const std::u16string key = plat::FromUtf8(args[i].substr(0, eq));
    const std::u16string value = eq == std::string::npos ? u"" : plat::FromUtf8(args[i].substr(eq + 1));
    if (!WritePrivateProfileStringW(printer.c_str(), key.c_str(), what == "set" ? value.c_str() : nullptr, ini))
      return Fail(what, "cannot write " + plat::ToUtf8(key) + " into " + plat::ToUtf8(ini));
  }
  return 0;
}

}  // namespace

VELM_COMMAND("batch", "batch show|set|clear PRINTER [KEY=VALUE ...]   the printer's section of VELM.ini", RunBatch);
