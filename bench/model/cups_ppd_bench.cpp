// The compile of the reference model beside libcups' reading of a PostScript
// printer description of about the same size, in one run:
//   CupsOpenPpd            ppdOpenFile, ppdMarkDefaults, ppdConflicts,
//                          ppdClose (the file is in the page cache)
//   CompileReferenceModel  parse the model description's bytes and build
//                          its image
// Each reports "us_per_KB", microseconds per 1024 bytes of its file, and the
// compile also "vs_cups": how many times cheaper per KB it is than libcups.
//
// The PPD file is VELM_CUPS_PPD from the environment, else the one the build
// was configured with; it should be uncompressed (libcups would inflate a
// compressed one on every read).
#include <benchmark/benchmark.h>
#include <cups/ppd.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "model_bench.h"
#include "velm/model_cache.h"

namespace {

std::string PpdPath() {
  const char* path = std::getenv("VELM_CUPS_PPD");
  return path && *path ? path : VELM_CUPS_PPD;
}

double g_cups_us_per_kb = 0;

// Microseconds per KB of bytes of a step run once an iteration, or a
// negative value after reporting that it failed.
template <typename Body>
double MeasurePerKb(benchmark::State& state, size_t bytes, Body body) {
  const double ns = bench_support::NanosecondsPerIteration(state, body);
  if (ns <= 0) return ns;
  const double per_kb = ns / 1000.0 / (static_cast<double>(bytes) / 1024.0);
  state.counters["us_per_KB"] = per_kb;
  state.counters["KB"] = static_cast<double>(bytes) / 1024.0;
  return per_kb;
}

void BM_CupsOpenPpd(benchmark::State& state) {
  const std::string path = PpdPath();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || info.st_size <= 0) {
    return state.SkipWithError("the PPD file could not be read (VELM_CUPS_PPD)");
  }
  g_cups_us_per_kb = MeasurePerKb(state, static_cast<size_t>(info.st_size), [&] {
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (!ppd) return false;
    ppdMarkDefaults(ppd);
    benchmark::DoNotOptimize(ppdConflicts(ppd));
    ppdClose(ppd);
    return true;
  });
}

void BM_CompileReferenceModel(benchmark::State& state) {
  const std::string& text = bench_support::ReferenceModelText();
  if (text.empty()) return state.SkipWithError("models/reference.mdf not found");
  double per_kb = MeasurePerKb(state, text.size(), [&] {
    ModelImage* image = MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!image) return false;
    benchmark::DoNotOptimize(MdfImageBytes(image));
    MdfFreeImage(image);
    return true;
  });
  if (per_kb > 0 && g_cups_us_per_kb > 0) state.counters["vs_cups"] = g_cups_us_per_kb / per_kb;
}

}  // namespace

BENCHMARK(BM_CupsOpenPpd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileReferenceModel)->Unit(benchmark::kMicrosecond);
