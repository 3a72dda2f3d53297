// How long the reader takes for the reference model: the whole parse into a
// parse context (and its release), and the version probe alone. And how the
// parse grows with the file: runs of named Judges and the records naming
// them, one long Exclusive record, and a long file of every kind of line,
// each at two sizes ten times apart (the second should take about ten times
// as long; the fitted complexity is printed as well).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "model_bench.h"
#include "velm/mdf_records.h"

namespace {

using bench_support::ReferenceModelText;

void BM_ParseReferenceModel(benchmark::State& state) {
  const std::string& text = ReferenceModelText();
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
  const std::string& text = ReferenceModelText();
  for (auto _ : state) {
    char16_t version[15] = {};
    MdfProbeFileVersionBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size(), version);
    benchmark::DoNotOptimize(version);
  }
}
BENCHMARK(BM_ProbeFileVersion)->Unit(benchmark::kMicrosecond);

// n named Judges, each named by a Transact.
std::string Judges(int64_t n) {
  std::string text;
  for (int64_t i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    text += "*Judge " + k + "=J" + k + ": VPD_IDC_PRESET_CHOICE_COLOR == IDS_COLOR\n";
  }
  for (int64_t i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    text += "*Transact " + k + ": { J" + k + " Action1 }\n";
  }
  return text;
}

// One Exclusive record of n tokens (entries of seven, with their braces).
std::string Exclusive(int64_t tokens) {
  std::string text = "*Exclusive: {\n";
  for (int64_t i = 0; i < tokens / 9; ++i) {
    text += " { VPD_IDC_PRESET_CHOICE_COLOR Judge1 Judge2 Item1 Alert1 Transact1 Transact2 }\n";
  }
  return text + "}\n";
}

// About n lines of every kind: features opened again with variants, option
// lines, areas, command strings and rules.
std::string Lines(int64_t n) {
  std::string text;
  for (int64_t i = 1; i <= n / 10; ++i) {
    std::string k = std::to_string(i % 65535 + 1);
    text += "*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE " + k + ": PickPage\n"
            "*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: \"A4\"\n"
            "*PageValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT \"1 2 3 4\"\n"
            "*OptionCommand: {\"c\" \"d\"}\n"
            "*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE\n"
            "*CommandString " + k + ": \"text\"\n"
            "*Judge " + k + ": VPD_IDC_PRESET_CHOICE_COLOR == IDS_COLOR\n"
            "*Item " + k + ": { IDS_COLOR Judge" + k + " NULL }\n"
            "*Action " + k + ": { VPD_IDC_PRESET_CHOICE_PAPERSIZE Default }\n"
            "*Exclusive: { { VPD_IDC_PRESET_CHOICE_PAPERSIZE Judge" + k + " NULL Item" + k + " NULL Transact1 NULL } }\n";
  }
  return text;
}

void Parse(benchmark::State& state, std::string (*make)(int64_t)) {
  const std::string text = make(state.range(0));
  for (auto _ : state) {
    ModelParseContext* ctx = MdfParseBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!ctx) {
      state.SkipWithError("the generated model did not parse");
      return;
    }
    MdfFreeParseContext(ctx);
  }
  state.SetComplexityN(state.range(0));
}

void BM_ParseJudges(benchmark::State& state) { Parse(state, Judges); }
BENCHMARK(BM_ParseJudges)->Arg(8000)->Arg(80000)->Complexity()->Unit(benchmark::kMillisecond);

void BM_ParseExclusiveTokens(benchmark::State& state) { Parse(state, Exclusive); }
BENCHMARK(BM_ParseExclusiveTokens)->Arg(200000)->Arg(2000000)->Complexity()->Unit(benchmark::kMillisecond);

void BM_ParseLines(benchmark::State& state) { Parse(state, Lines); }
BENCHMARK(BM_ParseLines)->Arg(25000)->Arg(250000)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace
