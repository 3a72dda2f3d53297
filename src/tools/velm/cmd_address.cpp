// The address book of the machine's remote destinations (VELMADDR.CSV in
// the driver's data folder, shared by every printer), read and edited
// through the driver's own load and save:
//   address list PRINTER                        N, name, number and line of each entry
//   address add PRINTER NAME NUMBER [--line LINE] [--at N]
//   address delete PRINTER N
// N counts entries from 1 in the order of the file; --at N puts the new
// entry before entry N (at the end without it).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "printer_session.h"
#include "velm/address_list.h"
#include "velm/context.h"
#include "velm/library.h"
#include "velm/paths.h"

namespace {

using velm_cli::FailCommand;

// A context of the printer with the address book loaded.
class Book : public velm_cli::PrinterSession {
 public:
  Book(const std::string& what, const std::string& printer) : PrinterSession(what, printer, 4) {
    if (!ok()) return;
    // Held from the read to the write, so that two commands editing the
    // book at once each see the other's change.
    char16_t path[MAX_PATH + 16] = {};
    if (PathGetDataDir(path, MAX_PATH, ctx()) > 0 && plat::WAppend(path, MAX_PATH + 16, u"\\VELMADDR.CSV"))
      lock_ = std::make_unique<plat::FileLock>(path);
    if (!CsvLoadList(ctx())) Abandon("out of memory for the address book");  // the list goes with the context
  }
  CsvList* list() const { return CsvGetList(ctx()); }
  // Why the file was not read whole; empty when it was (or is missing).
  std::string Unreadable() const {
    switch (list()->loadState) {
      case kCsvLoadNoAccess: return "the address book VELMADDR.CSV cannot be opened (another program holds it?)";
      case kCsvLoadReadError: return "the address book VELMADDR.CSV cannot be read";
      case kCsvLoadBadField:
        return "the address book VELMADDR.CSV holds a field longer than it may be; it is left as it is";
      default: return "";
    }
  }
  int Save() const {
    if (!CsvSaveList(ctx())) return FailCommand(what(), "the address book could not be written; it is unchanged");
    return 0;
  }

 private:
  std::unique_ptr<plat::FileLock> lock_;
};

bool ParsePosition(const std::string& text, int32_t* out) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *out = std::atoi(text.c_str());
  return *out > 0;
}

bool FitsAnsi(const std::u16string& text, size_t bytes) {
  return plat::WideToAnsiLength(text.data(), text.size()) <= bytes;
}

// What is wrong with a text for a field of the file; empty when nothing.
std::string CheckText(const char* what, const std::u16string& text, size_t bytes) {
  for (char16_t c : text)
    if (c == u',' || c == u'\r' || c == u'\n')
      return std::string(what) + " may not hold a comma or a line break";
  if (!FitsAnsi(text, bytes))
    return std::string(what) + " takes at most " + std::to_string(bytes) + " bytes in code page 932";
  return "";
}

bool IsTelNoChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'-' || c == u'#' || c == u'*' || c == u'/' || c == u'\uFF65';
}

int List(const velm_cli::Args& args) {
  if (args.size() != 2) return std::fprintf(stderr, "usage: velm address list PRINTER\n"), 2;
  Book b("address list", args[1]);
  if (!b.ok()) return b.Refuse();
  if (!b.Unreadable().empty()) return FailCommand("address list", b.Unreadable());
  CsvList* list = b.list();
  for (int32_t i = 0; i < CsvNamedCount(list); ++i) {
    const CsvRecord* r = CsvNamedRecord(list, i);
    std::printf("%d\t%s\t%s\t%s\n", int(i + 1), plat::ToUtf8(r->name).c_str(), plat::ToUtf8(r->telNo).c_str(),
                plat::ToUtf8(r->line).c_str());
  }
  return 0;
}

