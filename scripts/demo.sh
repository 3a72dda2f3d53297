#!/usr/bin/env bash
# Builds the system and runs the demo: the whole setting catalogue, then one
# setting with its option list. The build has a folder of its own
# (build-demo), so a build/ made with any generator stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f build-demo/CMakeCache.txt ] && generator=(-G Ninja)
cmake -S . -B build-demo "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_BENCH=OFF >/dev/null
cmake --build build-demo -j "$(nproc)" --target velm
./build-demo/bin/velm settings
./build-demo/bin/velm settings vdmDuplexType
