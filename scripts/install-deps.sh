#!/usr/bin/env bash
# Installs with apt-get (Debian 12) the packages the build, the tests and
# the demo need, those that are missing; with all of them there it does
# nothing. apt-get needs root: without it the missing packages are named and
# the script fails.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev pkg-config libcairo2-dev libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev libharfbuzz-dev libfreetype-dev libjpeg-dev zlib1g-dev fonts-ipafont-gothic fonts-ipafont-mincho)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
