// velm devmode defaults PRINTER [-o FILE]: opens a context for a printer of
// the machine as an entry point of the driver does, writes the 1260 bytes of
// its working DEVMODE to FILE when asked, and prints it.
// velm devmode show FILE: prints a DEVMODE file the same way: its public
// fields, and for a private part of this driver the private header, every
// private item that holds a value and the environment flags, each setting by
// its item name with the keyword of its option. An ANSI DEVMODE (as the query
// library hands out) is shown with its names converted. A file that is no
// DEVMODE, or declares more bytes than it holds, is refused.
// velm devmode merge PRINTER INPUT [-o FILE]: a fresh context of the printer
// merges the DEVMODE file INPUT as an application's document-properties call
// without a sheet does (input and output buffer), and prints the output
// DEVMODE (or writes it to FILE).
// velm devmode request PRINTER INPUT [-o FILE]: as merge, for an INPUT whose
// private part carries a settings request block (one not marked valid
// changes nothing, as the merge ignores it); prints the result with its
// capability block.
// velm devmode set PRINTER NAME=VALUE ... [-o FILE]: sets settings of a fresh
// context by feature or item name (VALUE an option keyword, True/False or a
// number), validates the private settings, fills the public fields from
// them, and prints or writes the DEVMODE.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "setting_text.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_exchange.h"
#include "velm/dm_merge.h"
#include "velm/library.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kHeaderBytes = 72;  // through dmDriverExtra and dmFields
constexpr uint32_t kFirstComputedItem = 731, kLastComputedItem = 858;
constexpr uint32_t kLanguageByte = 587;  // vdmLanguageID: a merge takes a private part of its own language only

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

}  // namespace

namespace velm_cli {

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

}  // namespace velm_cli

namespace {

using velm_cli::CheckDevmode;

void PrintRow(DriverContext* ctx, const SettingRecord* row) {
  std::printf("  %-5u %-28s %s\n", row->id, velm_cli::SettingName(row).c_str(),
              velm_cli::SettingValueText(ctx, row).c_str());
}

}  // namespace

