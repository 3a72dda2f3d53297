#!/usr/bin/env bash
# velm devmode request: an outside program's settings request block in an
# input DEVMODE, merged for a printer, and the capability block written back.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?
"$velm" devmode defaults Office -o "$work/office.dm" >/dev/null
check "its defaults" $?

# Request: apply; sort on with type 1, scale step 0x4005, N-up off, output A4.
cp "$work/office.dm" "$work/req.dm"
patch "$work/req.dm" 285 '\x00\x01\x00\x02\x00\x00\x00\x00\x00\x00\x05\x40\x01\x02'
out=$("$velm" devmode request Office "$work/req.dm" -o "$work/out.dm")
check "devmode request exits 0" $?
[ "$(stat -c %s "$work/out.dm")" -eq 1260 ]; check "the result holds 1260 bytes" $?
printf '%s\n' "$out" | grep -qP '^  64\s+vdmFuncSelectSort\s+1$'; check "sort on" $?
printf '%s\n' "$out" | grep -qP '^  129\s+vdmSortType\s+1 '; check "sort type 1" $?
printf '%s\n' "$out" | grep -qP '^  92\s+vdmScaleH\s+88$'; check "scale step 0x4005 is 88" $?
printf '%s\n' "$out" | grep -qP '^  93\s+vdmScaleV\s+88$'; check "the vertical scale follows" $?
printf '%s\n' "$out" | grep -qP '^  50\s+vdmOutPaperSize\s+9 '; check "output paper A4" $?
caps=$(printf '%s\n' "$out" | grep '^capability block:')
check "the capability block is printed" $?
printf '%s\n' "$caps" | grep -qP '^capability block: 00 00 .. 03 .. .. .. .. .. 00 .. 01 3F .. .. .. 00 01( 00){14}$'
check "with its fixed bytes" $?
cmp -s <(dd if="$work/out.dm" bs=1 skip=285 count=32 status=none) <(head -c 32 /dev/zero)
check "the request block of the result is cleared" $?
[ "$(dd if="$work/out.dm" bs=1 skip=320 count=1 status=none | od -An -tu1 | tr -d ' ')" -eq 3 ]
check "the capability block is in the result" $?

# A request block not marked valid changes nothing: the DEVMODE comes back
# as a plain merge makes it, with a note on standard error.
cp "$work/req.dm" "$work/invalid.dm"; patch "$work/invalid.dm" 286 '\x00'
msg=$("$velm" devmode request Office "$work/invalid.dm" -o "$work/inv.dm" 2>&1 >/dev/null); rc=$?
[ $rc -eq 0 ]; check "a request block not marked valid is no error" $?
printf '%s\n' "$msg" | grep -q 'request block is not marked valid (byte 1 is 0, not 1), so it changes nothing'
check "and the note says so" $?
"$velm" devmode merge Office "$work/invalid.dm" -o "$work/plain.dm" >/dev/null
cmp -s "$work/inv.dm" "$work/plain.dm"; check "the result is the plain merge's" $?
out=$("$velm" devmode show "$work/inv.dm")
! printf '%s\n' "$out" | grep -qP '^  64\s+vdmFuncSelectSort\s+1$'; check "the request's sort was not applied" $?
! printf '%s\n' "$out" | grep -qP '^  92\s+vdmScaleH\s+88$'; check "nor its scale" $?

# Bad input: a clear message and a non-zero exit.
cp "$work/req.dm" "$work/foreign.dm"; patch "$work/foreign.dm" 349 'xxxx'
"$velm" devmode request Office "$work/foreign.dm" 2>&1 >/dev/null | grep -q 'another model, driver version or language'
check "another model's private part is refused" $?
head -c 220 "$work/req.dm" > "$work/public.dm"; patch "$work/public.dm" 70 '\x00\x00'
"$velm" devmode request Office "$work/public.dm" 2>&1 >/dev/null | grep -q 'no private part of this driver'
check "a public-only DEVMODE is refused" $?
head -c 700 "$work/req.dm" > "$work/cut.dm"
"$velm" devmode request Office "$work/cut.dm" 2>&1 >/dev/null | grep -q 'malformed DEVMODE'
check "a cut DEVMODE is refused" $?
"$velm" devmode request Nobody "$work/req.dm" >/dev/null 2>&1
[ $? -eq 1 ]; check "an unknown printer is refused" $?
"$velm" devmode request Office "$work/missing.dm" >/dev/null 2>&1
[ $? -eq 1 ]; check "a missing file is refused" $?

# The device query actions: Office has no bidirectional attribute, so its
# query fails, and then nothing is merged or written.
cp "$work/req.dm" "$work/query.dm"; patch "$work/query.dm" 285 '\x03'
msg=$("$velm" devmode request Office "$work/query.dm" -o "$work/q.dm" 2>&1 >/dev/null); rc=$?
[ $rc -eq 1 ]; check "a failed device query fails the command" $?
printf '%s\n' "$msg" | grep -q 'the device query of Office failed'; check "and says so" $?
[ ! -e "$work/q.dm" ]; check "and writes nothing" $?
# A printer whose stand-in device answers takes the query.
"$velm" printer add Device --model "$src/tests/data/models/small.mdf" --bidi >/dev/null
"$velm" devmode request Device "$work/query.dm" -o "$work/q.dm" >/dev/null 2>&1
check "a device that answers gives the query's result" $?
[ -s "$work/q.dm" ]; check "and writes it" $?
exit $fail
