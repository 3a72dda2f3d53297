// velm printer add/list/show/data/set: printers of the emulated machine.
//   printer add NAME --model FILE [--driver-name N] [--bidi] [--package DIR]
//     installs the driver's files, creates the printer and sets it up as the
//     spooler does (the driver's INITIALIZE event, then its default DEVMODE,
//     which the printer keeps)
//   printer query NAME [--quick]
//   printer list
//   printer show NAME
//     the printer's identity, paths and set-up, and the DEVMODE a program
//     gets for it (the user's default after printing preferences were
//     confirmed, else the printer's own)
//   printer data NAME [VALUE [--set TYPE:DATA]]
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/osinfo.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/library.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr const char* kDefaultDriverName = "VELM Driver";
constexpr const char16_t* kHelpFileName = u"VELMus.hlp";
// The UI resource modules the build makes beside this program, by the
// language id (setting vdmLanguageID) whose code their names carry.
struct UiModule {
  const char* built;
  uint32_t language;
};
constexpr UiModule kUiModules[] = {{"VELMUIus.dll", 1}, {"VELMUIjp.dll", 0}};
constexpr uint32_t kEnglish = 1;  // language id of the code "us"
// The bitmap resource module the build makes beside this program.
constexpr const char* kBitmapModuleBuilt = "VELMCIXX.dll";

// The driver's files as the build leaves them beside this program, and
// their names in the driver directory.
struct DriverFile {
  const char* built;
  const char16_t* installed;
  bool required;
};
constexpr DriverFile kDriverFiles[] = {
    {"VELMPD0.so", u"VELMPD0.DLL", true},
    {"VELMPD3.so", u"VELMPD3.DLL", true},
    {"VELMPD4.so", u"VELMPD4.DLL", false},
    {"orvtse.dll", u"orvtse.dll", false},
    {"velmout1.so", u"VELMOUT1.DLL", false},  // the spool-side output module
};

int Fail(const char* what, const std::string& why) {
  std::fprintf(stderr, "velm printer %s: %s\n", what, why.c_str());
  return 1;
}

bool MachineReady(const char* what) {
  struct stat st{};
  if (::stat((plat::MachineRoot() + "/machine.conf").c_str(), &st) == 0) return true;
  Fail(what, velm_cli::NoMachineMessage(plat::MachineRoot()));
  return false;
}

bool ReadHost(const std::string& path, std::string* out) { return velm_cli::ReadHostBytes(path, out); }

// Installs a file of the driver directory: skipped when the installed file
// holds the same bytes, else written beside it and renamed over it, so that
// a process that has it open or opens it meanwhile sees the old file or the
// new one whole, never a truncated one.
bool Install(const std::u16string& path, const std::string& bytes, std::string* why) {
  std::string installed;
  if (ReadHost(plat::MapPath(path), &installed) && installed == bytes) return true;
  DWORD error = 0;
  if (plat::ReplaceFileContent(path.c_str(), bytes.data(), bytes.size(), &error)) return true;
  *why = "error " + std::to_string(error);
  return false;
}

std::string ProgramDir() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string exe(buf, size_t(n));
  size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Installs the UI resource modules the build made under the names by which
// the driver finds the module of each language: the model's UI resource
// module name with the language's code before its extension. A model that
// names no UI resource module needs none.
bool InstallUiModules(HANDLE printer, const std::string& from, std::string* why) {
  std::vector<std::string> modules;
  for (const UiModule& m : kUiModules) {
    std::string bytes;
    if (!ReadHost(from + "/" + m.built, &bytes)) {
      *why = "the UI resource module is missing: " + from + "/" + m.built;
      return false;
    }
    modules.push_back(std::move(bytes));
  }
  DriverContext* ctx = CtxOpenKind(printer, printer, 0, kOpenEntryPoint);
  if (!ctx) {
    *why = "cannot open a context (model missing or not compiled)";
    return false;
  }
  std::vector<std::u16string> paths;
  for (const UiModule& m : kUiModules) {
    OptSetValueById(ctx, setting::vdmLanguageID, m.language);
    paths.push_back(PathGetUiResourceDll(ctx));
  }
  CtxCloseAs(ctx, kCloseDestroy);
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::u16string& path = paths[i];
    if (path.empty() || path.back() == u'\\') return true;
    // A name without a language code is the same for every language: the
    // first (English) module holds it.
    if (i > 0 && path == paths[0]) continue;
    if (!Install(path, modules[i], why)) {
      *why = "cannot copy " + plat::ToUtf8(path) + " (" + *why + ")";
      return false;
    }
  }
  return true;
}

