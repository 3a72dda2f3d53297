#!/usr/bin/env bash
# velm print beside Ghostscript on two documents: a 36-page A4 text manual
# (make_test_pdf --manual 36) and a 20-page A4 PDF of text, vector drawing
# and images (make_test_pdf --kinds 20), at 600 dpi in one bit, printed with
# "velm print" in vector mode and in raster mode, and written by
# Ghostscript with its pxlmono (vector) and ljet4 (raster) devices. Reports
# the seconds per page and the bytes per page of each, and how many times
# Ghostscript's seconds velm print takes in each mode, from one run.
#
#   bash bench/print/ghostscript.sh [BUILD]     (BUILD: the build folder, default build)
#
# Ghostscript comes from Debian's ghostscript package, installed here with
# apt-get when gs is missing (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
velm=$build/bin/velm
make_pdf=$build/bin/make_test_pdf
for tool in "$velm" "$make_pdf"; do
  if [ ! -x "$tool" ]; then
    echo "ghostscript.sh: $tool is missing; build first (cmake --build $build --target velm make_test_pdf)" >&2
    exit 1
  fi
done
if ! command -v gs >/dev/null 2>&1; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  apt_log=$(mktemp)
  if ! { "${sudo[@]}" apt-get update -qq && DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq ghostscript; } \
    >"$apt_log" 2>&1; then
    cat "$apt_log" >&2
    rm -f "$apt_log"
    echo "ghostscript.sh: cannot install Debian's ghostscript package" >&2
    exit 1
  fi
  rm -f "$apt_log"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELM_MACHINE=$work/machine
"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model models/reference.mdf >/dev/null
# Both modes in one bit at 600 dpi, as the two Ghostscript devices print.
"$velm" devmode set Office vdmDstResolutionW=600 vdmColorProcess=1 dmColor=1 -o "$work/mono600.dm" >/dev/null

now() { date +%s.%N; }
# measure NAME OUTPUT COMMAND...: runs the command once, timed, prints the
# seconds and bytes per page of its output, and keeps its seconds in
# seconds[NAME].
declare -A seconds
measure() {
  local name=$1 out=$2
  shift 2
  local t0 t1
  t0=$(now)
  "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; echo "ghostscript.sh: $name failed" >&2; exit 1; }
  t1=$(now)
  seconds[$name]=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  awk -v n="$name" -v t="${seconds[$name]}" -v s="$(stat -c %s "$out")" -v p="$pages" \
    'BEGIN { printf "%-28s %10.3f %14.0f %12.3f\n", n, t / p, s / p, t }'
}

# document TITLE PDF PAGES: the four prints of one document and the ratios.
document() {
  local title=$1 pdf=$2
  pages=$3
  echo "$title: $pages A4 pages at 600 dpi, one bit"
  printf "%-28s %10s %14s %12s\n" "" "s/page" "bytes/page" "s in all"
  measure "velm print, vector mode" "$work/vector.job" \
    "$velm" print Office "$pdf" -o "$work/vector.job" --devmode "$work/mono600.dm" --mode vector
  measure "velm print, raster mode" "$work/raster.job" \
    "$velm" print Office "$pdf" -o "$work/raster.job" --devmode "$work/mono600.dm" --mode raster
  measure "gs pxlmono (vector)" "$work/out.pxl" \
    gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=a4 -r600 -sDEVICE=pxlmono -sOutputFile="$work/out.pxl" "$pdf"
  measure "gs ljet4 (raster)" "$work/out.pcl" \
    gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=a4 -r600 -sDEVICE=ljet4 -sOutputFile="$work/out.pcl" "$pdf"
  awk -v v="${seconds[velm print, vector mode]}" -v r="${seconds[velm print, raster mode]}" \
    -v pv="${seconds[gs pxlmono (vector)]}" -v pr="${seconds[gs ljet4 (raster)]}" \
    'BEGIN { printf "velm print / Ghostscript: vector %.2f times pxlmono, raster %.2f times ljet4\n\n", v / pv, r / pr }'
}

echo "$(gs --version | sed 's/^/Ghostscript /')"
"$make_pdf" "$work/manual36.pdf" --manual 36
document "Text manual (make_test_pdf --manual 36)" "$work/manual36.pdf" 36
"$make_pdf" "$work/kinds20.pdf" --kinds 20
document "Mixed document (make_test_pdf --kinds 20)" "$work/kinds20.pdf" 20
