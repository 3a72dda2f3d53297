// What the model benchmarks share: the reference model's bytes, and a timed
// loop over a step that can fail.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace bench_support {

// The reference model's path: VELM_REFERENCE_MODEL from the environment,
// else the one the build names.
inline std::string ReferenceModelPath() {
  const char* path = std::getenv("VELM_REFERENCE_MODEL");
  return path && *path ? path : VELM_REFERENCE_MODEL;
}

// The reference model's bytes, read once; empty when it cannot be read.
inline const std::string& ReferenceModelText() {
  static const std::string text = [] {
    std::ifstream in(ReferenceModelPath(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }();
  return text;
}

// Runs body once an iteration; nanoseconds an iteration, or a negative
// value after reporting that the step failed.
template <typename Body>
double NanosecondsPerIteration(benchmark::State& state, Body body) {
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!body()) {
      state.SkipWithError("the step failed");
      return -1;
    }
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  return state.iterations() ? std::chrono::duration<double, std::nano>(elapsed).count() /
                                  static_cast<double>(state.iterations())
                            : 0;
}

}  // namespace bench_support