// Installs the bitmap resource module the build made under the name by
// which the driver finds it (the model's UI resource module name with the
// bitmap module's letters). A model that names no UI resource module, or
// one whose name has no room for those letters, gets none.
bool InstallBitmapModule(HANDLE printer, const std::string& from, std::string* why) {
  std::string bytes;
  if (!ReadHost(from + "/" + kBitmapModuleBuilt, &bytes)) {
    *why = "the bitmap resource module is missing: " + from + "/" + kBitmapModuleBuilt;
    return false;
  }
  DriverContext* ctx = CtxOpenKind(printer, printer, 0, kOpenEntryPoint);
  if (!ctx) {
    *why = "cannot open a context (model missing or not compiled)";
    return false;
  }
  OptSetValueById(ctx, setting::vdmLanguageID, kEnglish);
  const std::u16string ui_path = PathGetUiResourceDll(ctx);  // copied: the paths share one buffer
  std::u16string path = PathGetBitmapResourceDll(ctx);
  CtxCloseAs(ctx, kCloseDestroy);
  // A UI module name too short for the bitmap module's letters names the
  // UI module itself: that file stays the UI module.
  if (path.empty() || path.back() == u'\\' || path == ui_path) return true;
  if (!Install(path, bytes, why)) {
    *why = "cannot copy " + plat::ToUtf8(path) + " (" + *why + ")";
    return false;
  }
  return true;
}

// The files of a driver package (its install-info file, default settings
// bundle and the files they list) into the driver directory.
bool InstallPackage(const std::string& dir, const std::u16string& prefix, std::string* why) {
  DIR* folder = ::opendir(dir.c_str());
  if (!folder) {
    *why = "cannot read the package folder " + dir;
    return false;
  }
  bool ok = true;
  while (dirent* entry = ::readdir(folder)) {
    const std::string file = dir + "/" + entry->d_name;
    struct stat st{};
    std::string bytes;
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!ReadHost(file, &bytes) || !Install(prefix + plat::FromUtf8(entry->d_name), bytes, why)) {
      *why = "cannot copy " + file + " from the package (" + *why + ")";
      ok = false;
      break;
    }
  }
  ::closedir(folder);
  return ok;
}

// The install-info file names the model key of each driver; a driver the
// package does not name is its own model.
bool NameModel(const std::u16string& prefix, const std::u16string& driver) {
  const std::u16string info = prefix + u"velmsetup.ini";
  char16_t value[64] = {};
  GetPrivateProfileStringW(u"Models", driver.c_str(), u"", value, 64, info.c_str());
  return value[0] || WritePrivateProfileStringW(u"Models", driver.c_str(), driver.c_str(), info.c_str());
}

