// The spooler's typed store with many printers: parsing the catalogue and
// looking every printer's key up, as `velm printer list` does.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "plat/wstr.h"
#include "typedstore.h"

namespace {

using plat::detail::TypedStore;

std::string Catalogue(int printers) {
  TypedStore s;
  for (int i = 0; i < printers; ++i) {
    std::u16string key = u"Printers\\Printer " + plat::FromUtf8(std::to_string(i));
    TypedStore::PutValue(s.CreateKey(key), {u"Driver", 1, {'V', 0, 0, 0}});
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

// A printer's data as the driver keeps it (about a thousand values under
// one key), every value read by name as a context's set-up does.
void BM_FindEveryValueOfAPrinter(benchmark::State& state) {
  const int count = int(state.range(0));
  TypedStore s;
  plat::detail::StoreKey* k = s.CreateKey(u"Printers\\Office\\PrinterDriverData");
  std::vector<std::u16string> names;
  for (int i = 0; i < count; ++i) {
    TypedStore::PutValue(k, {u"Setting" + plat::FromUtf8(std::to_string(i)), 4, {1, 0, 0, 0}});
    names.push_back(u"SETTING" + plat::FromUtf8(std::to_string(i)));
  }
  for (auto _ : state)
    for (const std::u16string& name : names) benchmark::DoNotOptimize(TypedStore::FindValue(k, name));
  state.SetItemsProcessed(int64_t(state.iterations()) * count);
  state.SetComplexityN(count);
}
BENCHMARK(BM_FindEveryValueOfAPrinter)->Arg(100)->Arg(1000)->Arg(10000)->Complexity();

// A printer's data file of that many values read back, as every write of
// one setting does under the file's lock before it changes the value.
void BM_ParsePrinterData(benchmark::State& state) {
  const int count = int(state.range(0));
  TypedStore s;
  plat::detail::StoreKey* k = s.CreateKey(u"Printers\\Office\\PrinterDriverData");
  for (int i = 0; i < count; ++i)
    TypedStore::PutValue(k, {u"Setting" + plat::FromUtf8(std::to_string(i)), 3, std::vector<uint8_t>(8, uint8_t(i))});
  const std::string text = s.Serialize();
  for (auto _ : state) benchmark::DoNotOptimize(TypedStore::Parse(text));
  state.SetItemsProcessed(int64_t(state.iterations()) * count);
}
BENCHMARK(BM_ParsePrinterData)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