// Prints a checked DEVMODE: the public part as declared, and the private
// part read as this driver's layout when its signature and size are ours.
void velm_cli::PrintDevmode(const uint8_t* bytes) {
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

namespace {

using velm_cli::PrintDevmode;

bool ReadHost(const std::string& path, std::vector<uint8_t>* out) { return velm_cli::ReadHostBytes(path, out); }

// Writes the bytes to FILE when one is named, then prints them.
int Emit(const char* what, const std::vector<uint8_t>& bytes, const std::string& out_file) {
  std::string why;
  // Written beside and renamed: a failed write leaves an earlier file whole.
  if (!out_file.empty() && !plat::ReplaceHostFileContent(out_file, bytes.data(), bytes.size(), &why))
    return Fail(what, "cannot write " + out_file + ": " + why);
  PrintDevmode(bytes.data());
  return 0;
}

// Opens a fresh context of kind 0 for a printer of the machine and runs the
// step on it; the step's exit code, or 1 when no context can be opened.
template <typename Step>
int WithPrinterContext(const char* what, const std::string& printer, Step step) {
  std::u16string name = plat::FromUtf8(printer);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr))
    return Fail(what, "no printer " + printer + " on the machine in " + plat::MachineRoot());
  CommonProcessAttach(nullptr);
  int rc = 0;
  DriverContext* ctx = CtxOpenKind(h, h, 0, kOpenEntryPoint);
  if (!ctx) {
    rc = Fail(what, "cannot open a context for " + printer +
                        ": its model-description file is missing or cannot be compiled");
  } else {
    rc = step(ctx);
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

int Defaults(const std::string& printer, const std::string& out_file) {
  return WithPrinterContext("defaults", printer, [&](DriverContext* ctx) {
    return Emit("defaults", std::vector<uint8_t>(ctx->devmode, ctx->devmode + dm::kTotalSize), out_file);
  });
}

int Merge(const std::string& printer, const std::string& input_file, const std::string& out_file) {
  std::vector<uint8_t> input;
  if (!ReadHost(input_file, &input)) return Fail("merge", "cannot read " + input_file);
  std::string why = CheckDevmode(input);
  if (!why.empty()) return Fail("merge", input_file + ": " + why);
  return WithPrinterContext("merge", printer, [&](DriverContext* ctx) {
    const uint32_t mode = DM_IN_BUFFER | DM_OUT_BUFFER | kMergeDocNoSheet;
    if (!DmMergeInput(ctx, input.data(), input.size(), mode)) return Fail("merge", "out of memory");
    // An output DEVMODE tells what the device offers, as the call's copy does.
    DmBuildExchangeCaps(ctx);
    // The output in the input's sizes, as the caller's buffer would take it.
    const size_t out_size = std::min<size_t>(input.size(), dm::kTotalSize);
    std::vector<uint8_t> output(std::max<size_t>(out_size, dm::kTotalSize), 0);
    if (DmCopyToOutput(ctx->devmode, dm::kTotalSize, input.data(), input.size(), output.data(), output.size()) != 1)
      return Fail("merge", "the merged DEVMODE does not fit the sizes of " + input_file);
    const size_t used = size_t(Get16(output.data() + 68)) + Get16(output.data() + 70);
    output.resize(std::min(used, output.size()));
    return Emit("merge", output, out_file);
  });
}

// Why the DEVMODE carries no request block the merge would apply; empty
// when it does. The private part follows the public part of dmSize bytes.
std::string CheckRequest(const std::vector<uint8_t>& b, const uint8_t* working) {
  const uint16_t size = Get16(b.data() + 68), extra = Get16(b.data() + 70);
  if (extra != dm::kDriverExtra || std::memcmp(b.data() + size, "VELM", 4) != 0)
    return "no private part of this driver, so no request block";
  // A byte of the private part, by its offset in the working layout.
  auto at = [&](uint32_t offset) { return b.data() + size + (offset - dm::kPublicSize); };
  if (std::memcmp(at(dm::kModelTag), working + dm::kModelTag, 10) != 0 ||
      *at(kLanguageByte) != working[kLanguageByte])
    return "its private part belongs to another model, driver version or language, so its request block "
           "would not be read";
  return "";
}

// The request block's valid byte: a block not marked valid (byte 1 not 1) is
// ignored by the merge, so the DEVMODE comes back as a plain merge makes it.
uint8_t RequestValidByte(const std::vector<uint8_t>& b) {
  return b[size_t(Get16(b.data() + 68)) + (kExchangeRequestOffset - dm::kPublicSize) + 1];
}

void PrintCapabilities(const uint8_t* devmode, size_t size) {
  const size_t at = size_t(Get16(devmode + 68)) + (kExchangeCapsOffset - dm::kPublicSize);
  if (at + kExchangeBlockSize > size) return;
  std::printf("capability block:");
  for (uint32_t i = 0; i < kExchangeBlockSize; ++i) std::printf(" %02X", devmode[at + i]);
  std::printf("\n");
}

int Request(const std::string& printer, const std::string& input_file, const std::string& out_file) {
  std::vector<uint8_t> input;
  if (!ReadHost(input_file, &input)) return Fail("request", "cannot read " + input_file);
  std::string why = CheckDevmode(input);
  if (!why.empty()) return Fail("request", input_file + ": " + why);
  return WithPrinterContext("request", printer, [&](DriverContext* ctx) {
    std::string bad = CheckRequest(input, ctx->devmode);
    if (!bad.empty()) return Fail("request", input_file + ": " + bad);
    if (const uint8_t valid = RequestValidByte(input); valid != kExchangeBlockValid)
      std::fprintf(stderr,
                   "velm devmode request: %s: its request block is not marked valid (byte 1 is %u, not 1), so it "
                   "changes nothing; the DEVMODE is merged as it stands\n",
                   input_file.c_str(), unsigned(valid));
    const uint16_t size = Get16(input.data() + 68);
    const uint8_t action = input[size + kExchangeRequestOffset - dm::kPublicSize];
    const uint32_t mode = DM_IN_BUFFER | DM_OUT_BUFFER | kMergeDocNoSheet;
    if (!DmMergeInput(ctx, input.data(), input.size(), mode))
      return Fail("request", action == kExchangeActionQuery || action == kExchangeActionQuery2
                                 ? "the device query of " + printer + " failed; nothing was merged"
                                 : std::string("out of memory"));
    if (!DmBuildExchangeCaps(ctx)) return Fail("request", "out of memory");
    const size_t out_size = std::min<size_t>(input.size(), dm::kTotalSize);
    std::vector<uint8_t> output(std::max<size_t>(out_size, dm::kTotalSize), 0);
    if (DmCopyToOutput(ctx->devmode, dm::kTotalSize, input.data(), input.size(), output.data(), output.size()) != 1)
      return Fail("request", "the merged DEVMODE does not fit the sizes of " + input_file);
    const size_t used = size_t(Get16(output.data() + 68)) + Get16(output.data() + 70);
    output.resize(std::min(used, output.size()));
    int rc = Emit("request", output, out_file);
    if (rc == 0) PrintCapabilities(output.data(), output.size());
    return rc;
  });
}

int Set(const std::string& printer, const std::vector<std::string>& assignments, const std::string& out_file) {
  return WithPrinterContext("set", printer, [&](DriverContext* ctx) {
    for (const std::string& a : assignments) {
      size_t eq = a.find('=');
      if (eq == std::string::npos || eq == 0) return Fail("set", "not NAME=VALUE: " + a);
      const std::string name = a.substr(0, eq), value = a.substr(eq + 1);
      SettingRecord* row = velm_cli::FindSetting(ctx, name);
      if (!row) return Fail("set", "no feature or setting named " + name);
      if (row->id >= kFirstComputedItem && row->id <= kLastComputedItem)
        return Fail("set", name + " is a computed condition item: the rules derive it, nothing sets it");
      if (!IsIntegerType(DescType(row->descriptor)))
        return Fail("set", name + " holds text or a block, not a value");
      if (!velm_cli::SetByKeyword(ctx, row, value))
        return Fail("set", "no value " + value + " for " + name + " (an option keyword, True, False or a number)");
    }
    DmValidatePrivate(ctx->devmode, ctx, 2);
    DmPrivateToPublic(ctx->devmode, ctx, 2);
    return Emit("set", std::vector<uint8_t>(ctx->devmode, ctx->devmode + dm::kTotalSize), out_file);
  });
}

// An ANSI DEVMODE (the query library's VELM_DEVMODEA, whose names are 32
// bytes of code page 932) in the wide layout: the names widened, every other
// field moved to its wide offset, dmSize grown by the 64 bytes the names
// gain. Empty when the bytes are no ANSI DEVMODE either.
std::vector<uint8_t> WidenAnsiDevmode(const std::vector<uint8_t>& a) {
  constexpr size_t kNameBytes = 32, kAnsiSizeAt = 36, kAnsiFormAt = 70, kAnsiAfterForm = 102;
  constexpr size_t kAnsiHeader = 40, kAnsiPublic = dm::kPublicSize - 2 * kNameBytes;
  if (a.size() < kAnsiHeader) return {};
  const uint16_t size = Get16(a.data() + kAnsiSizeAt), extra = Get16(a.data() + kAnsiSizeAt + 2);
  if (size < kAnsiHeader || size > kAnsiPublic || size_t(size) + extra > a.size()) return {};
  std::vector<uint8_t> w(size_t(size) + 2 * kNameBytes + extra, 0);
  auto widen_name = [&](size_t from, size_t to) {
    const size_t len = strnlen(reinterpret_cast<const char*>(a.data() + from), kNameBytes);
    char16_t name[kNameBytes] = {};
    plat::AnsiToWide(reinterpret_cast<const char*>(a.data() + from), len, name, kNameBytes - 1);
    std::memcpy(w.data() + to, name, sizeof name);
  };
  widen_name(0, 0);
  // dmSpecVersion through dmCollate, then (when the public part holds them)
  // the form name and everything after it, private part included.
  const size_t head_end = std::min<size_t>(size, kAnsiFormAt);
  std::memcpy(w.data() + 2 * kNameBytes, a.data() + kNameBytes, head_end - kNameBytes);
  if (size >= kAnsiAfterForm) widen_name(kAnsiFormAt, kAnsiFormAt + kNameBytes);
  if (size > kAnsiAfterForm)
    std::memcpy(w.data() + kAnsiAfterForm + 2 * kNameBytes, a.data() + kAnsiAfterForm, size - kAnsiAfterForm);
  std::memcpy(w.data() + size + 2 * kNameBytes, a.data() + size, extra);
  plat::Put16(w.data() + 68, uint16_t(size + 2 * kNameBytes));
  return w;
}

int Show(const std::string& file) {
  std::vector<uint8_t> bytes;
  if (!ReadHost(file, &bytes)) return Fail("show", "cannot read " + file);
  std::string why = CheckDevmode(bytes);
  if (!why.empty()) {
    std::vector<uint8_t> wide = WidenAnsiDevmode(bytes);
    if (wide.empty() || !CheckDevmode(wide).empty()) return Fail("show", file + ": " + why);
    std::printf("ANSI DEVMODE (dmSize %u), its names converted from code page 932:\n", Get16(bytes.data() + 36));
    bytes = std::move(wide);
  }
  PrintDevmode(bytes.data());
  std::fflush(stdout);
  return 0;
}

constexpr const char* kUsage =
    "usage: velm devmode defaults PRINTER [-o FILE] | show FILE | merge PRINTER INPUT [-o FILE]\n"
    "       | request PRINTER INPUT [-o FILE]\n"
    "       | set PRINTER NAME=VALUE ... [-o FILE]\n";

// Splits off a trailing "-o FILE"; false when "-o" stands anywhere else or
// lacks its file.
bool TakeOutput(velm_cli::Args* args, std::string* out) {
  for (size_t i = 0; i < args->size(); ++i) {
    if ((*args)[i] != "-o") continue;
    if (i + 2 != args->size()) return false;
    *out = (*args)[i + 1];
    args->resize(i);
  }
  return true;
}

int Run(const velm_cli::Args& given) {
  velm_cli::Args args = given;
  std::string out;
  if (args.empty() || !TakeOutput(&args, &out)) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const std::string& verb = args[0];
  if (verb == "defaults" && args.size() == 2) return Defaults(args[1], out);
  if (verb == "show" && args.size() == 2 && out.empty()) return Show(args[1]);
  if (verb == "merge" && args.size() == 3) return Merge(args[1], args[2], out);
  if (verb == "request" && args.size() == 3) return Request(args[1], args[2], out);
  if (verb == "set" && args.size() >= 3)
    return Set(args[1], std::vector<std::string>(args.begin() + 2, args.end()), out);
  std::fprintf(stderr, "%s", kUsage);
  return 2;
}

}  // namespace

VELM_COMMAND("devmode",
             "devmode defaults PRINTER [-o FILE]  the DEVMODE a fresh context of a printer builds\n"
             "  devmode show FILE                   print a DEVMODE file\n"
             "  devmode merge PRINTER INPUT [-o FILE]  merge a DEVMODE file as a document-properties call does\n"
             "  devmode request PRINTER INPUT [-o FILE]  merge a DEVMODE file with a settings request block\n"
             "  devmode set PRINTER NAME=VALUE ... [-o FILE]  a fresh context's DEVMODE with settings changed",
             Run);
