// velm printer delete|connect|disconnect|upgrade|event|can-print, and the
// set-up of a new printer: the calls Windows' spooler makes into the
// printer-interface library VELMPD3, played by hand. The library is loaded
// from the printer's driver as the spooler loads it; each command prints
// what the driver answered and what changed in the machine (the printer's
// data, the driver's inis and other files).
//   printer delete NAME
//   printer connect NAME | disconnect NAME
//   printer upgrade NAME [--from-version V]
//   printer event NAME initialize|add-connection|delete-connection|delete|cache-refresh
//   printer can-print NAME [--devmode FILE]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "plat/fonts.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"

namespace {

// The spooler's records and codes, as the library's exports take them.
struct DriverUpgradeInfo1 {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
};
using ConvertFn = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using QueryFn = BOOL (*)(DEVQUERYPRINT_INFO*);
using UpgradeFn = BOOL (*)(DWORD, BYTE*);
using EventFn = BOOL (*)(LPWSTR, INT, DWORD, LPARAM);
constexpr DWORD kConvert = 1, kDriverDefault = 4;
constexpr uint32_t kPrivateVersionAt = 357;

struct EventName {
  const char* name;
  INT code;
};
constexpr EventName kEvents[] = {{"add-connection", 1}, {"delete-connection", 2}, {"initialize", 3},
                                 {"delete", 4},         {"cache-refresh", 5}};

int Fail(const char* what, const std::string& why) {
  std::fprintf(stderr, "velm printer %s: %s\n", what, why.c_str());
  return 1;
}

bool ReadHost(const std::string& path, std::string* out) { return velm_cli::ReadHostBytes(path, out); }

// What a command can change: the printer's data values and the files of
// the machine's drives (the spooler's own stores and logs left out).
struct Snapshot {
  std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>> data;
  std::map<std::string, std::string> files;  // Windows path -> bytes

