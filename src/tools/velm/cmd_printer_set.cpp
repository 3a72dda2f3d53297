// velm printer set PRINTER NAME=VALUE ...: sets stored settings of a printer
// as the driver does when a sheet is applied: a context of kind 0 is opened
// (it loads the stored settings), the values are set, and what changed is
// saved (document side to the driver ini, printer side to printer data), all
// or nothing, into the stored settings as they are then: a setting another
// process saved meanwhile stays. NAME is a setting's item name or id; VALUE
// a decimal number (0 or 1 for a bit), or the text of a text setting. Every
// argument is checked before anything is opened or written.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command.h"
#include "plat/batch.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/library.h"
#include "velm/lock.h"
#include "velm/paths.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace velm_cli {

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm printer set: %s\n", why.c_str());
  return 1;
}

struct Assignment {
  const SettingRecord* row;
  std::string name;
  std::string text;
  int64_t number = 0;
};

const SettingRecord* FindSetting(const std::string& word) {
  DriverContext* t = CtxGetTemplate();
  char* end = nullptr;
  errno = 0;
  unsigned long id = std::strtoul(word.c_str(), &end, 10);
  if (!word.empty() && end && *end == 0 && errno == 0) return id <= 0xFFFF ? OptFindSetting(t, uint32_t(id)) : nullptr;
  std::u16string name = plat::FromUtf8(word);
  for (int i = 0; i < t->settings->count; ++i) {
    const SettingRecord& r = t->settings->rows[i];
    if (r.itemName && name == r.itemName) return &r;
  }
  return nullptr;
}

// The bounds of an integer value type.
bool Bounds(uint32_t type, int64_t* lo, int64_t* hi) {
  switch (type) {
    case kTypeS8: *lo = -128; *hi = 127; return true;
    case kTypeS16: *lo = -32768; *hi = 32767; return true;
    case kTypeS32: *lo = INT32_MIN; *hi = INT32_MAX; return true;
    case kTypeU8: *lo = 0; *hi = 255; return true;
    case kTypeU16: *lo = 0; *hi = 65535; return true;
    case kTypeU32: *lo = 0; *hi = UINT32_MAX; return true;
    default: break;
  }
  if (IsBitType(type)) {
    *lo = 0;
    *hi = 1;
    return true;
  }
  return false;
}

bool Parse(const std::string& arg, Assignment* out, std::string* why) {
  size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) {
    *why = "'" + arg + "' is not NAME=VALUE";
    return false;
  }
  out->name = arg.substr(0, eq);
  out->text = arg.substr(eq + 1);
  out->row = FindSetting(out->name);
  if (!out->row) {
    *why = "no setting '" + out->name + "'";
    return false;
  }
  if (!StoreIsSavedItem(out->row)) {
    *why = "'" + out->name + "' is not a stored setting (not kept in printer data or the driver ini)";
    return false;
  }
  uint32_t type = DescType(out->row->descriptor);
  if (IsAnsiType(type) || IsWideType(type)) {
    size_t limit = IsAnsiType(type) ? DescSize(out->row->descriptor) - 1 : DescSize(out->row->descriptor) / 2 - 1;
    std::u16string wide = plat::FromUtf8(out->text);
    size_t need = IsAnsiType(type) ? plat::WideToAnsiLength(wide.data(), wide.size()) : wide.size();
    if (need > limit) {
      *why = "'" + out->name + "' holds at most " + std::to_string(limit) + (IsAnsiType(type) ? " bytes" : " characters");
      return false;
    }
    for (char16_t c : wide) {
      if (c == u'\r' || c == u'\n') {
        *why = "'" + out->name + "': a text cannot hold a line break";
        return false;
      }
    }
    return true;
  }
  int64_t lo = 0, hi = 0;
  if (!Bounds(type, &lo, &hi)) {
    *why = "'" + out->name + "' is not a number or a text";
    return false;
  }
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(out->text.c_str(), &end, 10);
  if (out->text.empty() || !end || *end != 0 || errno != 0 || v < lo || v > hi) {
    *why = "'" + out->name + "' takes a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
           ", not '" + out->text + "'";
    return false;
  }
  out->number = v;
  return true;
}

}  // namespace

int PrinterSet(const Args& args) {
  if (args.size() < 3) {
    std::fprintf(stderr, "usage: velm printer set PRINTER NAME=VALUE ...\n");
    return 2;
  }
  std::vector<Assignment> set;
  for (size_t i = 2; i < args.size(); ++i) {
    Assignment a;
    std::string why;
    if (!Parse(args[i], &a, &why)) return Fail(why);
    set.push_back(a);
  }
  std::u16string name = plat::FromUtf8(args[1]);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr))
    return Fail("no printer " + args[1] + " on the machine in " + plat::MachineRoot());
  CommonProcessAttach(nullptr);
  // The driver ini lies in the common data directory, which the printer
  // set-up creates; a machine whose printers were added by this host may
  // not have it yet.
  PathCreateDataDir();
  int rc = 0;
  DriverContext* ctx = CtxOpenKind(h, h, 0, kOpenEntryPoint);
  if (!ctx) {
    rc = Fail("cannot open a context for " + args[1] + ": its model-description file is missing or cannot be compiled");
  } else {
    for (const Assignment& a : set) {
      SettingRecord* row = OptFindSetting(ctx, a.row->id);
      uint32_t type = DescType(row->descriptor);
      if (IsAnsiType(type) || IsWideType(type)) OptSetText(ctx, row, plat::FromUtf8(a.text).c_str());
      else OptSetValue(ctx, row, int32_t(uint32_t(a.number)));
    }
    // The document side and the printer side, as one change, written under
    // the driver mutex: what the context changed is put into the stores as
    // they are now.
    bool ok;
    {
      DriverMutexHold hold;
      plat::WriteBatchBegin();
      ok = plat::WriteBatchEnd(StoreSaveDocumentRegions(h, ctx) && StoreSavePrinterSettings(h, ctx));
    }
    if (!ok) rc = Fail("the settings could not be saved; the stored settings are unchanged");
    else std::printf("%zu setting%s saved for %s\n", set.size(), set.size() == 1 ? "" : "s", args[1].c_str());
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace velm_cli
