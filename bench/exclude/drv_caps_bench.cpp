// The capability record on a printer of the reference model, side by side
// in one run: built the way the interface builds it (every one of the 56
// queries opens and closes the printer) and the same 56 queries on a
// printer opened once, so that the cost of the per-query opens shows.
#include <benchmark/benchmark.h>

#include "bench_printer.h"
#include "drv_caps.h"
#include "drv_handle.h"
#include "velm/library.h"

namespace {

DriverContext* Handle() {
  static DriverContext* h = [] {
    if (!bench_support::OpenReferencePrinter("drv_caps")) return static_cast<DriverContext*>(nullptr);
    CommonProcessAttach(nullptr);
    return DrvEnable("Office");
  }();
  return h;
}

void BM_CapsRecordOpenPerQuery(benchmark::State& state) {
  DriverContext* h = Handle();
  if (!h) return state.SkipWithError("no handle on the reference printer");
  for (auto _ : state) {
    void* record = DrvCapsBuildRecord(h, true);
    benchmark::DoNotOptimize(record);
    DrvCapsFreeRecord(record);
  }
}
BENCHMARK(BM_CapsRecordOpenPerQuery)->Unit(benchmark::kMicrosecond);

void BM_CapsRecordOneOpen(benchmark::State& state) {
  DriverContext* h = Handle();
  if (!h) return state.SkipWithError("no handle on the reference printer");
  for (auto _ : state) {
    DrvWithPrinter(h, [](DriverContext* c) {
      void* record = DrvCapsBuildRecord(c, false);
      benchmark::DoNotOptimize(record);
      DrvCapsFreeRecord(record);
      return 0;
    });
  }
}
BENCHMARK(BM_CapsRecordOneOpen)->Unit(benchmark::kMicrosecond);

}  // namespace