  static Snapshot Take(const std::u16string& printer) {
    Snapshot s;
    for (const plat::SpoolDataValue& v : plat::SpoolListPrinterData(printer))
      s.data[plat::ToUtf8(v.name)] = {v.type, v.data};
    namespace fs = std::filesystem;
    const std::string drive = plat::MapPath(u"C:\\");
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(drive, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      std::string rel = fs::relative(it->path(), drive).string();
      if (rel.find("Temp/") != std::string::npos || (rel.size() > 4 && rel.substr(rel.size() - 4) == ".LOG")) continue;
      std::string bytes;
      if (it->file_size() < (1u << 20) && ReadHost(it->path().string(), &bytes)) {
        for (char& c : rel)
          if (c == '/') c = '\\';
        s.files["C:\\" + rel] = bytes;
      }
    }
    return s;
  }
};

std::string DataText(DWORD type, const std::vector<uint8_t>& data) {
  if (type == REG_SZ) {
    std::u16string s(data.size() / 2, u'\0');
    if (!s.empty()) std::memcpy(s.data(), data.data(), s.size() * 2);
    size_t nul = s.find(u'\0');
    return "\"" + plat::ToUtf8(nul == std::u16string::npos ? s : s.substr(0, nul)) + "\"";
  }
  if (data.size() == 4) {
    uint32_t v;
    std::memcpy(&v, data.data(), 4);
    return std::to_string(v);
  }
  return std::to_string(data.size()) + " bytes";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

bool IsText(const std::string& path) {
  std::string lower = path;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower.size() > 4 && lower.substr(lower.size() - 4) == ".ini";
}

// Prints what differs between two snapshots; ini files line by line.
void PrintChanges(const Snapshot& before, const Snapshot& after) {
  int n = 0;
  for (const auto& [name, value] : after.data) {
    auto old = before.data.find(name);
    if (old == before.data.end())
      std::printf("  printer data %s added: %s\n", name.c_str(), DataText(value.first, value.second).c_str()), ++n;
    else if (old->second != value)
      std::printf("  printer data %s changed: %s -> %s\n", name.c_str(),
                  DataText(old->second.first, old->second.second).c_str(),
                  DataText(value.first, value.second).c_str()),
          ++n;
  }
  for (const auto& [name, value] : before.data)
    if (!after.data.count(name))
      std::printf("  printer data %s removed (was %s)\n", name.c_str(), DataText(value.first, value.second).c_str()),
          ++n;
  std::set<std::string> paths;
  for (const auto& f : before.files) paths.insert(f.first);
  for (const auto& f : after.files) paths.insert(f.first);
  for (const std::string& path : paths) {
    auto b = before.files.find(path), a = after.files.find(path);
    if (b != before.files.end() && a != after.files.end() && b->second == a->second) continue;
    ++n;
    const char* how = b == before.files.end() ? "added" : a == after.files.end() ? "removed" : "changed";
    std::printf("  file %s %s\n", path.c_str(), how);
    if (!IsText(path)) continue;
    std::vector<std::string> old_lines = b == before.files.end() ? std::vector<std::string>() : Lines(b->second);
    std::vector<std::string> new_lines = a == after.files.end() ? std::vector<std::string>() : Lines(a->second);
    std::multiset<std::string> olds(old_lines.begin(), old_lines.end()), news(new_lines.begin(), new_lines.end());
    for (const std::string& l : old_lines)
      if (!news.count(l)) std::printf("    - %s\n", l.c_str());
    for (const std::string& l : new_lines)
      if (!olds.count(l)) std::printf("    + %s\n", l.c_str());
  }
  if (n == 0) std::printf("  nothing changed\n");
}

// The printer-interface library of a printer's driver, loaded as the
// spooler loads it.
class Driver {
 public:
  explicit Driver(const std::u16string& printer) {
    plat::SpoolPrinter p;
    plat::SpoolDriver d;
    if (!plat::SpoolFindPrinter(printer, &p)) {
      why_ = "no printer " + plat::ToUtf8(printer);
      return;
    }
    if (!plat::SpoolFindDriver(p.driverName, &d) || d.configFile.empty()) {
      why_ = "the printer's driver is not installed";
      return;
    }
    module_ = LoadLibraryW(d.configFile.c_str());
    if (!module_) why_ = "cannot load " + plat::ToUtf8(d.configFile);
  }
  ~Driver() {
    if (module_) FreeLibrary(module_);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  bool ok() const { return module_ != nullptr; }
  const std::string& why() const { return why_; }
  template <typename Fn>
  Fn Export(const char* name) {
    Fn fn = module_ ? reinterpret_cast<Fn>(GetProcAddress(module_, name)) : nullptr;
    if (!fn) why_ = std::string("the driver has no export ") + name;
    return fn;
  }

 private:
  HMODULE module_ = nullptr;
  std::string why_;
};

void Answer(const char* call, BOOL answer) {
  DWORD error = GetLastError();
  std::printf("%s answered %s", call, answer ? "TRUE" : "FALSE");
  if (!answer && error) std::printf(" (error %lu)", static_cast<unsigned long>(error));
  std::printf("\n");
}

uint32_t PrivateVersion(const std::vector<uint8_t>& dm) {
  uint32_t v = 0;
  if (dm.size() >= kPrivateVersionAt + 4) std::memcpy(&v, dm.data() + kPrivateVersionAt, 4);
  return v;
}

std::string Hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%X", v);
  return b;
}

// DrvConvertDevMode as the spooler calls it. The driver default: the size
// first, then the DEVMODE into a buffer of that size. A conversion: into a
// buffer laid out as the input (its sizes say what the caller wants). The
// DEVMODE answered, or empty.
std::vector<uint8_t> Convert(ConvertFn convert, std::u16string name, std::vector<uint8_t> input, DWORD mode) {
  const char* call = mode == kDriverDefault ? "DrvConvertDevMode(CDM_DRIVER_DEFAULT)" : "DrvConvertDevMode(CDM_CONVERT)";
  LONG size = 0;
  std::vector<uint8_t> out = input;
  if (mode == kDriverDefault) {
    out.assign(1, 0);
    SetLastError(0);
    if (convert(name.data(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &size, mode) || size <= 0) {
      Answer(call, FALSE);
      return {};
    }
    out.assign(size_t(size), 0);
  }
  size = LONG(out.size());
  SetLastError(0);
  BOOL ok = convert(name.data(), input.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(input.data()),
                    reinterpret_cast<DEVMODEW*>(out.data()), &size, mode);
  Answer(call, ok);
  if (!ok || size <= 0 || size_t(size) > out.size()) return {};
  out.resize(size_t(size));
  return out;
}

int Event(const std::string& printer, INT code, const char* label) {
  std::u16string name = plat::FromUtf8(printer);
  Driver driver(name);
  if (!driver.ok()) return Fail(label, driver.why());
  auto event = driver.Export<EventFn>("DrvPrinterEvent");
  if (!event) return Fail(label, driver.why());
  Snapshot before = Snapshot::Take(name);
  SetLastError(0);
  BOOL answer = event(name.data(), code, 0, 0);
  std::string call = "DrvPrinterEvent(";
  for (const EventName& e : kEvents)
    if (e.code == code) call += e.name;
  Answer((call + ")").c_str(), answer);
  PrintChanges(before, Snapshot::Take(name));
  return answer ? 0 : 1;
}

int Delete(const std::string& printer) {
  std::u16string name = plat::FromUtf8(printer);
  Snapshot before = Snapshot::Take(name);
  {
    Driver driver(name);
    if (!driver.ok()) return Fail("delete", driver.why());
    auto event = driver.Export<EventFn>("DrvPrinterEvent");
    if (!event) return Fail("delete", driver.why());
    Answer("DrvPrinterEvent(delete)", event(name.data(), 4, 0, 0));
  }
  if (!plat::SpoolDeletePrinter(name)) return Fail("delete", "cannot remove the printer " + printer);
  std::printf("removed printer %s\n", printer.c_str());
  PrintChanges(before, Snapshot::Take(name));
  return 0;
}

int Upgrade(const velm_cli::Args& args) {
  std::string printer;
  long from = -1;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--from-version" && i + 1 < args.size()) {
      char* end = nullptr;
      from = std::strtol(args[++i].c_str(), &end, 0);
      if (!*args[i].c_str() || *end || from < 0 || from > 0xFFFF)
        return Fail("upgrade", "--from-version wants a driver version of 0 to 65535, not '" + args[i] + "'");
    } else if (printer.empty() && args[i].rfind("--", 0) != 0) {
      printer = args[i];
    } else {
      return Fail("upgrade", "unexpected argument " + args[i]);
    }
  }
  if (printer.empty()) {
    std::fprintf(stderr, "usage: velm printer upgrade NAME [--from-version V]\n");
    return 2;
  }
  std::u16string name = plat::FromUtf8(printer);
  plat::SpoolPrinter p;
  if (!plat::SpoolFindPrinter(name, &p)) return Fail("upgrade", "no printer " + printer);
  std::vector<uint8_t> stored = p.devmode;
  if (from >= 0) {
    // The stored DEVMODE as an earlier driver of that version left it.
    if (stored.size() < kPrivateVersionAt + 4) return Fail("upgrade", "the printer has no DEVMODE of this driver");
    uint32_t v = (PrivateVersion(stored) & 0xFFFF) | uint32_t(from) << 16;
    std::memcpy(stored.data() + kPrivateVersionAt, &v, 4);
    if (!plat::SpoolSetPrinterDevmode(name, stored)) return Fail("upgrade", "cannot write the stored DEVMODE");
  }
  Driver driver(name);
  if (!driver.ok()) return Fail("upgrade", driver.why());
  auto upgrade = driver.Export<UpgradeFn>("DrvUpgradePrinter");
  auto convert = driver.Export<ConvertFn>("DrvConvertDevMode");
  if (!upgrade || !convert) return Fail("upgrade", driver.why());
  Snapshot before = Snapshot::Take(name);
  DriverUpgradeInfo1 info{name.data(), nullptr};
  SetLastError(0);
  BOOL upgraded = upgrade(1, reinterpret_cast<BYTE*>(&info));
  Answer("DrvUpgradePrinter", upgraded);
  bool converted = true;
  if (!stored.empty()) {
    std::vector<uint8_t> out = Convert(convert, name, stored, kConvert);
    converted = !out.empty();
    if (converted && out != stored) {
      if (!plat::SpoolSetPrinterDevmode(name, out)) return Fail("upgrade", "cannot store the converted DEVMODE");
      std::printf("stored DEVMODE rewritten: private version %s -> %s\n", Hex(PrivateVersion(stored)).c_str(),
                  Hex(PrivateVersion(out)).c_str());
    } else if (converted) {
      std::printf("stored DEVMODE unchanged (private version %s)\n", Hex(PrivateVersion(stored)).c_str());
    }
  }
  PrintChanges(before, Snapshot::Take(name));
  return upgraded && converted ? 0 : 1;
}

int CanPrint(const velm_cli::Args& args) {
  std::string printer, file;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--devmode" && i + 1 < args.size()) file = args[++i];
    else if (printer.empty() && args[i].rfind("--", 0) != 0) printer = args[i];
    else return Fail("can-print", "unexpected argument " + args[i]);
  }
  if (printer.empty()) {
    std::fprintf(stderr, "usage: velm printer can-print NAME [--devmode FILE]\n");
    return 2;
  }
  std::vector<uint8_t> dm;
  if (!file.empty()) {
    std::string bytes;
    if (!ReadHost(file, &bytes)) return Fail("can-print", "cannot read the DEVMODE file " + file);
    dm.assign(bytes.begin(), bytes.end());
    std::string why = velm_cli::CheckDevmode(dm);
    if (!why.empty()) return Fail("can-print", file + ": " + why);
  }
  std::u16string name = plat::FromUtf8(printer);
  Driver driver(name);
  if (!driver.ok()) return Fail("can-print", driver.why());
  auto query = driver.Export<QueryFn>("DevQueryPrintEx");
  if (!query) return Fail("can-print", driver.why());
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr)) return Fail("can-print", "cannot open the printer " + printer);
  DEVQUERYPRINT_INFO info{sizeof(DEVQUERYPRINT_INFO), 1, h, dm.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(dm.data()), nullptr, 0, 0};
  BOOL answer = query(&info);
  ClosePrinter(h);
  Answer("DevQueryPrintEx", answer);
  std::printf("%s\n", answer ? "the job may print" : "the job may not print on this printer");
  return answer ? 0 : 1;
}

}  // namespace

