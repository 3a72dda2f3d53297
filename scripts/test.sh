#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test, each build
# in a folder of its own (build-ci, build-tsan, build-asan), with warnings as
# errors:
#   1. a normal build (gcc) and the whole suite;
#   2. a ThreadSanitizer build (clang) of the test programs that exercise
#      threads and processes (tsan_programs below), run whole;
#   3. an AddressSanitizer + UndefinedBehaviorSanitizer build (clang) that runs
#      the whole suite again and each fuzz target for VELM_FUZZ_SECONDS
#      seconds (default: 5 a processor, at most 20).
# CTest runs the test cases side by side (VELM_JOBS, default: the number of
# processors). Needs root (for apt-get) on Debian 12 with its clang 14.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

processors=$(nproc)
jobs=${VELM_JOBS:-$processors}
# The fuzz targets run side by side with the other tests: their seconds
# follow the processors, so that two processors do not wait 14 x 20 s / 2.
default_fuzz=$((processors * 5))
[ "$default_fuzz" -gt 20 ] && default_fuzz=20
fuzz_seconds=${VELM_FUZZ_SECONDS:-$default_fuzz}
# The test programs with threads or processes of their own (locks, the
# machine-wide mutex, concurrent saves, the profile and spooler stores):
# only they gain from ThreadSanitizer; the others run in the other builds.
tsan_programs=(platform_tests common_tests ui2k_tests)
start=$SECONDS
stage() { echo "== $1 ($((SECONDS - start)) s so far)"; }

stage "normal build (gcc, warnings are errors)"
CC=gcc CXX=g++ cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_WERROR=ON >/dev/null
cmake --build build-ci -j "$jobs"
ctest --test-dir build-ci --output-on-failure -j "$jobs"

stage "thread sanitizer build (clang: ${tsan_programs[*]})"
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELM_TSAN=ON -DVELM_WERROR=ON -DVELM_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target "${tsan_programs[@]}"
tsan_pattern="^($(IFS='|'; echo "${tsan_programs[*]}"))\\."
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L gtest -R "$tsan_pattern"

stage "address and undefined-behaviour sanitizer build (clang, fuzz targets ${fuzz_seconds} s each)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELM_SANITIZE=ON -DVELM_FUZZ=ON -DVELM_WERROR=ON -DVELM_BENCH=OFF \
  -DVELM_FUZZ_SECONDS="$fuzz_seconds" >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs"

stage "done"
