#!/usr/bin/env bash
# The device description and the device query through the host, run as a
# person runs them.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" --bidi >/dev/null
check "a printer with the bidirectional attribute" $?
"$velm" printer add Plain --model "$src/models/reference.mdf" >/dev/null
check "a printer without it" $?

out=$("$velm" device show Office)
printf '%s\n' "$out" | grep -qx 'model VELM Driver' &&
  printf '%s\n' "$out" | grep -qx 'tray 3 9 1 0' &&
  printf '%s\n' "$out" | grep -q '^options .*1' &&
  printf '%s\n' "$out" | grep -qx 'memory 131072'
check "the added printer's device: its model's trays with A4 plain, options, memory" $?

out=$("$velm" printer query Office); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'query done' &&
  printf '%s\n' "$out" | grep -qx '10175 vdmTray1Paper = 9' &&
  printf '%s\n' "$out" | grep -qx '10012 vdmPrinterMemory = 128' &&
  printf '%s\n' "$out" | grep -qx 'BidiFlag 1' &&
  printf '%s\n' "$out" | grep -qx 'stored in printer data'
check "printer query stores the device's answers" $?

"$velm" device set Office tray 5 22 3 4 && "$velm" device set Office tray 4 9 1 4 &&
  "$velm" device set Office memory 1048576 && "$velm" device set Office options 1,10
check "device set" $?
out=$("$velm" printer query Office)
printf '%s\n' "$out" | grep -qx '10177 vdmTray3Paper = 1' &&
  printf '%s\n' "$out" | grep -qx '10145 vdmTrayOrient2 = 1' &&
  printf '%s\n' "$out" | grep -qx '10276 vdmCoverDefTray = 3' &&
  printf '%s\n' "$out" | grep -qx '10050 vdmOutputOptionTypeFin3000 = 1' &&
  ! printf '%s\n' "$out" | grep -q 'vdmOutputOptionTypeHDD'
check "a changed device: rotated paper, cover tray by priority, old options cleared" $?
"$velm" printer data Office RAM | grep -qx $'REG_BINARY\t00040000' &&
  "$velm" printer data Office BidiFlag | grep -qx $'REG_BINARY\t01000000'
check "RAM and BidiFlag in printer data" $?

out=$("$velm" printer query Office --quick); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'query done'
check "quick query" $?

"$velm" device set Office fail begin
out=$("$velm" printer query Office); rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$out" | grep -qx 'query failed'
check "a failed step: non-zero exit" $?
"$velm" device set Office fail none

out=$("$velm" printer query Plain); rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$out" | grep -qx 'environment 719 = 0'
check "no bidirectional attribute: no query" $?

counters=$(find "$VELM_MACHINE" -name counters.txt | head -1)
loads=$(awk '$1=="loads"{print $2}' "$counters"); unloads=$(awk '$1=="unloads"{print $2}' "$counters")
opens=$(awk '$1=="opens"{print $2}' "$counters"); closes=$(awk '$1=="closes"{print $2}' "$counters")
[ -n "$loads" ] && [ "$loads" = "$unloads" ] && [ "$opens" = "$closes" ]
check "every load unloaded, every session closed ($loads loads, $opens sessions)" $?

"$velm" device set Office bogus 2>"$work/err"; rc=$?
[ $rc -ne 0 ] && grep -q "unknown entry 'bogus'" "$work/err"; check "an unknown entry is refused" $?
"$velm" device set Office tray 3 x 1 0 2>"$work/err"; rc=$?
[ $rc -ne 0 ] && grep -q 'tray wants' "$work/err"; check "a bad tray is refused" $?
"$velm" device show Office | grep -qx 'memory 1048576'; check "a refused change leaves the description" $?
"$velm" device show Nobody 2>/dev/null; [ $? -ne 0 ]; check "an unknown printer" $?
"$velm" printer query 2>/dev/null; [ $? -eq 2 ]; check "query usage" $?
printf 'tray 3 1\n' > "$work/bad.txt"
"$velm" device set Office --file "$work/bad.txt" 2>"$work/err"; rc=$?
[ $rc -ne 0 ] && grep -q 'line 1' "$work/err"; check "a bad description file names its line" $?
exit $fail
