#!/bin/bash
# velm drv: a printer through the query library's VELMDrv exports: the
# DEVMODE of each mode into a file, every capability answer and one by id.
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" >/dev/null

for mode in 1 17 2 18 4; do
  "$velm" drv Office devmode $mode -o "$work/dm$mode.bin" >"$work/out.txt"
  check "devmode $mode" $?
  [ "$(stat -c %s "$work/dm$mode.bin")" = 1260 ] && grep -q "^devmode mode $mode: 1260 bytes$" "$work/out.txt"
  check "devmode $mode is 1260 bytes" $?
done
"$velm" drv Office devmode 3 -o "$work/dm3.bin" 2>/dev/null
[ $? -eq 1 ] && [ ! -e "$work/dm3.bin" ]
check "mode 3 is refused and writes nothing" $?
"$velm" drv Office devmode 1 2>/dev/null
[ $? -eq 2 ]
check "devmode without -o FILE is a usage error" $?

out=$("$velm" drv Office caps)
check "caps" $?
[ "$(printf '%s\n' "$out" | grep -c '^caps [0-9]*: ')" = 56 ]
check "56 answers" $?
printf '%s\n' "$out" | grep -q '^caps 1: 1$' && printf '%s\n' "$out" | grep -q '^caps 24: 1$'
check "ids 1 and 24 answer 1" $?
printf '%s\n' "$out" | grep -q '^caps 32: 1 \[256\]$'
check "no stored watermark entries: only 256" $?
printf '%s\n' "$out" | grep -q '^caps 6: [0-9]* \[0'
check "output trays start with 0" $?

[ "$("$velm" drv Office caps 17)" = "$(printf '%s\n' "$out" | grep '^caps 17: ')" ]
check "one id answers as in the full run" $?
[ "$("$velm" drv Office caps 0)" = "caps 0: 32 ff ff ff ff e0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" ]
check "the supported-items mask: items 1-35" $?
[ "$("$velm" drv Office caps 57)" = "caps 57: 0" ]
check "an unknown id answers 0" $?

"$velm" drv Nowhere caps 2>/dev/null
[ $? -eq 1 ]
check "an unknown printer fails" $?
"$velm" drv Office frobnicate 2>/dev/null
[ $? -eq 2 ]
check "an unknown operation is a usage error" $?

exit $fail
