#!/bin/bash
# velm exc: a printer's settings through the query library's exports, with
# the constraint scenario on the reference model: a base for A4 portrait from
# tray 1 with duplex on, then an update to A6 (a paper that cannot be printed
# on both sides) forces exactly the duplex line off, and the rebuilt base
# keeps the caller's order.
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" >/dev/null

printf '@PJL SET TRAY = TRAY1 \r\n@PJL SET DUPLEX = ON \r\n@PJL SET APLPAGESIZE = A4 \r\n@PJL SET UNKNOWNNAME = 1 \r\n@PJL SET APLPAGELAYOUT = PORTRAIT \r\n@PJL SET PAPER = A4 \r\n' >"$work/base.txt"

out=$("$velm" exc Office base "$work/base.txt" update "@PJL SET APLPAGESIZE = A6" 2>&1)
rc=$?
check "scenario runs" $rc
expected='base result 0
base: @PJL SET TRAY = TRAY1
base: @PJL SET DUPLEX = ON
base: @PJL SET APLPAGESIZE = A4
base: @PJL SET APLPAGELAYOUT = PORTRAIT
base: @PJL SET PAPER = A4
update result 1
change: @PJL SET DUPLEX = OFF
base: @PJL SET TRAY = TRAY1
base: @PJL SET DUPLEX = OFF
base: @PJL SET APLPAGESIZE = A6
base: @PJL SET APLPAGELAYOUT = PORTRAIT
base: @PJL SET PAPER = A4'
[ "$(printf '%s\n' "$out" | sed 's/ *$//')" = "$expected" ]
check "A6 forces duplex off, the base keeps the caller's order and drops unknown names" $?
[ "$(printf '%s\n' "$out" | sed 's/ *$//')" = "$expected" ] || printf '%s\n' "$out"

# An update the rules accept forces nothing.
out=$("$velm" exc Office base "$work/base.txt" update "@PJL SET APLPAGESIZE = A5" 2>&1)
printf '%s\n' "$out" | grep -q '^update result 0$' && ! printf '%s\n' "$out" | grep -q '^change:'
check "A5 keeps duplex on" $?

# A base without PAPER is incomplete (-2) and leaves no base.
grep -v PAPER "$work/base.txt" | grep -v APLPAGESIZE >"$work/partial.txt"
out=$("$velm" exc Office base "$work/partial.txt" 2>&1)
rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$out" | grep -q '^base result -2$' && ! printf '%s\n' "$out" | grep -q '^base:'
check "incomplete base gives -2 and no base" $?

# Value lists: all values, and only those allowed now.
"$velm" exc Office base "$work/base.txt" values DUPLEX values DUPLEX --allowed >"$work/all.txt"
check "values" $?
[ "$(grep -v "^base" "$work/all.txt")" = "$(printf 'ON\nOFF\nON\nOFF')" ]
check "DUPLEX values" $?

# After A6, printing on both sides would force a change: only OFF is allowed.
out=$("$velm" exc Office base "$work/base.txt" update "@PJL SET APLPAGESIZE = A6" values DUPLEX --allowed 2>&1)
[ "$(printf '%s\n' "$out" | grep -v '^base\|^update\|^change')" = OFF ]
check "allowed values follow the rules" $?

# The default DEVMODE: 1196 bytes, dmSize 156 (bytes 36-37), the name at the start.
"$velm" exc Office devmode -o "$work/dm.bin" >/dev/null
check "devmode" $?
[ "$(stat -c %s "$work/dm.bin")" = 1196 ] && [ "$(head -c 6 "$work/dm.bin")" = Office ] &&
  [ "$(od -An -tu2 -j36 -N2 "$work/dm.bin" | tr -d ' ')" = 156 ]
check "devmode layout" $?
# devmode show reads the ANSI DEVMODE: its names converted from code page
# 932, every other field at its place, the private part read as the driver's.
"$velm" printer add 事務所 --model "$src/tests/data/models/small.mdf" --driver-name "VELM Small" >/dev/null
"$velm" exc 事務所 devmode -o "$work/dm.ja" >/dev/null
shown=$("$velm" devmode show "$work/dm.ja")
check "devmode show reads the ANSI DEVMODE" $?
printf '%s\n' "$shown" | head -1 | grep -q '^ANSI DEVMODE (dmSize 156)'; check "and says it is ANSI" $?
printf '%s\n' "$shown" | grep -qP '^  1\s+dmDeviceName\s+"事務所"$'; check "the device name converted" $?
printf '%s\n' "$shown" | grep -qP '^  8\s+dmPaperSize\s+'"$(od -An -tu2 -j46 -N2 "$work/dm.ja" | tr -d ' ')"' '
check "a field after the name at its place" $?
printf '%s\n' "$shown" | grep -qP '^  20\s+dmFormName\s+"'"$(dd if="$work/dm.ja" bs=1 skip=70 count=32 status=none | tr -d '\0')"'"$'
check "the form name converted" $?
printf '%s\n' "$shown" | grep -q 'signature VELM, .*, compatible'; check "the private part read as the driver's" $?

# No such printer; bad usage.
"$velm" exc Nobody values DUPLEX >/dev/null 2>&1
[ $? -eq 1 ]
check "unknown printer fails" $?
"$velm" exc Office devmode >/dev/null 2>&1
[ $? -eq 2 ]
check "usage" $?

exit $fail
