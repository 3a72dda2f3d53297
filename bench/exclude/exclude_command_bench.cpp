// The command interface on a printer of the reference model, side by side
// in one run: ExcSetCommandBase of a full base, ExcUpdateCommand of one line
// (the base loaded again between rounds, outside the timing), and the rule
// evaluation alone (the normalisation and every Transact list) on the same
// settings.
#include <benchmark/benchmark.h>

#include "bench_printer.h"
#include "exc_handle.h"
#include "velm/library.h"
#include "velm/selectable.h"
#include "velmpd4.h"

namespace {

const char kBase[] =
    "@PJL SET TRAY = TRAY1 \r\n@PJL SET DUPLEX = ON \r\n@PJL SET STAPLE = OFF \r\n@PJL SET PUNCH = OFF \r\n"
    "@PJL SET COLLATE = ON \r\n@PJL SET APLPAGESIZE = A4 \r\n@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
    "@PJL SET PAPER = A4 \r\n@PJL SET COPIES = 1 \r\n@PJL SET BINDING = LEFT \r\n@PJL SET NUP = OFF \r\n"
    "@PJL SET FORCEFEED = ALL \r\n";
// Two updates taken in turn, so that each one changes the handle's base.
const char* const kLines[] = {"@PJL SET APLPAGESIZE = A6 \r\n", "@PJL SET APLPAGESIZE = A4 \r\n"};

ExcHandle* Handle() {
  static ExcHandle* h = [] {
    if (!bench_support::OpenReferencePrinter("exclude")) return static_cast<ExcHandle*>(nullptr);
    CommonProcessAttach(nullptr);
    return ExcGetExclusive("Office");
  }();
  return h;
}

void BM_SetCommandBase(benchmark::State& state) {
  ExcHandle* h = Handle();
  if (!h) return state.SkipWithError("no handle on the reference printer");
  for (auto _ : state) {
    int32_t length = 0;
    benchmark::DoNotOptimize(ExcSetCommandBase(h, kBase, &length));
  }
}
BENCHMARK(BM_SetCommandBase)->Unit(benchmark::kMicrosecond);

void BM_UpdateCommand(benchmark::State& state) {
  ExcHandle* h = Handle();
  if (!h) return state.SkipWithError("no handle on the reference printer");
  // The base is set once (a base takes some 100 ms): each turn updates it.
  int32_t length = 0;
  ExcSetCommandBase(h, kBase, &length);
  size_t turn = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ExcUpdateCommand(h, kLines[turn++ % 2], &length));
}
BENCHMARK(BM_UpdateCommand)->Unit(benchmark::kMicrosecond);

void BM_RuleEvaluationAlone(benchmark::State& state) {
  ExcHandle* h = Handle();
  if (!h) return state.SkipWithError("no handle on the reference printer");
  int32_t length = 0;
  ExcSetCommandBase(h, kBase, &length);
  for (auto _ : state) benchmark::DoNotOptimize(OptNormalizeAfterSet(h->context));
}
BENCHMARK(BM_RuleEvaluationAlone)->Unit(benchmark::kMicrosecond);

}  // namespace
