// libFuzzer target: any bytes as the caller's DEVMODE of a capability query
// of a printer of the merge fixture model. The answer must be a count, a
// value or -1, the output written only within the entries the answer counts,
// and nothing read outside the bytes the DEVMODE declares (the sanitizers).
//
// Input: byte 0 picks the query; byte 1 the shape of the DEVMODE: odd, the
// bytes after the header are the DEVMODE as they are (padded with zeros up
// to the sizes its header declares, as a caller's buffer holds them); even,
// they patch the printer's own DEVMODE as {offset low, offset high, value}
// triples, which keeps its private part in play.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "ui2k/device_caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"

namespace {

constexpr size_t kHeader = 2;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kOutputBytes = 64 * 1024;
constexpr size_t kGuard = 256;
constexpr char16_t kDriverDir[] = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

// The queries whose answers depend on the caller's DEVMODE, and their entry
// sizes in bytes (0: the answer is a value).
struct Query {
  uint16_t index;
  size_t entry;
};
constexpr Query kQueries[] = {
    {DC_FIELDS, 0},      {DC_PAPERS, 2},        {DC_PAPERSIZE, 8},        {DC_BINS, 2},
    {DC_BINNAMES, 48},   {DC_ENUMRESOLUTIONS, 8}, {DC_TRUETYPE, 0},       {DC_PAPERNAMES, 128},
    {DC_BINADJUST, 0},   {DC_EMF_COMPLIANT, 0}, {DC_DATATYPE_PRODUCED, 0}, {DC_COLLATE, 0},
    {DC_MEDIAREADY, 128}, {DC_STAPLE, 0},       {DC_NUP, 4},              {DC_COLORDEVICE, 0},
};

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct Fixture {
  HANDLE printer = nullptr;
  std::vector<uint8_t> own;  // the printer's DEVMODE
};

Fixture* Setup() {
  char tmpl[] = "/tmp/velm-devcaps-fuzz-XXXXXX";
  unsetenv("VELM_MACHINE");
  static std::string root = mkdtemp(tmpl);
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  std::string error;
  Check(test_support::InitStandinMachine(root, &error), "machine");
  Check(plat::EnsureWindowsDir(kDriverDir), "driver directory");
  std::ifstream in(VELM_DEVCAPS_FUZZ_MODEL, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string model = std::u16string(kDriverDir) + u"model.mdf";
  std::ofstream(plat::MapPath(model), std::ios::binary) << text;
  plat::SpoolDriver d;
  d.name = u"VELM Driver";
  d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
  d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
  d.dataFile = model;
  Check(plat::SpoolAddDriver(d), "driver");
  plat::SpoolPrinter p;
  p.name = u"P";
  p.driverName = d.name;
  Check(plat::SpoolAddPrinter(p, &error), "printer");
  CommonProcessAttach(nullptr);
  auto* f = new Fixture;
  std::u16string name = u"P";
  Check(OpenPrinterW(name.data(), &f->printer, nullptr), "open printer");
  DriverContext* ctx = CtxOpenKind(f->printer, f->printer, 0, kOpenEntryPoint);
  Check(ctx != nullptr, "context of the fixture model");
  f->own.assign(ctx->devmode, ctx->devmode + dm::kTotalSize);
  CtxCloseAs(ctx, kCloseDestroy);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture* f = Setup();
  if (size < kHeader) return 0;
  const Query& q = kQueries[data[0] % (sizeof kQueries / sizeof kQueries[0])];
  const uint8_t* body = data + kHeader;
  size_t body_size = size - kHeader;

  std::vector<uint8_t> devmode;
  if (data[1] & 1) {
    devmode.assign(body, body + body_size);
    if (devmode.size() < 72) devmode.resize(72, 0);
    size_t declared = size_t(devmode[68] | devmode[69] << 8) + size_t(devmode[70] | devmode[71] << 8);
    if (devmode.size() < declared) devmode.resize(declared, 0);
    // Exactly as large as the caller's buffer, so that a read past it shows.
    devmode.shrink_to_fit();
  } else {
    devmode = f->own;
    for (size_t i = 0; i + 3 <= body_size; i += 3) {
      size_t at = size_t(body[i] | body[i + 1] << 8) % devmode.size();
      devmode[at] = body[i + 2];
    }
    // The call has no length: the caller's buffer holds what the DEVMODE
    // declares, whatever the edits made of its sizes.
    size_t declared = size_t(devmode[68] | devmode[69] << 8) + size_t(devmode[70] | devmode[71] << 8);
    if (devmode.size() < declared) devmode.resize(declared, 0);
  }

  int32_t count = UiDeviceCapabilities(f->printer, u"P", q.index, nullptr, devmode.data());
  Check(count >= -1, "answer below -1");
  std::vector<uint8_t> out(kOutputBytes + kGuard, kGuardByte);
  int32_t filled = UiDeviceCapabilities(f->printer, u"P", q.index, out.data(), devmode.data());
  Check(filled >= -1, "answer below -1");
  if (q.entry && filled > 0) {
    Check(size_t(filled) * q.entry <= kOutputBytes, "answer larger than any list");
    for (size_t i = size_t(filled) * q.entry; i < out.size(); ++i) Check(out[i] == kGuardByte, "written past the count");
  }
  return 0;
}
