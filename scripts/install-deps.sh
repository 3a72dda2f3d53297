#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, testing and the
# demo need (as root, on Debian 12): the compilers and build tools, the test
# and benchmark libraries, cairo, MuPDF and the libraries it links, FreeType
# and HarfBuzz, and the IPA Japanese fonts. Only what is missing is
# installed; with everything there it changes nothing and asks no registry.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  pkg-config libcairo2-dev libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev
  libharfbuzz-dev libfreetype-dev libjpeg-dev zlib1g-dev fonts-ipafont-gothic fonts-ipafont-mincho)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]}; run this as root (apt-get installs them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
