#!/usr/bin/env bash
# Builds the system and runs the demo: the whole setting catalogue, then one
# setting with its option list.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target velm
./build/bin/velm settings
./build/bin/velm settings vdmDuplexType
