// velm exc PRINTER OPERATION...: drives a printer's settings through the
// command interface of the settings query library, loaded from the driver
// directory and reached by its exports only, as an outside program does.
// The operations run in order on one handle:
//
//   base FILE              set the command base from a file of PJL lines; prints
//                          the result, the forced changes and the rebuilt base
//   update LINE...         propose lines one by one; prints each result, its changes
//                          and the rebuilt base
//   values NAME [--allowed]  the values of a command variable (only those allowed now)
//   option NAME            the values of a printer option the printer has now
//   watermarks [--kind N]  the stored watermarks' blocks (0 text, else image)
//   devmode -o FILE        the printer's default ANSI DEVMODE into a file
//
// Texts go in and out in the system code page; lines are printed without
// their CR LF. Exit code 1 when an operation answers -1 or -2.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "query_library.h"
#include "velmpd4.h"

namespace {

using velm_query::AnsiToUtf8;
using velm_query::ToAnsi;

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm exc: %s\n", why.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: velm exc PRINTER base FILE | update LINE... | values NAME [--allowed] | option NAME |\n"
               "                        watermarks [--kind N] | devmode -o FILE  (operations may follow one another)\n");
  return 2;
}

// The library's exports.
struct Library : velm_query::QueryLibrary {
  PFN_ExcGetExclusive getExclusive = nullptr;
  PFN_ExcFreeExclusive freeExclusive = nullptr;
  PFN_ExcSetCommandBase setBase = nullptr;
  PFN_ExcGetCommandBase getBase = nullptr;
  PFN_ExcUpdateCommand update = nullptr;
  PFN_ExcGetCommandChange getChange = nullptr;
  PFN_ExcGetCommandValue getValue = nullptr;
  PFN_ExcGetPrinterOption getOption = nullptr;
  PFN_ExcGetWaterMarkList getWatermarks = nullptr;
  PFN_ExcGetDriverDevmode getDevmode = nullptr;

  bool Load(std::string* why) {
    if (!LoadModule(why)) return false;
    bool ok = Find(&getExclusive, "ExcGetExclusive") && Find(&freeExclusive, "ExcFreeExclusive") &&
              Find(&setBase, "ExcSetCommandBase") && Find(&getBase, "ExcGetCommandBase") &&
              Find(&update, "ExcUpdateCommand") && Find(&getChange, "ExcGetCommandChange") &&
              Find(&getValue, "ExcGetCommandValue") && Find(&getOption, "ExcGetPrinterOption") &&
              Find(&getWatermarks, "ExcGetWaterMarkList") && Find(&getDevmode, "ExcGetDriverDevmode");
    if (!ok) *why = "the library lacks an export";
    return ok;
  }
};

// A two-call answer: asks the size, then the text.
template <typename Call>
int32_t Fetch(Call call, std::string* out) {
  int32_t needed = 0;
  int32_t r = call(0, nullptr, &needed);
  out->clear();
  if (r != 1 || needed <= 0) return r;
  std::string buffer(size_t(needed), '\0');
  r = call(needed, buffer.data(), &needed);
  if (r == 0) *out = buffer;
  return r;
}

// Prints PJL lines, one a line without the CR LF, each under a prefix.
void PrintLines(const std::string& text, const char* prefix) {
  size_t at = 0;
  while (at < text.size() && text[at]) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\0')) line.pop_back();
    if (!line.empty()) std::printf("%s%s\n", prefix, AnsiToUtf8(line).c_str());
    at = end + 1;
  }
}

// A list of NUL-terminated texts ended by one more NUL.
void PrintList(const std::string& list) {
  for (size_t at = 0; at < list.size() && list[at];) {
    std::string item(list.c_str() + at);
    std::printf("%s\n", AnsiToUtf8(item).c_str());
    at += item.size() + 1;
  }
}

std::string AsLine(const std::string& utf8) {
  std::string line = ToAnsi(utf8);
  if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) line += " \r\n";
  return line;
}

bool IsOperation(const std::string& word) {
  return word == "base" || word == "update" || word == "values" || word == "option" || word == "watermarks" ||
         word == "devmode";
}

class Session {
 public:
  Session(Library* lib, ExcHandle* h, std::string printer) : lib_(lib), h_(h), printer_(std::move(printer)) {}

  int Base(const std::string& file) {
    std::string base;
    if (!velm_cli::ReadHostBytes(file, &base)) return Fail("cannot read " + file);
    int32_t length = 0;
    int32_t r = lib_->setBase(h_, base.c_str(), &length);
    std::printf("base result %d\n", r);
    PrintChanges();
    PrintBase();
    return r < 0 ? 1 : 0;
  }

  int Update(const std::string& line) {
    int32_t length = 0;
    int32_t r = lib_->update(h_, AsLine(line).c_str(), &length);
    std::printf("update result %d\n", r);
    PrintChanges();
    PrintBase();
    return r < 0 ? 1 : 0;
  }

  int Values(const std::string& name, bool allowed) {
    std::string list;
    std::string ansi = ToAnsi(name);
    int32_t r = Fetch(
        [&](int32_t s, char* b, int32_t* n) { return lib_->getValue(h_, ansi.c_str(), allowed ? 1 : 0, s, b, n); },
        &list);
    PrintList(list);
    return r < 0 ? 1 : 0;
  }

