// Mapping Windows paths onto a machine folder of many files: each look-up
// names an existing file in other case than it was created in, as callers
// that spell preset names their own way do.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

// Look-ups of the names `name(i)` makes in a folder of range(0) files.
template <typename Name>
void MapPathsIn(benchmark::State& state, Name name) {
  const int files = int(state.range(0));
  char tmpl[] = "/tmp/velm-path-bench-XXXXXX";
  const std::string root = mkdtemp(tmpl);
  std::filesystem::create_directories(root + "/c/Presets");
  for (int i = 0; i < files; ++i) std::ofstream(root + "/c/Presets/Preset " + std::to_string(i) + ".ini");
  plat::SetMachineRoot(root);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(plat::MapPath(name(i)));
    i = (i + 1) % files;
  }
  std::filesystem::remove_all(root);
  state.SetComplexityN(files);
}

// Names spelled in another case than the files have.
void BM_MapPathOtherCase(benchmark::State& state) {
  MapPathsIn(state, [](int i) { return u"C:\\PRESETS\\preset " + plat::FromUtf8(std::to_string(i)) + u".INI"; });
}
BENCHMARK(BM_MapPathOtherCase)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();

// Names that are not there, as the ini files a driver asks for before any
// was written: answered by the folder's index, never by reading the folder.
void BM_MapPathMissingName(benchmark::State& state) {
  MapPathsIn(state, [](int i) { return u"C:\\Presets\\missing " + plat::FromUtf8(std::to_string(i)) + u".ini"; });
}
BENCHMARK(BM_MapPathMissingName)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();

}  // namespace