int Add(const velm_cli::Args& args) {
  std::string name, model, package, driver = kDefaultDriverName;
  bool bidi = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--model" && i + 1 < args.size()) model = args[++i];
    else if (args[i] == "--bidi") bidi = true;
    else if (args[i] == "--driver-name" && i + 1 < args.size()) driver = args[++i];
    else if (args[i] == "--package" && i + 1 < args.size()) package = args[++i];
    else if (name.empty() && args[i].rfind("--", 0) != 0) name = args[i];
    else return Fail("add", "unexpected argument " + args[i]);
  }
  if (name.empty() || model.empty()) {
    std::fprintf(stderr, "usage: velm printer add NAME --model FILE [--driver-name N] [--bidi] [--package DIR]\n");
    return 2;
  }
  if (!MachineReady("add")) return 1;
  std::u16string wname = plat::FromUtf8(name);
  plat::SpoolPrinter existing;
  if (plat::SpoolFindPrinter(wname, &existing)) return Fail("add", "printer " + name + " exists");
  std::string model_bytes;
  if (!ReadHost(model, &model_bytes)) return Fail("add", "cannot read the model file " + model);

  std::u16string dir = plat::SpoolDriverDirectory();
  if (dir.empty() || !plat::EnsureWindowsDir(dir.c_str())) return Fail("add", "no driver directory");
  std::u16string prefix = dir + u"\\";
  std::u16string model_name = plat::FromUtf8(BaseName(model));
  // A driver has one model file: a printer of another model under the same
  // driver would silently print with the driver's model. Refused before
  // anything is copied.
  plat::SpoolDriver same;
  const bool have_driver = plat::SpoolFindDriver(plat::FromUtf8(driver), &same);
  if (have_driver && plat::FoldPath(same.dataFile.c_str()) != plat::FoldPath((prefix + model_name).c_str()))
    return Fail("add", "the driver " + driver + " is installed with the model file " + plat::ToUtf8(same.dataFile) +
                           ", not " + BaseName(model) + "; give this printer a driver of its own with --driver-name NAME");
  std::string from = ProgramDir();
  std::vector<std::u16string> dependent;
  std::string why;
  for (const DriverFile& f : kDriverFiles) {
    std::string bytes;
    if (!ReadHost(from + "/" + f.built, &bytes)) {
      if (f.required) return Fail("add", std::string("driver file missing: ") + from + "/" + f.built);
      continue;
    }
    if (!Install(prefix + f.installed, bytes, &why))
      return Fail("add", "cannot copy " + plat::ToUtf8(f.installed) + " (" + why + ")");
    if (!f.required) dependent.push_back(f.installed);
  }
  if (!Install(prefix + model_name, model_bytes, &why)) return Fail("add", "cannot copy the model file (" + why + ")");
  if (!package.empty() && !InstallPackage(package, prefix, &why)) return Fail("add", why);
  if (!NameModel(prefix, plat::FromUtf8(driver))) return Fail("add", "cannot write the install-info file");

  plat::SpoolDriver d;
  d.name = plat::FromUtf8(driver);
  d.driverPath = prefix + u"VELMPD0.DLL";
  d.configFile = prefix + u"VELMPD3.DLL";
  d.dataFile = prefix + model_name;
  d.helpFile = prefix + kHelpFileName;
  d.dependentFiles = dependent;
  if (!have_driver && !plat::SpoolAddDriver(d)) return Fail("add", "cannot add the driver");
  plat::SpoolPrinter p;
  p.name = wname;
  p.driverName = d.name;
  p.portName = u"LPT1:";
  if (bidi) p.attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
  if (!plat::SpoolAddPrinter(p, &why)) return Fail("add", why);
  std::printf("added printer %s (driver %s)\n", name.c_str(), driver.c_str());
  // The device the stand-in bidirectional library answers for it: what
  // the model installs.
  HANDLE h = nullptr;
  if (!OpenPrinterW(wname.data(), &h, nullptr)) return Fail("add", "cannot open the new printer");
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  std::string ui_why;
  bool ui_module = InstallUiModules(h, from, &ui_why);
  std::string bitmap_why;
  bool bitmap_module = InstallBitmapModule(h, from, &bitmap_why);
  bool described = velm_cli::DeviceCreateFromModel(h, name, &why);
  CommonProcessDetach();
  ClosePrinter(h);
  // The printer is there either way; without its UI resource module the
  // pages show no texts.
  if (!ui_module) std::fprintf(stderr, "velm printer add: warning: %s\n", ui_why.c_str());
  // Without its bitmap resource module the pages show no pictures.
  if (!bitmap_module) std::fprintf(stderr, "velm printer add: warning: %s\n", bitmap_why.c_str());
  // The printer is there either way; without a description its device
  // query fails until "velm device set" gives one.
  if (!described) std::fprintf(stderr, "velm printer add: warning: no device description for %s: %s\n", name.c_str(),
                               why.c_str());
  return velm_cli::PrinterSetUp(name) ? 0 : Fail("add", "the driver did not set up the printer " + name);
}

int List() {
  if (!MachineReady("list")) return 1;
  for (const plat::SpoolPrinter& p : plat::SpoolListPrinters())
    std::printf("%s\t%s\n", plat::ToUtf8(p.name).c_str(), plat::ToUtf8(p.driverName).c_str());
  return 0;
}

struct Printer {
  HANDLE h = nullptr;
  ~Printer() {
    if (h) ClosePrinter(h);
  }
};

bool Open(const char* what, const std::string& name, Printer* p) {
  if (!MachineReady(what)) return false;
  std::u16string wname = plat::FromUtf8(name);
  if (!OpenPrinterW(wname.data(), &p->h, nullptr)) {
    Fail(what, "no printer " + name);
    return false;
  }
  return true;
}

void Line(const char* label, const std::string& value) { std::printf("%-24s %s\n", label, value.c_str()); }
void Line(const char* label, const char16_t* value) { Line(label, plat::ToUtf8(value)); }
void Line(const char* label, long value) { Line(label, std::to_string(value)); }

