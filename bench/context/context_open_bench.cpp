// What a context open costs, by where it finds what it needs:
//   ListedImage   a new context whose model image is in the process-wide
//                 list (table copies, buffers, model defaults, destroy)
//   CacheFile     the same with an empty list, so the image is read from
//                 the model cache file and validated first
//   ContextCache  an open that takes back the context the previous close
//                 released to the context cache (and that close)
// ContextCache reports "cheaper": how many times cheaper a hit is than a
// new context over a listed image.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_printer.h"
#include "velm/context.h"
#include "velm/library.h"
#include "velm/model_cache.h"

namespace {

// A machine of its own with one printer of the reference model; its cache
// file is written by the first open.
HANDLE Printer() {
  static HANDLE printer = [] () -> HANDLE {
    HANDLE h = bench_support::OpenReferencePrinter("context");
    if (!h) return nullptr;
    CommonProcessAttach(nullptr);
    DriverContext* first = CtxOpenKind(h, h, 0, kOpenEntryPoint);  // compiles and writes the cache
    if (!first) return nullptr;
    CtxCloseAs(first, kCloseDestroy);
    return h;
  }();
  return printer;
}

double g_new_context_ns = 0;

void ListedImage(benchmark::State& state) {
  HANDLE h = Printer();
  if (!h) return state.SkipWithError("no machine");
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    DriverContext* c = CtxOpenKind(h, h, 0x300, kOpenEntryPoint);  // never from the context cache
    if (!c) return state.SkipWithError("open failed");
    CtxCloseAs(c, kCloseDestroy);
  }
  g_new_context_ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / state.iterations();
}
BENCHMARK(ListedImage);

void CacheFile(benchmark::State& state) {
  HANDLE h = Printer();
  if (!h) return state.SkipWithError("no machine");
  for (auto _ : state) {
    MdfFreeModelList();  // as in a new process: the image comes from the cache file
    DriverContext* c = CtxOpenKind(h, h, 0x300, kOpenEntryPoint);
    if (!c) return state.SkipWithError("open failed");
    CtxCloseAs(c, kCloseDestroy);
  }
}
BENCHMARK(CacheFile);

void ContextCache(benchmark::State& state) {
  HANDLE h = Printer();
  if (!h) return state.SkipWithError("no machine");
  DriverContext* c = CtxOpenKind(h, h, 0, kOpenEntryPoint);
  if (!c) return state.SkipWithError("open failed");
  CtxClose(c);
  DriverContext* expected = c;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    c = CtxOpenKind(h, h, 0, kOpenEntryPoint);
    if (c != expected) return state.SkipWithError("not taken from the context cache");
    CtxClose(c);
  }
  double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / state.iterations();
  if (g_new_context_ns > 0) state.counters["cheaper"] = g_new_context_ns / ns;
  CtxSweepCache(1);
}
BENCHMARK(ContextCache);

}  // namespace
