#!/usr/bin/env bash
# Builds the system and runs the demo, the main job of a printer driver: a
# machine folder with one printer of the reference model, a sample PDF
# printed on it in raster mode through the graphics driver, and the job
# stream it wrote, block by block in short, and a picture of each printed
# page drawn from the job (build-demo/preview/page-N.png). The build has a folder of its
# own (build-demo), so a build/ made with any generator stays as it is; the
# machine is a temporary folder, removed at the end. What the build needs is
# installed first with apt-get (scripts/install-deps.sh).
#
# For its own test: VELM_DEMO_VELM names a velm already built (nothing is
# installed or built) and VELM_DEMO_PREVIEW the folder of the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${VELM_DEMO_VELM:-}" ]; then
  velm=$VELM_DEMO_VELM
else
  bash scripts/install-deps.sh
  generator=()
  command -v ninja >/dev/null 2>&1 && [ ! -f build-demo/CMakeCache.txt ] && generator=(-G Ninja)
  cmake -S . -B build-demo "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELM_BENCH=OFF >/dev/null
  cmake --build build-demo -j "$(nproc)" --target velm
  velm=./build-demo/bin/velm
fi
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
export VELM_MACHINE="$demo/machine"
run() { echo "\$ velm $*"; "$velm" "$@"; echo; }
run machine init "$VELM_MACHINE"
run printer add Office --model models/reference.mdf
# Raster mode and the colour of the job are settings of its DEVMODE: here
# raster in one bit.
echo "\$ velm devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o raster.dm"
"$velm" devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o "$demo/raster.dm" >/dev/null
echo
run print Office samples/sample.pdf --devmode "$demo/raster.dm"
run job dump --summary "$VELM_MACHINE/c/Windows/System32/spool/PRINTERS/00001.SPL"
# A preview of what the printer would print: each page of the job drawn
# from its display list, at 150 dots per inch, page N into page-N.png.
job="$VELM_MACHINE/c/Windows/System32/spool/PRINTERS/00001.SPL"
preview=${VELM_DEMO_PREVIEW:-build-demo/preview}
mkdir -p "$preview"
rm -f "$preview"/page-*.png
echo "\$ velm job render 00001.SPL --page all --dpi 150 -o $preview/page.png"
"$velm" job render "$job" --page all --dpi 150 -o "$preview/page.png"
pages=$(ls "$preview"/page-*.png | wc -l)
echo
echo "Preview of the $pages printed page(s): $(pwd)/$preview/page-1.png to page-$pages.png"
