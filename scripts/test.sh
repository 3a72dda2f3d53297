#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test: a normal
# build; the tests that run threads under ThreadSanitizer; and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (clang) that also runs the
# fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev pkg-config libcairo2-dev libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev libharfbuzz-dev libfreetype-dev libjpeg-dev zlib1g-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== thread sanitizer build (the tests that run threads)"
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELM_TSAN=ON -DVELM_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target common_tests platform_tests
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/bin/common_tests --gtest_filter='*Thread*'
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/bin/platform_tests --gtest_filter='*Thread*:*CriticalSection*:*Mutex*'

echo "== sanitizer build (ASan + UBSan, fuzz targets)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELM_SANITIZE=ON -DVELM_FUZZ=ON -DVELM_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs"
