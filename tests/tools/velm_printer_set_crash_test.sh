#!/usr/bin/env bash
# velm printer set killed (SIGKILL) at each step of its write batch's commit:
# before its record is written, and just before each of its renames. The
# kill must land (the command dies by it, so a write was in progress), and
# the next command finds the printer's data and the driver ini together,
# all as before (killed before the record) or all as after (killed between
# renames: the next process finishes the batch).
set -u
velm="$1"
src="$(cd "$(dirname "$0")/../.." && pwd)"
fail=0
check() {  # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
export VELM_MACHINE="$base/machine"
mkdir -p "$VELM_MACHINE"
"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?
# A first set, so that the printer's first-load writes are behind us.
"$velm" printer set Office vdmPrnMethod=1 >/dev/null
check "a first set" $?
[ $fail -eq 0 ] || exit 1  # without a printer the killed runs would show nothing

snapshot() {  # the printer data and the driver ini as text
  "$velm" printer data Office
  echo "--- ini"
  find "$VELM_MACHINE" -iname velmlist.ini -exec cat {} \;
}
settings=(vdmPrnMethod=2 vdmTray1Paper=70 vdmTray2Paper=12 wdmPrintPostTray1Name=Upper vdmLogging=5
          vdmSourceOptionTypeDuplex=1 vdmActionProof=1 vdmAPIUseFlag=3 wdmOvlPath='C:\ovl')
before=$(snapshot)
cp -a "$VELM_MACHINE" "$base/before"
"$velm" printer set Office "${settings[@]}" >/dev/null
check "the whole set" $?
after=$(snapshot)
[ "$(printf '%s\n' "$before" | sed '/^--- ini$/,$d')" != "$(printf '%s\n' "$after" | sed '/^--- ini$/,$d')" ]
check "the set changes the printer data" $?
[ "$(printf '%s\n' "$before" | sed '1,/^--- ini$/d')" != "$(printf '%s\n' "$after" | sed '1,/^--- ini$/d')" ]
check "the set changes the driver ini" $?

step=0
renames=-1
while [ $step -le 20 ]; do
  rm -rf "$VELM_MACHINE"
  cp -a "$base/before" "$VELM_MACHINE"
  { VELM_TEST_STOP_AT_RENAME=$step "$velm" printer set Office "${settings[@]}" >/dev/null 2>&1; } 2>/dev/null
  status=$?
  if [ $status -eq 0 ]; then
    renames=$((step - 1))
    break
  fi
  [ $status -eq 137 ]; check "step $step: the command is killed there (exit $status)" $?
  now=$(snapshot)
  if [ $step -eq 0 ]; then want="$before"; what="as before"; else want="$after"; what="as after"; fi
  [ "$now" = "$want" ]; check "step $step: the next command finds both stores $what" $?
  if [ $step -gt 0 ]; then
    [ -z "$(find "$VELM_MACHINE" -name '.~velm*' -o -path '*/.batch/*.rec')" ]
    check "step $step: every file of the batch renamed, its record gone" $?
  fi
  step=$((step + 1))
done
[ $renames -ge 2 ]; check "the batch renames at least two files ($renames), each kill point caught" $?
exit $fail
