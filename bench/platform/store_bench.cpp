// The spooler's typed store with many printers: parsing the catalogue and
// looking every printer's key up, as `velm printer list` does.
#include <benchmark/benchmark.h>

#include <string>

#include "plat/wstr.h"
#include "typedstore.h"

namespace {

using plat::detail::TypedStore;

std::string Catalogue(int printers) {
  TypedStore s;
  for (int i = 0; i < printers; ++i) {
    std::u16string key = u"Printers\\Printer " + plat::FromUtf8(std::to_string(i));
    s.CreateKey(key)->values.push_back({u"Driver", 1, {'V', 0, 0, 0}});
  }
  return s.Serialize();
}

void BM_ParseAndFindEveryPrinter(benchmark::State& state) {
  const int printers = int(state.range(0));
  const std::string text = Catalogue(printers);
  for (auto _ : state) {
    TypedStore s = TypedStore::Parse(text);
    for (int i = 0; i < printers; ++i)
      benchmark::DoNotOptimize(s.FindKey(u"PRINTERS\\printer " + plat::FromUtf8(std::to_string(i))));
  }
  state.SetComplexityN(printers);
}
BENCHMARK(BM_ParseAndFindEveryPrinter)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
