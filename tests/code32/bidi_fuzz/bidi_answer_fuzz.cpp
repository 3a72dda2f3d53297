// Feeds arbitrary device answers to the device query: every item of the
// request and of category 15, and the model name, answer bytes and a
// result taken from the input, through the stand-in library's raw entries.
// The query must stay inside every buffer (ASan), answer 0 or 1, and pair
// every load of the library with an unload.
//
// Input: one flag byte (bit 0 quick query, bit 1 Begin fails with 102,
// bit 2 OpenCategory fails with 102, bit 3 a raw model name), then for each
// answer in turn (items 1, 20, 21, 23, 2, 11, 8, category items 258, 2,
// 259, the model name): a length byte (255: the device does not report it),
// a 32-bit result, that many bytes.
//
// The query writes what it learns into the printer's data; each input
// starts from the data as set up (fuzz_reset.h), and VELM_FUZZ_REPEAT=1
// runs each twice and compares the answers.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bidi_device.h"
#include "fuzz_reset.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/profile.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/library.h"
#include "velm/paths.h"
#include "velm/settings.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

std::string g_root;
DriverContext* g_ctx = nullptr;
HANDLE g_printer = nullptr;
const test_support::PrinterSnapshot* g_snapshot = nullptr;

bool Setup() {
  std::string error;
  g_root = test_support::MakeFuzzMachine("velm-bidi-fuzz", &error);
  if (g_root.empty() ||
      !test_support::AddVelmPrinter(u"Device", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI, nullptr, &error)) {
    std::fprintf(stderr, "the machine cannot be made: %s\n", error.c_str());
    return false;
  }
  const std::u16string dir = test_support::kFuzzDriverDir;
  if (!plat::EnsureWindowsDir(bidi_device::kFolder)) return false;
  // The installation's model list names the device's model for the driver.
  if (!WritePrivateProfileStringW(u"Models", u"VELM Driver", u"VELM Driver", (dir + u"velmsetup.ini").c_str()))
    return false;
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  std::u16string name = u"Device";
  if (!OpenPrinterW(name.data(), &g_printer, nullptr)) return false;
  g_ctx = CtxOpenKind(g_printer, g_printer, 4, kOpenEntryPoint);
  if (!g_ctx) return false;
  g_ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
  // Arbitrary model names reach the item steps too.
  if (!IniWriteString(InstGetLanguageSectionName(g_ctx), u"bIsBIDISupportForVELMModel", u"0",
                      PathGetDriverIni(g_ctx)) ||
      g_ctx->devmode == nullptr)
    return false;
  g_snapshot = new test_support::PrinterSnapshot(name);
  return true;
}

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool Byte(uint8_t* out) {
    if (pos >= size) return false;
    *out = data[pos++];
    return true;
  }
  int32_t Int() {
    uint8_t b[4] = {};
    for (uint8_t& x : b) Byte(&x);
    int32_t v;
    std::memcpy(&v, b, 4);
    return v;
  }
  std::string Hex(size_t n) {
    n = std::min(n, size - pos);
    std::string s = bidi_device::Hex(std::vector<uint8_t>(data + pos, data + pos + n));
    pos += n;
    return s.empty() ? "-" : s;
  }
};

// Runs one input from the printer as set up; answers what the query gave.
std::string RunInput(const uint8_t* data, size_t size) {
  Check(g_snapshot->Restore(), "the printer's data put back");
  Reader in{data, size};
  uint8_t flags = 0;
  in.Byte(&flags);
  std::string text = "model VELM Driver\n";
  if (flags & 2) text += "error102 begin\n";
  if (flags & 4) text += "error102 category\n";
  static const char* kItems[] = {"1", "20", "21", "23", "2", "11", "8", "c258", "c2", "c259"};
  for (const char* item : kItems) {
    uint8_t len = 0;
    if (!in.Byte(&len) || len == 255) continue;
    int32_t result = in.Int();
    text += std::string("raw ") + item + " " + std::to_string(result) + " " + in.Hex(len) + "\n";
  }
  uint8_t len = 0;
  if ((flags & 8) && in.Byte(&len)) text += "rawname " + in.Hex(len) + "\n";
  {
    std::ofstream out(plat::MapPath(bidi_device::FileName(u"Device")), std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::memset(g_ctx->devmode, 0, kWorkBufferSize);
  int32_t answer = BidiQueryDevice(g_ctx, nullptr, kBidiSilent | ((flags & 1) ? kBidiQuick : 0));
  Check(answer == 0 || answer == 1, "the query answers 0 or 1");
  // Trays are counted by what the answers hold: at most one bit per tray.
  int installed = 0;
  std::string answers = std::to_string(answer);
  for (uint32_t id = 10111; id <= 10142; ++id) {
    const int32_t value = OptGetValueById(g_ctx, id);
    installed += value;
    answers += " " + std::to_string(value);
  }
  Check(installed <= 9, "no more trays than the tray table names");
  if (!test_support::FuzzRepeatAsked()) return answers;
  answers.append(reinterpret_cast<const char*>(g_ctx->devmode), kWorkBufferSize);
  for (const plat::SpoolDataValue& v : plat::SpoolListPrinterData(u"Device"))
    answers += plat::ToUtf8(v.name) + std::string(v.data.begin(), v.data.end());
  return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  Check(ready, "the machine could be set up");
  const std::string first = RunInput(data, size);
  if (test_support::FuzzRepeatAsked()) test_support::CheckSameAnswer(first, RunInput(data, size));
  return 0;
}
