#!/usr/bin/env bash
# The spooler's calls into the printer-interface library as a person plays
# them through the host: adding, connecting, upgrading, events, the print
# query, deleting, and a terminal-server client's configuration.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
out=$("$velm" printer add P --model "$src/models/reference.mdf"); rc=$?
[ $rc -eq 0 ] &&
  printf '%s\n' "$out" | grep -qx 'DrvPrinterEvent(initialize) answered TRUE' &&
  printf '%s\n' "$out" | grep -qx 'DrvConvertDevMode(CDM_DRIVER_DEFAULT) answered TRUE' &&
  printf '%s\n' "$out" | grep -q '^stored the driver.s DEVMODE (1260 bytes, private version 0x30003)' &&
  printf '%s\n' "$out" | grep -qx '  printer data PrinterName added: "P"'
check "printer add sets the printer up through the driver and keeps its DEVMODE" $?
"$velm" printer data P PrinterName | grep -qx $'REG_SZ\tP' &&
  "$velm" printer show P | grep -qx 'set up by the driver     yes (printer data PrinterName P)'
check "the driver's INITIALIZE left its printer data, and printer show says so" $?

out=$("$velm" printer event P initialize); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx '  nothing changed'
check "a second INITIALIZE of a set-up printer changes nothing" $?

out=$("$velm" printer connect P); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'DrvPrinterEvent(add-connection) answered TRUE'
check "printer connect" $?
out=$("$velm" printer disconnect P); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'DrvPrinterEvent(delete-connection) answered TRUE' &&
  printf '%s\n' "$out" | grep -qx '    + DrvInstVersion='
check "printer disconnect forgets the connection's install version" $?

out=$("$velm" printer upgrade P --from-version 2); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'DrvUpgradePrinter answered TRUE' &&
  printf '%s\n' "$out" | grep -qx 'stored DEVMODE rewritten: private version 0x20003 -> 0x30003'
check "upgrade rewrites a DEVMODE of an older driver" $?
"$velm" printer upgrade P | grep -qx 'stored DEVMODE unchanged (private version 0x30003)'
check "upgrade keeps a DEVMODE of this driver" $?
"$velm" printer upgrade P --from-version x >/dev/null 2>&1
[ $? -ne 0 ]
check "upgrade refuses a version that is no number" $?

"$velm" printer can-print P | grep -qx 'the job may print'
check "can-print without a DEVMODE" $?
printf 'xx' > "$work/short.dm"
err=$("$velm" printer can-print P --devmode "$work/short.dm" 2>&1); rc=$?
[ $rc -ne 0 ] && printf '%s\n' "$err" | grep -q 'short.dm: not a DEVMODE'
check "can-print names a file that is no DEVMODE" $?

out=$("$velm" printer event P bogus 2>&1); rc=$?
[ $rc -ne 0 ] && printf '%s\n' "$out" | grep -q "unknown event 'bogus'"
check "an unknown event is refused" $?
for e in add-connection delete-connection cache-refresh delete; do
  "$velm" printer event P $e | grep -q "^DrvPrinterEvent($e) answered TRUE" || { echo "event $e"; false; }
done
check "each event by name" $?

# A terminal-server client: its driver ini and velmclt.ini in its folder.
"$velm" machine set os.terminal=1 >/dev/null &&
  "$velm" client on && "$velm" client set type=18 printer=ClientPrn dir='C:\Client'
check "client on" $?
"$velm" client set type=18 bogus=1 >/dev/null 2>&1
[ $? -ne 0 ] && "$velm" client show | grep -qx 'type                     18'
check "client set refuses an unknown key and writes nothing" $?
client="$VELM_MACHINE/c/Client/_velm"
[ -d "$VELM_MACHINE/C" ] && client="$VELM_MACHINE/C/Client/_velm"
mkdir -p "$client" "$(dirname "$client")/PrinterData"
printf '[ClientPrn]\r\nBidiFlag=1\r\n' > "$client/velmclt.ini"
printf '[ClientPrn]\r\nCount=0\r\n' > "$client/velmlist.ini"
out=$("$velm" printer add T --model "$src/models/reference.mdf"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx '  printer data SyncfgConnection added: 1' &&
  printf '%s\n' "$out" | grep -q '^  file C:\\_velm\\T\\velmclt.ini added'
check "a terminal server's printer takes its client's configuration at its set-up" $?
"$velm" client show | grep -qx 'count connections        0'
check "every client connection was closed" $?

# A driver has one model file: a printer of another model under the same
# driver is refused before anything is copied, and takes a driver of its own.
cp "$src/models/reference.mdf" "$work/mine.mdf"
drivers="$("$velm" printer list 2>&1)"
msg=$("$velm" printer add M --model "$work/mine.mdf" 2>&1); rc=$?
[ $rc -ne 0 ] && printf '%s\n' "$msg" | grep -q 'installed with the model file .*reference.mdf, not mine.mdf; give this printer a driver of its own with --driver-name NAME' &&
  [ "$("$velm" printer list 2>&1)" = "$drivers" ] && ! find "$VELM_MACHINE" -iname mine.mdf | grep -q .
check "another model under the printers' driver is refused, and nothing is copied" $?
"$velm" printer add M --model "$work/mine.mdf" --driver-name Mine >/dev/null 2>&1 &&
  "$velm" printer list | grep -q '^M'
check "with a driver of its own it is added" $?

out=$("$velm" printer delete P); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx 'removed printer P' &&
  ! "$velm" printer data P >/dev/null 2>&1 && ! "$velm" printer list | grep -q '^P'
check "printer delete leaves no printer data behind" $?
exit $fail
