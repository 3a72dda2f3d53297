// What a merge of an application's DEVMODE costs against copying it:
//   PlainCopy  the 1260 bytes of the input copied into a buffer
//   FullMerge  DmMergeInput of the same input into a context of the
//              reference model, as a document-properties call with a prompt
//              does: public fields field by field, derived paper geometry,
//              and the validation of all 672 private settings
// FullMerge reports "copies": how many plain copies one merge costs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/machine.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/model_image.h"
#include "velm/rule_eval.h"

namespace {

struct Fixture {
  DriverContext* ctx = nullptr;
  ModelImage* image = nullptr;
  std::vector<uint8_t> input;  // an outside DEVMODE of this driver and model
};

Fixture* Setup() {
  static Fixture* fixture = []() -> Fixture* {
    static char root[] = "/tmp/velm-bench-merge-XXXXXX";
    if (!mkdtemp(root)) return nullptr;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(root, ec);
    });
    plat::SetMachineRoot(root);
    const char* source = std::getenv("VELM_REFERENCE_MODEL");
    std::ifstream in(source && *source ? source : VELM_REFERENCE_MODEL, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto* f = new Fixture;
    f->image = MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    f->ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
    if (!f->image || !f->ctx || RuleAllocEvalStack(f->ctx) != 0) return nullptr;
    f->ctx->image = f->image;
    f->ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));  // kind 4 has none of its own
    if (!f->ctx->devmode) return nullptr;
    dm::StampRegionOffsets(f->ctx->devmode);
    DmApplyItemDefaults(f->ctx);
    DmResetPublicFields(f->ctx->devmode, 1, f->ctx);
    DmFinishDefaults(f->ctx->devmode, f->ctx);
    // The application changed paper, orientation, copies, duplex and quality.
    f->input.assign(f->ctx->devmode, f->ctx->devmode + dm::kTotalSize);
    DEVMODEW d;
    std::memcpy(&d, f->input.data(), sizeof d);
    d.dmFields |= 0x1 | 0x2 | 0x100 | 0x400 | 0x1000;
    d.dmOrientation = 2;
    d.dmPaperSize = 8;  // A3
    d.dmCopies = 3;
    d.dmPrintQuality = 300;
    d.dmDuplex = 2;
    std::memcpy(f->input.data(), &d, sizeof d);
    return f;
  }();
  return fixture;
}

double g_copy_ns = 0;

void PlainCopy(benchmark::State& state) {
  Fixture* f = Setup();
  if (!f) return state.SkipWithError("no fixture");
  std::vector<uint8_t> out(dm::kTotalSize);
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(out.data(), f->input.data(), dm::kTotalSize);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  g_copy_ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / state.iterations();
}
BENCHMARK(PlainCopy);

void FullMerge(benchmark::State& state) {
  Fixture* f = Setup();
  if (!f) return state.SkipWithError("no fixture");
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (DmMergeInput(f->ctx, f->input.data(), f->input.size(), DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT) != 1)
      return state.SkipWithError("merge failed");
    benchmark::DoNotOptimize(f->ctx->devmode);
  }
  double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / state.iterations();
  if (g_copy_ns > 0) state.counters["copies"] = ns / g_copy_ns;
}
BENCHMARK(FullMerge);

}  // namespace