// The DEVMODE a program gets for the printer (PRINTER_INFO_2): the user's
// default when printing preferences were confirmed, else the printer's own.
void ShowDevmode(HANDLE printer, const std::string& name) {
  plat::SpoolPrinter record;
  const bool per_user = plat::SpoolFindPrinter(plat::FromUtf8(name), &record) && !record.userDevmode.empty();
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  if (!needed || !GetPrinterW(printer, 2, buffer.data(), needed, &needed) || !info->pDevMode) {
    Line("DEVMODE", "(none)");
    return;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(info->pDevMode);
  const uint8_t* end = buffer.data() + buffer.size();
  std::vector<uint8_t> devmode(bytes, end);
  Line("DEVMODE", per_user ? "the user's default (printing preferences)" : "the printer's default");
  std::string why = velm_cli::CheckDevmode(devmode);
  if (!why.empty()) {
    std::printf("  %s\n", why.c_str());
    return;
  }
  velm_cli::PrintDevmode(devmode.data());
}

int Show(const std::string& name) {
  Printer p;
  if (!Open("show", name, &p)) return 1;
  DriverContext* ctx = CtxOpenKind(p.h, p.h, 4, kOpenEntryPoint);
  if (!ctx) return Fail("show", "cannot open a context");
  Line("printer name", SplGetPrinterName(ctx));
  Line("driver name", SplGetDriverName(ctx));
  Line("remote", long(SplIsRemotePrinter(ctx)));
  Line("bidi", long(SplIsBidiEnabled(ctx)));
  Line("language code", ResGetHelpLanguageCode(ctx));
  Line("driver ini", PathGetDriverIni(ctx));
  Line("driver directory", PathGetDriverDir(ctx));
  Line("install info file", PathGetInstallInfoFile(ctx));
  Line("install ini", PathGetInstallIni(ctx));
  Line("help file", PathGetHelpFile(ctx));
  Line("UI resource DLL", PathGetUiResourceDll(ctx));
  Line("bitmap resource DLL", PathGetBitmapResourceDll(ctx));
  char16_t dir[260];
  PathGetDataDir(dir, 260, ctx);
  Line("data directory", dir);
  PathGetCommonDataDir(dir, 260);
  Line("common data directory", dir);
  PathGetUserDataDirNoCtx(dir, 260);
  Line("per-user data directory", dir);
  if (!PathGetLocalAppDataLow(dir, 260)) dir[0] = 0;
  Line("LocalLow folder", dir);
  OSVERSIONINFOW v;
  if (OsGetVersion(&v))
    Line("system", std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) + " platform " +
                       std::to_string(v.dwPlatformId));
  Line("terminal server", long(OsIsTerminalServerCached(p.h)));
  Line("administrator", long(OsIsAdministrator()));
  // What the driver's set-up (its INITIALIZE event) leaves behind.
  char16_t stored[261] = {};
  const bool set_up = SplReadPrinterString(p.h, u"PrinterName", stored, 261) && stored[0];
  Line("set up by the driver", set_up ? "yes (printer data PrinterName " + plat::ToUtf8(stored) + ")" : "no");
  char16_t version[32] = {};
  const char16_t* ini = PathGetDriverIni(ctx);
  if (ini && ini[0]) IniGetString(SplGetPrinterName(ctx), u"DrvInstVersion", u"", version, 32, ini);
  Line("driver install version", version[0] ? plat::ToUtf8(version) : "(none)");
  CtxCloseAs(ctx, kCloseDestroy);
  ShowDevmode(p.h, name);
  return 0;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_BINARY: return "REG_BINARY";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    default: return nullptr;
  }
}

std::string Hex(const std::vector<uint8_t>& data) {
  std::string out;
  char b[3];
  for (uint8_t c : data) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

// "TYPE<TAB>DATA" as a person reads it.
std::string Describe(DWORD type, const std::vector<uint8_t>& data) {
  const char* name = TypeName(type);
  std::string t = name ? name : "type " + std::to_string(type);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::u16string s(data.size() / 2, u'\0');
    if (!s.empty()) std::memcpy(s.data(), data.data(), s.size() * 2);
    size_t nul = s.find(u'\0');
    return t + "\t" + plat::ToUtf8(nul == std::u16string::npos ? s : s.substr(0, nul));
  }
  if (type == REG_DWORD && data.size() == 4) {
    uint32_t v = 0;
    std::memcpy(&v, data.data(), 4);
    return t + "\t" + std::to_string(v);
  }
  return t + "\t" + Hex(data);
}

