// libFuzzer target: any answers of a terminal-server client, served by the
// remote-configuration module's stand-in, taken by the client configuration
// of the printer "Office" (small model): the set-up's file and printer-data
// sync, the preset import of a sheet's open, and the client DEVMODE. Nothing
// may be written outside the printer's client folder and the data
// directory (the per-user folders and the job-information module's store
// aside, which the settings' own code writes), every connection must be closed, and a DEVMODE taken must be of
// this driver's size with its sizes restamped.
//
// Input: byte 0 picks the server type (17, 18, 19 or 20) and the malformed
// answers (bit 2 the client printer name unterminated, bit 3 the DEVMODE
// size, bit 4 the printer-data sizes); bytes 1-2 and 3-4 (little-endian) are
// the lengths of the client's driver ini text and of its velmclt.ini text;
// bytes 5-6 the length of the printer-data value; the rest is the client's
// DEVMODE.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "standin_machine.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/remote.h"

namespace {

constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void Put(const std::u16string& path, const uint8_t* data, size_t size) {
  std::ofstream(plat::MapPath(path), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

struct Fixture {
  std::string root;
  HANDLE printer = nullptr;
  std::u16string ini_name, value_name;
  std::string data_dir;  // host path of the common data directory
};

Fixture* Setup() {
  auto* f = new Fixture;
  std::string why;
  f->root = test_support::MakeOfficeMachine("velm-remote-fuzz", VELM_REMOTE_FUZZ_MODEL, &why);
  Check(!f->root.empty(), why.c_str());
  Check(plat::SetMachineSetting("os.terminal", "1"), "terminal server");
  auto install = [](const char* built, const std::u16string& as) {
    std::ifstream from(plat::StandinModuleDir() + "/" + built, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(from)), std::istreambuf_iterator<char>());
    Check(!bytes.empty(), built);
    std::ofstream(plat::MapPath(as), std::ios::binary) << bytes;
  };
  install("orvtse.dll", std::u16string(kDriverDir) + u"orvtse.dll");
  install("XMBIDISS.dll", u"C:\\Windows\\System32\\XMBIDISS.dll");
  uint32_t one = 1;
  Check(RegWriteValue(kRemoteRegistryKey, kRemoteRegistryFlag, &one, 4, REG_DWORD), "flag");
  Check(plat::SetMachineSetting("xmbidi.client.printer", "ClientPrn"), "client printer");
  Check(plat::EnsureWindowsDir(u"C:\\Client\\_velm") && plat::EnsureWindowsDir(u"C:\\Client\\PrinterData"),
        "client folder");
  CommonProcessAttach(nullptr);
  Check(PathCreateDataDir(), "data directory");
  std::u16string name = u"Office";
  Check(OpenPrinterW(name.data(), &f->printer, nullptr), "open");
  DriverContext* ctx = CtxOpenKind(f->printer, f->printer, 0, kOpenEntryPoint);
  Check(ctx != nullptr, "context");
  f->ini_name = PathGetFileNamePart(PathGetDriverIni(ctx));
  for (int i = 0; i < ctx->settings->count && f->value_name.empty(); ++i) {
    const SettingRecord& r = ctx->settings->rows[i];
    if ((r.descriptor >> 30) == 2 && r.storeKind == 1 && r.valueName) f->value_name = r.valueName;
  }
  CtxCloseAs(ctx, kCloseDestroy);
  char16_t dir[261] = {};
  Check(PathGetCommonDataDir(dir, 261) > 0, "data directory path");
  f->data_dir = plat::MapPath(dir);
  return f;
}

// Every file of the machine outside the data directory and the machine's
// own bookkeeping.
std::vector<std::string> FilesOutside(const Fixture& f) {
  std::vector<std::string> out;
  for (auto& e : std::filesystem::recursive_directory_iterator(f.root)) {
    if (!e.is_regular_file()) continue;
    std::string path = e.path().string();
    if (path.rfind(f.data_dir, 0) == 0) continue;
    out.push_back(path);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture* f = Setup();
  static const std::vector<std::string> before = FilesOutside(*f);
  if (size < 7) return 0;
  static const int kTypes[] = {17, 18, 19, 20};
  plat::SetMachineSetting("xmbidi.type", std::to_string(kTypes[data[0] & 3]));
  std::string malformed;
  if (data[0] & 4) malformed += "name,";
  if (data[0] & 8) malformed += "devmodesize,";
  if (data[0] & 16) malformed += "datasize,";
  plat::SetMachineSetting("xmbidi.malformed", malformed);
  size_t rest = size - 7;
  const uint8_t* p = data + 7;
  size_t parts[3] = {plat::Get16(data + 1), plat::Get16(data + 3), plat::Get16(data + 5)};
  const std::u16string files[3] = {u"C:\\Client\\_velm\\" + f->ini_name, u"C:\\Client\\_velm\\velmclt.ini",
                                   u"C:\\Client\\PrinterData\\" + f->value_name};
  for (int i = 0; i < 3; ++i) {
    size_t n = parts[i] < rest ? parts[i] : rest;
    Put(files[i], p, n);
    p += n;
    rest -= n;
  }
  Put(u"C:\\Client\\devmode.bin", p, rest);

  DriverContext* ctx = CtxOpenKind(f->printer, f->printer, 0, kOpenEntryPoint);
  Check(ctx != nullptr, "context");
  std::u16string connection = kRemoteConnectionValue;
  (void)DeletePrinterDataW(f->printer, connection.data());  // absent before the first sync
  RemoteSyncClientFiles(ctx);
  RemoteRefreshPresets(ctx);
  std::vector<uint8_t> dm(dm::kWorkBufferSize, 0);
  uint8_t type = 0;
  if (RemoteGetClientDevmode(ctx, reinterpret_cast<DEVMODEW*>(dm.data()), &type)) {
    Check(type == 18, "DEVMODE of a server type other than 18");
    Check(plat::Get16(dm.data() + 68) == DmGetPublicSize() && plat::Get16(dm.data() + 70) == DmGetDriverExtraSize(),
          "client DEVMODE sizes kept");
  }
  CtxCloseAs(ctx, kCloseDestroy);
  Check(plat::GetMachineCounter("xmbidi.connections") == 0, "connection left open");
  for (const std::string& file : FilesOutside(*f)) {
    bool known = false;
    for (const std::string& b : before) known = known || b == file;
    const bool bookkeeping = file.find("/.locks/") != std::string::npos || file.find("machine.conf") != std::string::npos ||
                             file.find("/.counters/") != std::string::npos || file.find("/.changes") != std::string::npos ||
                             file.find("/spool/") != std::string::npos || file.find("/Temp/") != std::string::npos ||
                             file.find("/Client/") != std::string::npos || file.find("/ORVJC32.") != std::string::npos ||
                             file.find("/Users/") != std::string::npos;
    if (!known && !bookkeeping) {
      std::fprintf(stderr, "written outside the client folder: %s\n", file.c_str());
      std::abort();
    }
  }
  return 0;
}
