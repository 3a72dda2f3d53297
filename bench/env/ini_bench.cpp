// Load and save time of a ~900-key settings section (fast ini engine), in a
// temporary machine folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "plat/files.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "velm/ini_fast.h"

namespace {

constexpr int kKeys = 900;
constexpr const char16_t* kFile = u"C:\\Bench\\settings.qst";

std::vector<std::u16string> KeyNames() {
  std::vector<std::u16string> keys;
  for (int i = 0; i < kKeys; ++i) keys.push_back(plat::FromUtf8("vdmSettingItem" + std::to_string(i)));
  return keys;
}

// Saves the section once; answers whether it worked.
bool Save(const std::vector<std::u16string>& keys, std::vector<char>& buffer) {
  uint32_t offset = 0;
  IniFastPutSection(&offset, u"Office Printer", buffer.data());
  for (size_t i = 0; i < keys.size(); ++i)
    IniFastPutKey(&offset, keys[i].c_str(), plat::FromUtf8(std::to_string(i * 13)).c_str(), buffer.data());
  return IniFastReplaceSection(kFile, u"Office Printer", buffer.data(), offset) == 1;
}

void Prepare() {
  static bool done = [] {
    static std::string root;
    char tmpl[] = "/tmp/velm-bench-XXXXXX";
    unsetenv("VELM_MACHINE");
    root = mkdtemp(tmpl);
    plat::SetMachineRoot(root);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    if (!plat::EnsureWindowsDir(u"C:\\Bench")) return false;
    std::vector<char> buffer(kIniFastSectionBufferSize);
    return Save(KeyNames(), buffer);
  }();
  if (!done) std::abort();
}

void BM_LoadSection(benchmark::State& state) {
  Prepare();
  std::vector<std::u16string> keys = KeyNames();
  char16_t value[64];
  for (auto _ : state) {
    char* image = IniFastLoadFile(kFile);
    char* section = IniFastFindSection(u"Office Printer", image);
    uint32_t resume = 0;
    for (const auto& k : keys) IniFastGetString(k.c_str(), u"", value, 64, section, &resume);
    benchmark::DoNotOptimize(value[0]);
    IniFastFreeFile(image);
  }
  state.counters["keys"] = kKeys;
}
BENCHMARK(BM_LoadSection)->Unit(benchmark::kMicrosecond);

void BM_SaveSection(benchmark::State& state) {
  Prepare();
  std::vector<std::u16string> keys = KeyNames();
  std::vector<char> buffer(kIniFastSectionBufferSize);
  for (auto _ : state) {
    if (!Save(keys, buffer)) state.SkipWithError("save failed");
  }
  state.counters["keys"] = kKeys;
}
BENCHMARK(BM_SaveSection)->Unit(benchmark::kMicrosecond);

}  // namespace
