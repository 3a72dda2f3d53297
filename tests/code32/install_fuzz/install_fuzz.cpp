// Feeds arbitrary install-info, VELM.ini, default settings and list texts
// to the installation steps of a printer (install files, batch settings,
// default presets and quality sets, folder keys, model registration, the
// preset check, the bundle export and delete). No step may write a file
// outside the machine's Windows folder (system and driver folders with it)
// and the driver's data folders, whatever the texts name.
//
// Input: up to five texts separated by the bytes FF FE: the install-info
// file, VELM.ini, the default settings file, a preset file and a bundle
// list file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "standin_machine.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/library.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/settings.h"

namespace {

namespace fs = std::filesystem;

constexpr const char16_t* kDriverDir = test_support::kFuzzDriverDir;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
  }
}

std::string g_root;
HANDLE g_printer = nullptr;
std::set<std::string> g_known;

// Every file below the host folder of drive C:.
std::set<std::string> Files() {
  std::set<std::string> out;
  std::error_code ec;
  const std::string drive = plat::MapPath(u"C:\\");
  for (auto it = fs::recursive_directory_iterator(drive, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file(ec)) out.insert(it->path().string());
  return out;
}

bool Under(const std::string& path, const std::string& dir) {
  return !dir.empty() && path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}

bool Setup() {
  std::string error;
  g_root = test_support::MakeFuzzMachine("velm-install-fuzz", &error);
  if (g_root.empty() || !test_support::AddVelmPrinter(u"Office", PRINTER_ATTRIBUTE_LOCAL, nullptr, &error)) {
    std::fprintf(stderr, "the machine cannot be made: %s\n", error.c_str());
    return false;
  }
  if (!plat::EnsureWindowsDir(kDriverDir) || !plat::EnsureWindowsDir(u"C:\\Users\\user")) {
    std::fprintf(stderr, "the driver and user folders cannot be made\n");
    return false;
  }
  // Programs named by the install-info file never start on this machine,
  // and a wait would only slow the run.
  plat::SetMachineSetting("install.programwait", "0");
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  std::u16string name = u"Office";
  if (!OpenPrinterW(name.data(), &g_printer, nullptr)) {
    std::fprintf(stderr, "the printer cannot be opened\n");
    return false;
  }
  g_known = Files();
  return true;
}

void PutText(const std::u16string& path, const std::string& text) {
  std::ofstream out(plat::MapPath(path), std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  Check(ready, "the machine could be set up");
  std::vector<std::string> texts(5);
  size_t part = 0;
  for (size_t i = 0; i < size; ++i) {
    if (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE && part + 1 < texts.size()) {
      ++part;
      ++i;
      continue;
    }
    texts[part] += char(data[i]);
  }
  RegWriteDrvValue(u"_VELMDirectory", u"", 2);
  PutText(std::u16string(kDriverDir) + u"velmsetup.ini", texts[0]);
  PutText(u"C:\\Windows\\System32\\VELM.ini", texts[1]);
  PutText(std::u16string(kDriverDir) + u"defaults.qsb", texts[2]);
  PutText(std::u16string(kDriverDir) + u"p.qsd", texts[3]);
  PutText(u"C:\\Users\\user\\f.lst", texts[4]);

  DriverContext* ctx = CtxOpenKind(g_printer, g_printer, 4, kOpenEntryPoint | kOpenFirstRun);
  Check(ctx != nullptr, "a context opens");
  ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
  InstApplyVelmDirectoryFromInfo(g_printer, u"Office", ctx);
  InstApplyVelmDirectoryFromBatchIni(g_printer, u"Office");
  InstRunExpandFilePrograms(ctx);
  InstApplyBatchDefaults(g_printer, g_printer, 0, ctx);
  InstInstallFiles(ctx, 0);
  if (!(InstApplyBatchIni(ctx) && InstApplyBatchDefaultQst(0, ctx, 0))) InstInstallDefaultQst(0, 0, ctx);
  InstRegisterModel(ctx);
  InstCheckPresets(ctx, 0);
  char16_t bundle[261] = {};
  if (PresetMakeBundlePath(u"C:\\Users\\user\\f.qst", bundle, ctx)) PresetExportScenario(u"C:\\Users\\user\\f.qst", bundle, ctx);
  PresetDeleteScenario(u"C:\\Users\\user\\f.qst");
  char16_t data_dir[261] = {};
  PathGetCommonDataDir(data_dir, 261);
  CtxCloseAs(ctx, kCloseDestroy);

  const std::string windows = plat::MapPath(u"C:\\Windows");
  const std::string common = plat::MapPath(data_dir);
  const std::string velm = plat::MapPath(u"C:\\_velm");
  const std::string user = plat::MapPath(u"C:\\Users\\user");
  const std::set<std::string> now = Files();
  for (const std::string& file : now) {
    if (g_known.count(file) || Under(file, windows) || Under(file, common) || Under(file, velm)) continue;
    // The main file and list file of the bundle are the fuzzer's own.
    if (Under(file, user) && fs::path(file).stem() == "f") continue;
    Check(false, "a file outside the machine's folders was written: " + file);
  }
  // What this input left was checked against its own folders.
  g_known = now;
  return 0;
}
