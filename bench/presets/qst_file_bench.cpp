// A settings file of a printer of the reference model, four ways:
//   PlainSave    QstSaveSettings with flags 0 (the driver-name section,
//                velmdev.txt, two splices)
//   PlainLoad    QstLoadSettings with flags 0 (the header test, every plain
//                item, the steps after a plain load and the merge)
//   BareLoad     the fast ini engine alone: read the file, find the section,
//                read each key of it in order
//   BareSplice   the fast ini engine alone: splice the same section text
// The driver's counters give the keys per pass.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_printer.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/ini_fast.h"
#include "velm/library.h"
#include "velm/paths.h"
#include "velm/qst.h"
#include "velm/save_stack.h"

namespace {

constexpr const char16_t* kFile = u"C:\\Users\\user\\bench.qst";
constexpr const char16_t* kSection = u"VELM Driver";

struct Setup {
  HANDLE printer = nullptr;
  DriverContext* ctx = nullptr;
  std::string section_text;        // the saved section, header line included
  std::vector<std::u16string> keys;
};

// A machine of its own with one printer of the reference model, a context
// of kind 0, and the settings file saved once.
const Setup& Get() {
  static Setup s = [] {
    Setup r;
    r.printer = bench_support::OpenReferencePrinter("qst");
    if (!r.printer) return r;
    CommonProcessAttach(nullptr);
    PathCreateDataDir();
    r.ctx = CtxOpenKind(r.printer, r.printer, 0, kOpenEntryPoint);
    if (!r.ctx || !QstSaveSettings(r.printer, kFile, 0, r.ctx)) {
      r.ctx = nullptr;
      return r;
    }
    // The section as the save wrote it, and its keys in order.
    char* image = IniFastLoadFile(kFile);
    const char* start = image;
    uint32_t length = 0;
    std::string text(image ? image : "");
    IniFastFreeFile(image);
    const char* span = IniFastFindSectionSpan("VELM Driver", text.c_str(), uint32_t(text.size()), &length);
    if (!span || !start) return r;
    r.section_text.assign(span, length);
    size_t pos = r.section_text.find('\n') + 1;
    while (pos < r.section_text.size()) {
      size_t eq = r.section_text.find('=', pos), end = r.section_text.find('\n', pos);
      if (eq < end) r.keys.push_back(plat::FromUtf8(r.section_text.substr(pos, eq - pos)));
      pos = end == std::string::npos ? r.section_text.size() : end + 1;
    }
    return r;
  }();
  return s;
}

void PlainSave(benchmark::State& state) {
  const Setup& s = Get();
  if (!s.ctx) return state.SkipWithError("no machine");
  for (auto _ : state)
    if (!QstSaveSettings(s.printer, kFile, 0, s.ctx)) return state.SkipWithError("save failed");
  state.counters["keys"] = double(s.keys.size());
}

void PlainLoad(benchmark::State& state) {
  const Setup& s = Get();
  if (!s.ctx) return state.SkipWithError("no machine");
  for (auto _ : state) {
    (void)QstLoadSettings(s.printer, kFile, 0, s.ctx);  // a refusal is checked below
    if (CtxGetFileMismatch(s.ctx)) return state.SkipWithError("refused");
  }
  state.counters["keys"] = double(s.keys.size());
}

void BareLoad(benchmark::State& state) {
  const Setup& s = Get();
  if (!s.ctx) return state.SkipWithError("no machine");
  char16_t value[600];
  for (auto _ : state) {
    char* image = IniFastLoadFile(kFile);
    char* section = IniFastFindSection(kSection, image);
    uint32_t resume = 0;
    for (const auto& k : s.keys) IniFastGetString(k.c_str(), u"", value, 600, section, &resume);
    benchmark::DoNotOptimize(value[0]);
    IniFastFreeFile(image);
  }
  state.counters["keys"] = double(s.keys.size());
}

void BareSplice(benchmark::State& state) {
  const Setup& s = Get();
  if (!s.ctx) return state.SkipWithError("no machine");
  for (auto _ : state)
    if (!IniFastReplaceSection(kFile, kSection, s.section_text.data(), uint32_t(s.section_text.size())))
      return state.SkipWithError("splice failed");
  state.counters["keys"] = double(s.keys.size());
}

}  // namespace

BENCHMARK(PlainSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareSplice)->Unit(benchmark::kMicrosecond);
