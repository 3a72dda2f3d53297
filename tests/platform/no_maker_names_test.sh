#!/bin/sh
# The platform layer is the machine's own: it names no module of the
# printer's maker (orv... modules, the spool-side VELMOUT module). The hosts
# that make machines pass those in. Checks the layer's sources and the built
# library.
# usage: no_maker_names_test.sh PLATFORM_SOURCE_DIR LIBVELMPLAT
set -u
sources=$1
library=$2
pattern='(^|[^a-z])orv|velmout'
found=0
if grep -rniE "$pattern" "$sources"; then
  echo "FAIL: the platform sources above name a maker's module" >&2
  found=1
fi
if LC_ALL=C grep -qaiE "$pattern" "$library"; then
  LC_ALL=C grep -aoiE "[A-Za-z0-9_.]*($pattern)[A-Za-z0-9_.]*" "$library" | sort -u >&2
  echo "FAIL: $library names a maker's module" >&2
  found=1
fi
[ -d "$sources" ] && [ -f "$library" ] || { echo "FAIL: no $sources or $library" >&2; exit 1; }
[ $found -eq 0 ] && echo "ok: no maker module named in $sources or $library"
exit $found
