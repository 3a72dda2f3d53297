// What the model cache file saves: the time to compile the reference model
// into its image against the time to get the same image back from its cache
// file, side by side in one run.
//
// Through the machine's files, as a driver context goes:
//   Compile        read the model file, parse, build
//   LoadCache      check both files' times, read the cache file, validate it
//   ObtainCache    the same plus the model file's version probe (what a
//                  context pays when the cache serves)
// In memory, the work of the two paths alone:
//   CompileBytes   parse and build from the model's bytes
//   LoadBytes      validate and copy the image's bytes
// Each load reports "cheaper": how many times cheaper it is than the
// compile of the same kind (the cache is there to make it far cheaper).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "model_bench.h"
#include "plat/machine.h"
#include "velm/model_cache.h"

namespace {

constexpr const char16_t* kModel = u"C:\\Models\\reference.mdf";

std::string g_root;

// A machine folder of its own (removed at exit) holding a copy of the
// reference model, and its cache file written once.
bool Prepare() {
  static bool ready = [] {
    char tmpl[] = "/tmp/velm-bench-image-XXXXXX";
    const char* root = mkdtemp(tmpl);
    if (!root) return false;
    g_root = root;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(g_root, ec);
    });
    setenv("VELM_MACHINE", root, 1);
    if (!plat::EnsureWindowsDir(u"C:\\Models")) return false;
    std::error_code ec;
    std::filesystem::copy_file(bench_support::ReferenceModelPath(), plat::MapPath(kModel), ec);
    if (ec) return false;
    ModelImage* image = MdfCompileModel(nullptr, kModel, 1, nullptr);
    bool ok = image != nullptr;
    MdfFreeImage(image);
    return ok;
  }();
  return ready;
}

const std::string& ImageBytes() {
  static const std::string bytes = [] {
    const std::string& text = bench_support::ReferenceModelText();
    ModelImage* image = MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    std::string out = image ? std::string(reinterpret_cast<const char*>(MdfImageBytes(image)), MdfImageSize(image))
                            : std::string();
    MdfFreeImage(image);
    return out;
  }();
  return bytes;
}

// Nanoseconds per iteration of the compiles, for the ratios.
double g_compile_file_ns = 0;
double g_compile_bytes_ns = 0;

using bench_support::NanosecondsPerIteration;

bool Keep(ModelImage* image) {
  if (!image) return false;
  benchmark::DoNotOptimize(MdfImageBytes(image));
  MdfFreeImage(image);
  return true;
}

void Ratio(benchmark::State& state, double compile_ns, double load_ns) {
  if (compile_ns > 0 && load_ns > 0) state.counters["cheaper"] = compile_ns / load_ns;
}

void BM_Compile(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("the reference model could not be set up");
  g_compile_file_ns = NanosecondsPerIteration(state, [] { return Keep(MdfCompileModel(nullptr, kModel, 0, nullptr)); });
}

void BM_LoadCache(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("the reference model could not be set up");
  Ratio(state, g_compile_file_ns, NanosecondsPerIteration(state, [] { return Keep(MdfReadCache(kModel, nullptr, nullptr)); }));
}

void BM_ObtainCache(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("the reference model could not be set up");
  double ns = NanosecondsPerIteration(state, [] {
    MdfImageOrigin origin;
    ModelImage* image = MdfObtainModel(kModel, u"3.62", nullptr, &origin);
    return Keep(image) && origin == MdfImageOrigin::kCache;
  });
  Ratio(state, g_compile_file_ns, ns);
}

void BM_CompileBytes(benchmark::State& state) {
  const std::string& text = bench_support::ReferenceModelText();
  if (text.empty()) return state.SkipWithError("models/reference.mdf not found");
  g_compile_bytes_ns = NanosecondsPerIteration(state, [&] {
    return Keep(MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  });
}

void BM_LoadBytes(benchmark::State& state) {
  const std::string& bytes = ImageBytes();
  if (bytes.empty()) return state.SkipWithError("the reference model did not compile");
  double ns = NanosecondsPerIteration(state, [&] {
    return Keep(MdfLoadImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  });
  Ratio(state, g_compile_bytes_ns, ns);
}

}  // namespace

BENCHMARK(BM_Compile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ObtainCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadBytes)->Unit(benchmark::kMicrosecond);
