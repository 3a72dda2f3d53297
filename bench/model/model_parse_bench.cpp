// How long the reader takes for the reference model: the whole parse into a
// parse context (and its release), and the version probe alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "velm/mdf_records.h"

namespace {

const std::string& ReferenceModel() {
  static const std::string text = [] {
    const char* path = std::getenv("VELM_REFERENCE_MODEL");
    std::ifstream in(path && *path ? path : VELM_REFERENCE_MODEL, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }();
  return text;
}

void BM_ParseReferenceModel(benchmark::State& state) {
  const std::string& text = ReferenceModel();
  if (text.empty()) {
    state.SkipWithError("models/reference.mdf not found");
    return;
  }
  for (auto _ : state) {
    ModelParseContext* ctx = MdfParseBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!ctx) {
      state.SkipWithError("the reference model did not parse");
      return;
    }
    benchmark::DoNotOptimize(ctx->header->features);
    MdfFreeParseContext(ctx);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseReferenceModel)->Unit(benchmark::kMicrosecond);

void BM_ProbeFileVersion(benchmark::State& state) {
  const std::string& text = ReferenceModel();
  for (auto _ : state) {
    char16_t version[15] = {};
    MdfProbeFileVersionBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size(), version);
    benchmark::DoNotOptimize(version);
  }
}
BENCHMARK(BM_ProbeFileVersion)->Unit(benchmark::kMicrosecond);

}  // namespace