  int Option(const std::string& name) {
    std::string list;
    std::string ansi = ToAnsi(name);
    int32_t r = Fetch([&](int32_t s, char* b, int32_t* n) { return lib_->getOption(h_, ansi.c_str(), s, b, n); },
                      &list);
    PrintList(list);
    return r < 0 ? 1 : 0;
  }

  int Watermarks(int32_t kind) {
    std::string list;
    int32_t r =
        Fetch([&](int32_t s, char* b, int32_t* n) { return lib_->getWatermarks(h_, kind, s, b, n); }, &list);
    int block = 0;
    for (size_t at = 0; at < list.size() && list[at];) {
      std::string text(list.c_str() + at);
      std::printf("watermark %d\n", ++block);
      PrintLines(text, "  ");
      at += text.size() + 1;
    }
    return r < 0 ? 1 : 0;
  }

  int Devmode(const std::string& file) {
    VELM_DEVMODEA dm{};
    int32_t needed = 0;
    int32_t r = lib_->getDevmode(ToAnsi(printer_).c_str(), EXC_DEVMODE_DEFAULT, int32_t(sizeof dm), &dm, &needed);
    if (r != 0) return Fail("the library gave no DEVMODE (" + std::to_string(r) + ")");
    std::string why;
    if (!plat::ReplaceHostFileContent(file, &dm, size_t(needed), &why)) return Fail("cannot write " + file + ": " + why);
    std::printf("devmode %d bytes, dmSize %u, dmDriverExtra %u, device \"%s\"\n", needed, dm.dmSize, dm.dmDriverExtra,
                AnsiToUtf8(dm.dmDeviceName, sizeof dm.dmDeviceName).c_str());
    return 0;
  }

 private:
  // The stored base as the last run rebuilt it.
  void PrintBase() {
    std::string stored;
    Fetch([&](int32_t s, char* b, int32_t* n) { return lib_->getBase(h_, s, b, n); }, &stored);
    PrintLines(stored, "base: ");
  }
  void PrintChanges() {
    std::string changes;
    Fetch([&](int32_t s, char* b, int32_t* n) { return lib_->getChange(h_, s, b, n); }, &changes);
    PrintLines(changes, "change: ");
  }

  Library* lib_;
  ExcHandle* h_;
  std::string printer_;
};

int Run(const velm_cli::Args& args) {
  if (args.size() < 2 || !IsOperation(args[1])) return Usage();
  // Every operation and its arguments are checked before anything runs.
  for (size_t i = 1; i < args.size();) {
    const std::string& op = args[i++];
    if (!IsOperation(op)) return Usage();
    if (op == "base" || op == "option") {
      if (i >= args.size()) return Usage();
      ++i;
    } else if (op == "values") {
      if (i >= args.size()) return Usage();
      ++i;
      if (i < args.size() && args[i] == "--allowed") ++i;
    } else if (op == "update") {
      size_t start = i;
      while (i < args.size() && !IsOperation(args[i])) ++i;
      if (i == start) return Usage();
    } else if (op == "watermarks") {
      if (i < args.size() && args[i] == "--kind") {
        if (i + 1 >= args.size()) return Usage();
        i += 2;
      }
    } else if (op == "devmode") {
      if (i + 1 >= args.size() || args[i] != "-o") return Usage();
      i += 2;
    }
  }
  Library lib;
  std::string why;
  if (!lib.Load(&why)) return Fail(why);
  int rc = 0;
  ExcHandle* h = nullptr;
  bool needs_handle = false;
  for (size_t i = 1; i < args.size(); ++i) needs_handle = needs_handle || (IsOperation(args[i]) && args[i] != "devmode");
  if (needs_handle) {
    h = lib.getExclusive(ToAnsi(args[0]).c_str());
    if (!h) return Fail("cannot open printer " + args[0] + " on the machine in " + plat::MachineRoot());
  }
  Session s(&lib, h, args[0]);
  for (size_t i = 1; i < args.size();) {
    const std::string op = args[i++];
    int r = 0;
    if (op == "base") {
      r = s.Base(args[i++]);
    } else if (op == "update") {
      while (i < args.size() && !IsOperation(args[i])) r |= s.Update(args[i++]);
    } else if (op == "values") {
      const std::string name = args[i++];
      bool allowed = i < args.size() && args[i] == "--allowed";
      if (allowed) ++i;
      r = s.Values(name, allowed);
    } else if (op == "option") {
      r = s.Option(args[i++]);
    } else if (op == "watermarks") {
      int32_t kind = 0;
      if (i < args.size() && args[i] == "--kind") {
        kind = int32_t(std::strtol(args[i + 1].c_str(), nullptr, 10));
        i += 2;
      }
      r = s.Watermarks(kind);
    } else if (op == "devmode") {
      r = s.Devmode(args[i + 1]);
      i += 2;
    }
    rc |= r;
  }
  if (h) lib.freeExclusive(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace

VELM_COMMAND("exc",
             "exc PRINTER OP...  the printer's settings through the query library's command interface; OP is\n"
             "                      base FILE | update LINE... | values NAME [--allowed] | option NAME |\n"
             "                      watermarks [--kind N] | devmode -o FILE",
             Run);
