// libFuzzer target: any bytes as the input DEVMODE of a merge, with any merge
// mode and any user paper sizes. The merge must write nothing outside the
// 3808-byte working buffer (guard bytes on both sides, and the sanitizers),
// and must leave the public fields it checks within their ranges.
//
// Input: byte 0 picks the shape of the input DEVMODE: odd, the bytes after
// the header are the DEVMODE as they are; even, they patch the fixture's
// default DEVMODE as {offset low, offset high, value} triples, which keeps
// its header (and so its private part) in play. Bytes 1-2 pick merge-mode
// bits, bytes 3-10 the size of user paper-size slot 0.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "plat/machine.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/model_image.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kHeader = 11;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct Fixture {
  DriverContext* ctx = nullptr;
  ModelImage* image = nullptr;
  std::vector<uint8_t> guarded;             // guard, 3808 working bytes, guard
  std::vector<uint8_t> defaults;            // the working buffer after the defaults
};

Fixture* Setup() {
  // A machine of its own, so that the environment reads touch nothing else.
  char tmpl[] = "/tmp/velm-merge-fuzz-XXXXXX";
  unsetenv("VELM_MACHINE");
  static std::string root = mkdtemp(tmpl);
  plat::SetMachineRoot(root);
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  std::ifstream in(VELM_MERGE_FUZZ_MODEL, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto* f = new Fixture;
  f->image = MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  f->ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
  Check(f->image && f->ctx, "fixture model and context");
  f->ctx->image = f->image;
  Check(RuleAllocEvalStack(f->ctx) == 0, "evaluator stack");
  f->guarded.assign(kGuard + dm::kWorkBufferSize + kGuard, kGuardByte);
  uint8_t* working = f->guarded.data() + kGuard;
  std::memset(working, 0, dm::kWorkBufferSize);
  dm::StampRegionOffsets(working);
  f->ctx->devmode = working;  // kind 4 has no working DEVMODE of its own
  DmApplyItemDefaults(f->ctx);
  DmResetPublicFields(working, 1, f->ctx);
  DmFinishDefaults(working, f->ctx);
  f->defaults.assign(working, working + dm::kWorkBufferSize);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture* f = Setup();
  if (size < kHeader || size > 8192) return 0;
  DriverContext* ctx = f->ctx;
  uint8_t* working = f->guarded.data() + kGuard;
  std::memcpy(working, f->defaults.data(), dm::kWorkBufferSize);

  const uint16_t bits = uint16_t(data[1] | data[2] << 8);
  uint32_t mode = DM_IN_BUFFER;
  if (bits & 1) mode |= DM_IN_PROMPT;
  if (bits & 2) mode |= DM_OUT_BUFFER;
  if (bits & 4) mode |= kMergeDocSheet;
  if (bits & 8) mode |= kMergeSettingsFile;
  if (bits & 16) mode |= kMergeDeviceSheet;
  if (bits & 32) mode |= kMergeDocNoSheet;
  std::memcpy(&ctx->work->freeSizes[0].width, data + 3, 4);
  std::memcpy(&ctx->work->freeSizes[0].length, data + 7, 4);

  std::vector<uint8_t> input;
  if (data[0] & 1) {
    input.assign(data + kHeader, data + size);
  } else {
    input.assign(f->defaults.begin(), f->defaults.begin() + dm::kTotalSize);
    for (size_t i = kHeader; i + 3 <= size; i += 3) {
      size_t at = size_t(data[i] | data[i + 1] << 8) % dm::kTotalSize;
      input[at] = data[i + 2];
    }
  }
  // An exact-size copy: a read past the input's end is caught too.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[input.empty() ? 1 : input.size()]);
  if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());

  Check(DmMergeInput(ctx, exact.get(), input.size(), mode) == 1, "the merge succeeds");
  for (size_t i = 0; i < kGuard; ++i) {
    Check(f->guarded[i] == kGuardByte, "nothing written before the working buffer");
    Check(f->guarded[kGuard + dm::kWorkBufferSize + i] == kGuardByte, "nothing written after the working buffer");
  }
  DEVMODEW w;
  std::memcpy(&w, working, sizeof w);
  Check(w.dmSize == 220 && w.dmDriverExtra == 1040, "the working sizes stay");
  Check(w.dmScale >= 1 && w.dmScale <= 1000, "scale in range");
  Check(w.dmCopies >= 1 && w.dmCopies <= 999, "copies in range");
  Check(w.dmDuplex >= 1 && w.dmDuplex <= 3, "duplex in range");
  Check(w.dmYResolution == w.dmPrintQuality, "y resolution follows the print quality");
  Check(!(w.dmFields & 0x10), "DM_SCALE never announced");
  return 0;
}
