// velm devmode defaults PRINTER [-o FILE]: opens a context for a printer of
// the machine as an entry point of the driver does, writes the 1260 bytes of
// its working DEVMODE to FILE when asked, and prints it.
// velm devmode show FILE: prints a DEVMODE file the same way: its public
// fields, and for a private part of this driver the private header, every
// private item that holds a value and the environment flags, each setting by
// its item name with the keyword of its option. A file that is no DEVMODE, or
// declares more bytes than it holds, is refused.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "setting_text.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kHeaderBytes = 72;  // through dmDriverExtra and dmFields

int Fail(const char* what, const std::string& why) {
  std::fprintf(stderr, "velm devmode %s: %s\n", what, why.c_str());
  return 1;
}

using plat::Get16;
using plat::Get32;

std::string Hex(uint32_t v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

std::string Chars(const uint8_t* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += (p[i] >= 0x20 && p[i] < 0x7F) ? char(p[i]) : '.';
  return s;
}

// Why the bytes are no DEVMODE this command can print; empty when they are.
std::string CheckDevmode(const std::vector<uint8_t>& b) {
  if (b.size() < kHeaderBytes)
    return "not a DEVMODE: " + std::to_string(b.size()) + " bytes, fewer than the 72 of its header";
  uint16_t size = Get16(b.data() + 68), extra = Get16(b.data() + 70);
  if (size < kHeaderBytes || size > dm::kPublicSize)
    return "not a DEVMODE: dmSize " + std::to_string(size) + " (a public part holds 72 to 220 bytes)";
  if (size_t(size) + extra > b.size())
    return "malformed DEVMODE: dmSize + dmDriverExtra declare " + std::to_string(size + extra) +
           " bytes, but the file holds " + std::to_string(b.size());
  return "";
}

void PrintRow(DriverContext* ctx, const SettingRecord* row) {
  std::printf("  %-5u %-28s %s\n", row->id, velm_cli::SettingName(row).c_str(),
              velm_cli::SettingValueText(ctx, row).c_str());
}

// Prints a checked DEVMODE: the public part as declared, and the private
// part read as this driver's layout when its signature and size are ours.
void PrintDevmode(const uint8_t* bytes) {
  const uint16_t size = Get16(bytes + 68), extra = Get16(bytes + 70);
  const bool ours = extra == dm::kDriverExtra && std::memcmp(bytes + size, "VELM", 4) == 0;
  // A context without a printer whose working DEVMODE is a copy in the
  // driver's layout (private part at byte 220), so that every setting reads
  // through the setting table.
  DriverContext* ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
  if (!ctx) return;
  ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
  if (!ctx->devmode) {
    CtxCloseAs(ctx, kCloseDestroy);
    return;
  }
  std::memcpy(ctx->devmode, bytes, size);
  if (ours) std::memcpy(ctx->devmode + dm::kPublicSize, bytes + size, dm::kDriverExtra);
  dm::StampRegionOffsets(ctx->devmode);

  std::printf("DEVMODE: %u bytes (dmSize %u, dmDriverExtra %u), dmSpecVersion %s, dmDriverVersion %s\n",
              unsigned(size) + extra, size, extra, Hex(DmGetSpecVersion(bytes, size_t(size) + extra), 4).c_str(),
              Hex(Get16(bytes + 66), 4).c_str());
  std::printf("public fields:\n");
  for (uint32_t id = 1; id <= 34; ++id) {
    const SettingRecord* row = OptFindSetting(ctx, id);
    if (row && row->offset + DescSize(row->descriptor) <= size) PrintRow(ctx, row);
  }
  if (!ours) {
    if (extra) std::printf("private part: %u bytes, not this driver's\n", extra);
    CtxCloseAs(ctx, kCloseDestroy);
    return;
  }
  const uint8_t* d = ctx->devmode;
  std::printf("private header:\n");
  std::printf("  signature %s, model tag %s, private size %u, version %s, region offsets %u %u %u, %s\n",
              Chars(d + dm::kSignature, 4).c_str(), Chars(d + dm::kModelTag, 4).c_str(), Get32(d + dm::kPrivateSize),
              Hex(Get32(d + dm::kPrivateVersion), 8).c_str(), Get16(bytes + size + 141), Get16(bytes + size + 143),
              Get16(bytes + size + 145), DmIsCompatible(d) ? "compatible" : "not compatible with this model");
  for (uint32_t id = 707; id <= 714; ++id)
    if (const SettingRecord* row = OptFindSetting(ctx, id)) PrintRow(ctx, row);
  std::printf("private items:\n");
  for (uint32_t id = 35; id <= 706; ++id) {
    const SettingRecord* row = OptFindSetting(ctx, id);
    if (row && OptGetValueAddr(ctx, row) && velm_cli::SettingIsSet(ctx, row)) PrintRow(ctx, row);
  }
  std::printf("environment flags:\n");
  for (uint32_t id = 715; id <= 730; ++id)
    if (const SettingRecord* row = OptFindSetting(ctx, id)) PrintRow(ctx, row);
  CtxCloseAs(ctx, kCloseDestroy);
}

bool ReadHost(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int Defaults(const std::string& printer, const std::string& out_file) {
  std::u16string name = plat::FromUtf8(printer);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr)) return Fail("defaults", "no printer " + printer + " on the machine in " + plat::MachineRoot());
  CommonProcessAttach(nullptr);
  int rc = 0;
  DriverContext* ctx = CtxOpenKind(h, h, 0, kOpenEntryPoint);
  if (!ctx) {
    rc = Fail("defaults", "cannot open a context for " + printer +
                              ": its model-description file is missing or cannot be compiled");
  } else {
    std::vector<uint8_t> bytes(ctx->devmode, ctx->devmode + dm::kTotalSize);
    if (!out_file.empty()) {
      std::ofstream out(out_file, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
      if (!out) rc = Fail("defaults", "cannot write " + out_file);
    }
    if (rc == 0) PrintDevmode(bytes.data());
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

int Show(const std::string& file) {
  std::vector<uint8_t> bytes;
  if (!ReadHost(file, &bytes)) return Fail("show", "cannot read " + file);
  std::string why = CheckDevmode(bytes);
  if (!why.empty()) return Fail("show", file + ": " + why);
  PrintDevmode(bytes.data());
  std::fflush(stdout);
  return 0;
}

int Run(const velm_cli::Args& args) {
  if (args.size() >= 2 && args[0] == "defaults") {
    std::string out;
    if (args.size() == 4 && args[2] == "-o") out = args[3];
    else if (args.size() != 2) {
      std::fprintf(stderr, "usage: velm devmode defaults PRINTER [-o FILE]\n");
      return 2;
    }
    return Defaults(args[1], out);
  }
  if (args.size() == 2 && args[0] == "show") return Show(args[1]);
  std::fprintf(stderr, "usage: velm devmode defaults PRINTER [-o FILE] | show FILE\n");
  return 2;
}

}  // namespace

VELM_COMMAND("devmode",
             "devmode defaults PRINTER [-o FILE]  the DEVMODE a fresh context of a printer builds\n"
             "  devmode show FILE                   print a DEVMODE file",
             Run);
