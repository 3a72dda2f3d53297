#!/usr/bin/env bash
# velm printer set killed (SIGKILL) at each step of its commit: the printer's
# data and the driver ini are found together either as before or as after
# the command, never one without the other.
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
[ "$before" != "$after" ]; check "the set changes both stores" $?

# Killed at each step of the commit, by the layer's crash points (a SIGKILL
# of its own at that step, so that each run is known to have stopped with
# the write in progress): before the intent record, then before each rename.
# The next command finds the machine all as before (no record yet) or all as
# after (the record's renames finished by it).
state_of() {  # before, after or mixed
  now=$(snapshot)
  if [ "$now" = "$before" ]; then echo before; elif [ "$now" = "$after" ]; then echo after; else echo mixed; fi
}
kill_at() {  # crash point, expected state; answers 1 when the run was not killed there
  rm -rf "$VELM_MACHINE"
  cp -a "$base/before" "$VELM_MACHINE"
  VELM_CRASH_AT="$1" "$velm" printer set Office "${settings[@]}" >/dev/null 2>&1
  rc=$?
  [ $rc -eq 137 ] || return 1
  got=$(state_of)
  [ "$got" = "$2" ]; check "killed at $1: the next command finds the machine all $2 (found: $got)" $?
  [ -z "$(find "$VELM_MACHINE" -name 'batch-*.rec')" ]; check "killed at $1: no intent record is left" $?
  # What the killed writer left beside the stores goes with the next write.
  "$velm" printer set Office "${settings[@]}" >/dev/null
  [ -z "$(find "$VELM_MACHINE" -name '.~velm*')" ]; check "killed at $1: no temporary file after the next set" $?
  return 0
}
kill_at BatchJournal:1 before
check "the set was caught before its intent record" $?
renames=0
while kill_at "BatchRename:$((renames + 1))" after; do renames=$((renames + 1)); done
[ $renames -ge 2 ]; check "the set was caught at each of its $renames renames (two stores at least)" $?
exit $fail