namespace velm_cli {

bool PrinterSetUp(const std::string& printer) {
  std::u16string name = plat::FromUtf8(printer);
  Driver driver(name);
  auto event = driver.ok() ? driver.Export<EventFn>("DrvPrinterEvent") : nullptr;
  auto convert = driver.ok() ? driver.Export<ConvertFn>("DrvConvertDevMode") : nullptr;
  if (!event || !convert) {
    Fail("add", driver.why());
    return false;
  }
  Snapshot before = Snapshot::Take(name);
  SetLastError(0);
  BOOL initialized = event(name.data(), 3, 0, 0);
  Answer("DrvPrinterEvent(initialize)", initialized);
  std::vector<uint8_t> dm = Convert(convert, name, {}, kDriverDefault);
  if (!dm.empty()) {
    if (!plat::SpoolSetPrinterDevmode(name, dm)) {
      Fail("add", "cannot store the printer's DEVMODE");
      return false;
    }
    std::printf("stored the driver's DEVMODE (%zu bytes, private version %s)\n", dm.size(),
                Hex(PrivateVersion(dm)).c_str());
  }
  PrintChanges(before, Snapshot::Take(name));
  return initialized && !dm.empty();
}

int PrinterSpoolerCall(const Args& args) {
  const std::string sub = args[0];
  if (sub == "upgrade") return Upgrade(args);
  if (sub == "can-print") return CanPrint(args);
  if (sub == "delete" && args.size() == 2) return Delete(args[1]);
  if (sub == "connect" && args.size() == 2) return Event(args[1], 1, "connect");
  if (sub == "disconnect" && args.size() == 2) return Event(args[1], 2, "disconnect");
  if (sub == "event" && args.size() == 3) {
    for (const EventName& e : kEvents)
      if (args[2] == e.name) return Event(args[1], e.code, "event");
    return Fail("event", "unknown event '" + args[2] +
                             "' (initialize, add-connection, delete-connection, delete, cache-refresh)");
  }
  std::fprintf(stderr,
               "usage: velm printer delete NAME\n"
               "       velm printer connect NAME | disconnect NAME\n"
               "       velm printer upgrade NAME [--from-version V]\n"
               "       velm printer event NAME initialize|add-connection|delete-connection|delete|cache-refresh\n"
               "       velm printer can-print NAME [--devmode FILE]\n");
  return 2;
}

bool IsPrinterSpoolerCall(const std::string& sub) {
  for (const char* s : {"delete", "connect", "disconnect", "upgrade", "event", "can-print"})
    if (sub == s) return true;
  return false;
}

}  // namespace velm_cli