int Add(const velm_cli::Args& args) {
  const char* usage = "usage: velm address add PRINTER NAME NUMBER [--line LINE] [--at N]\n";
  if (args.size() < 4) return std::fprintf(stderr, "%s", usage), 2;
  const std::string what = "address add";
  const std::u16string name = plat::FromUtf8(args[2]);
  const std::u16string number = plat::FromUtf8(args[3]);
  std::u16string line;
  int32_t at = 0;
  for (size_t i = 4; i < args.size(); ++i) {
    if (args[i] == "--line" && i + 1 < args.size()) {
      line = plat::FromUtf8(args[++i]);
    } else if (args[i] == "--at" && i + 1 < args.size()) {
      if (!ParsePosition(args[++i], &at)) return FailCommand(what, "--at takes an entry number from 1, not " + args[i]);
    } else {
      return FailCommand(what, "unexpected argument " + args[i]);
    }
  }
  if (name.empty()) return FailCommand(what, "the name may not be empty");
  if (std::string why = CheckText("the name", name, 64); !why.empty()) return FailCommand(what, why);
  if (number.empty()) return FailCommand(what, "the number may not be empty");
  for (char16_t c : number)
    if (!IsTelNoChar(c)) return FailCommand(what, "the number may hold only digits and - # * / (not " + args[3] + ")");
  if (std::string why = CheckText("the number", number, 32); !why.empty()) return FailCommand(what, why);
  if (std::string why = CheckText("the line", line, 8); !why.empty()) return FailCommand(what, why);

  Book b(what, args[1]);
  if (!b.ok()) return b.Refuse();
  if (!b.Unreadable().empty()) return FailCommand(what, b.Unreadable());
  const int32_t count = CsvNamedCount(b.list());
  if (at == 0) at = count + 1;
  if (at > count + 1) return FailCommand(what, "there are " + std::to_string(count) + " entries; --at takes 1-" +
                                           std::to_string(count + 1));
  CsvRecord* r = CsvNewEntry(b.ctx(), at);
  if (!r) return FailCommand(what, "the address book is full (1000 entries)");
  plat::WCopy(r->name, kCsvNameChars, name.c_str());
  plat::WCopy(r->telNo, kCsvTelNoChars, number.c_str());
  plat::WCopy(r->line, kCsvLineChars, line.c_str());
  if (int rc = b.Save()) return rc;
  std::printf("added %d\t%s\n", int(at), args[2].c_str());
  return 0;
}

int Delete(const velm_cli::Args& args) {
  if (args.size() != 3) return std::fprintf(stderr, "usage: velm address delete PRINTER N\n"), 2;
  const std::string what = "address delete";
  int32_t n = 0;
  if (!ParsePosition(args[2], &n)) return FailCommand(what, "N is an entry number from 1, not " + args[2]);
  Book b(what, args[1]);
  if (!b.ok()) return b.Refuse();
  if (!b.Unreadable().empty()) return FailCommand(what, b.Unreadable());
  const int32_t count = CsvNamedCount(b.list());
  const CsvRecord* r = CsvNamedRecord(b.list(), n - 1);
  if (!r) return FailCommand(what, "there is no entry " + args[2] + " (there are " + std::to_string(count) + ")");
  const std::string name = plat::ToUtf8(r->name);
  CsvDeleteEntry(b.ctx(), n);
  if (int rc = b.Save()) return rc;
  std::printf("deleted %d\t%s\n", int(n), name.c_str());
  return 0;
}

int Run(const velm_cli::Args& args) {
  if (!args.empty() && args[0] == "list") return List(args);
  if (!args.empty() && args[0] == "add") return Add(args);
  if (!args.empty() && args[0] == "delete") return Delete(args);
  std::fprintf(stderr, "usage: velm address list|add|delete PRINTER ...\n");
  return 2;
}

}  // namespace

VELM_COMMAND("address", "address list|add|delete PRINTER ...   the machine's address book of remote destinations",
             Run);
