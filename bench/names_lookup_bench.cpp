// Look-ups of the hot paths: a setting by id (every dialog refresh and rule
// evaluation), a setting by symbol key, an option by keyword (model reading).
#include <benchmark/benchmark.h>

#include <vector>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

struct Fixture {
  Fixture() {
    ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
    ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
    for (int i = 0; i < ctx->settings->count; ++i) {
      ids.push_back(ctx->settings->rows[i].id);
      if (ctx->settings->rows[i].symbolKey) keys.push_back(ctx->settings->rows[i].symbolKey);
    }
    const UiSymbolTable& sym = MdfGetSymbolTable();
    for (int i = 0; i < sym.count; ++i) keys.push_back(sym.rows[i].key);
    const OptionNameTable& opt = MdfGetOptionNameTable();
    for (int i = 0; i < opt.count; ++i) keywords.push_back(opt.rows[i].keyword);
  }
  ~Fixture() { CtxCloseAs(ctx, kCloseDestroy); }
  DriverContext* ctx;
  std::vector<uint32_t> ids;
  std::vector<int32_t> keys;
  std::vector<const char*> keywords;
};

Fixture& F() {
  static Fixture f;
  return f;
}

void BM_OptGetValueById_AllIds(benchmark::State& state) {
  Fixture& f = F();
  for (auto _ : state) {
    int64_t sum = 0;
    for (uint32_t id : f.ids) sum += OptGetValueById(f.ctx, id);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(f.ids.size()));
}
BENCHMARK(BM_OptGetValueById_AllIds);

void BM_OptFindSettingByKey_AllKeys(benchmark::State& state) {
  Fixture& f = F();
  for (auto _ : state) {
    for (int32_t key : f.keys) benchmark::DoNotOptimize(OptFindSettingByKey(f.ctx, key));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(f.keys.size()));
}
BENCHMARK(BM_OptFindSettingByKey_AllKeys);

void BM_MdfFindOptionByName_AllKeywords(benchmark::State& state) {
  Fixture& f = F();
  for (auto _ : state) {
    for (const char* k : f.keywords) benchmark::DoNotOptimize(MdfFindOptionByName(k));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(f.keywords.size()));
}
BENCHMARK(BM_MdfFindOptionByName_AllKeywords);

}  // namespace