// Parses TYPE:DATA; false with a message for anything malformed.
bool ParseValue(const std::string& value_text, DWORD* type, std::vector<uint8_t>* data, std::string* why) {
  size_t colon = value_text.find(':');
  if (colon == std::string::npos) {
    *why = "expected TYPE:DATA";
    return false;
  }
  std::string t = value_text.substr(0, colon), text = value_text.substr(colon + 1);
  data->clear();
  if (t == "REG_SZ") {
    std::u16string w = plat::FromUtf8(text);
    data->resize((w.size() + 1) * 2, 0);
    std::memcpy(data->data(), w.data(), w.size() * 2);
    *type = REG_SZ;
    return true;
  }
  if (t == "REG_DWORD") {
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < -2147483648LL || v > 4294967295LL) {
      *why = "REG_DWORD wants a decimal number of 32 bits, not '" + text + "'";
      return false;
    }
    uint32_t d = uint32_t(v);
    data->resize(4);
    std::memcpy(data->data(), &d, 4);
    *type = REG_DWORD;
    return true;
  }
  if (t == "REG_BINARY") {
    std::string digits;
    for (char c : text)
      if (c != ' ') digits.push_back(c);
    if (digits.size() % 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      *why = "REG_BINARY wants hex bytes, not '" + text + "'";
      return false;
    }
    for (size_t i = 0; i < digits.size(); i += 2) data->push_back(uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
    *type = REG_BINARY;
    return true;
  }
  *why = "TYPE is REG_SZ, REG_DWORD or REG_BINARY, not '" + t + "'";
  return false;
}

int Data(const velm_cli::Args& args) {
  if (args.size() < 2 || args.size() == 4 || args.size() > 5 || (args.size() == 5 && args[3] != "--set")) {
    std::fprintf(stderr, "usage: velm printer data NAME [VALUE [--set TYPE:DATA]]\n");
    return 2;
  }
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (args.size() == 5) {
    std::string why;
    if (!ParseValue(args[4], &type, &data, &why)) {
      std::fprintf(stderr, "velm printer data: %s\n", why.c_str());
      return 2;
    }
  }
  Printer p;
  if (!Open("data", args[1], &p)) return 1;
  if (args.size() == 2) {
    for (const plat::SpoolDataValue& v : plat::SpoolListPrinterData(plat::FromUtf8(args[1])))
      std::printf("%s\t%s\n", plat::ToUtf8(v.name).c_str(), Describe(v.type, v.data).c_str());
    return 0;
  }
  std::u16string value = plat::FromUtf8(args[2]);
  if (args.size() == 5) {
    DWORD r = SetPrinterDataW(p.h, value.data(), type, data.data(), DWORD(data.size()));
    if (r != ERROR_SUCCESS) return Fail("data", "cannot write " + args[2] + " (error " + std::to_string(r) + ")");
    return 0;
  }
  DWORD needed = 0;
  DWORD r = GetPrinterDataW(p.h, value.data(), &type, nullptr, 0, &needed);
  if (r == ERROR_FILE_NOT_FOUND) return Fail("data", "no value " + args[2]);
  data.resize(needed);
  r = GetPrinterDataW(p.h, value.data(), &type, data.data(), needed, &needed);
  if (r != ERROR_SUCCESS) return Fail("data", "cannot read " + args[2] + " (error " + std::to_string(r) + ")");
  std::printf("%s\n", Describe(type, data).c_str());
  return 0;
}

int RunPrinter(const velm_cli::Args& args) {
  std::string sub = args.empty() ? "" : args[0];
  if (sub == "set") return velm_cli::PrinterSet(args);
  if (sub == "add") return Add(args);
  if (sub == "list" && args.size() == 1) return List();
  if (sub == "show" && args.size() == 2) return Show(args[1]);
  if (sub == "data") return Data(args);
  if (sub == "query") return velm_cli::PrinterQuery(args);
  if (velm_cli::IsPrinterSpoolerCall(sub)) return MachineReady(sub.c_str()) ? velm_cli::PrinterSpoolerCall(args) : 1;
  std::fprintf(stderr,
               "usage: velm printer add NAME --model FILE [--driver-name N]\n"
               "       velm printer list\n"
               "       velm printer show NAME\n"
               "       velm printer data NAME [VALUE [--set TYPE:DATA]]\n"
               "       velm printer set NAME SETTING=VALUE ...\n"
               "       velm printer delete|connect|disconnect NAME\n"
               "       velm printer upgrade NAME [--from-version V]\n"
               "       velm printer event NAME initialize|add-connection|delete-connection|delete|cache-refresh\n"
               "       velm printer can-print NAME [--devmode FILE]\n");
  return 2;
}

}  // namespace

VELM_COMMAND("printer",
             "printer add|list|show|data|set|query|delete|connect|disconnect|upgrade|event|can-print   printers of the "
             "machine (add NAME --model FILE [--driver-name N] [--bidi], show NAME, data NAME [VALUE [--set TYPE:DATA]], "
             "set NAME SETTING=VALUE ..., query NAME [--quick], delete|connect|disconnect NAME, upgrade NAME "
             "[--from-version V], event NAME EVENT, can-print NAME [--devmode FILE])",
             RunPrinter);
