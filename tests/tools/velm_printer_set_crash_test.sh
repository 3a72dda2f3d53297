#!/usr/bin/env bash
# velm printer set killed (SIGKILL) at random points, 50 times: the printer's
# data and the driver ini are each found either as before or as after the
# command, never half-written.
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

half=0
for i in $(seq 1 50); do
  rm -rf "$VELM_MACHINE"
  cp -a "$base/before" "$VELM_MACHINE"
  "$velm" printer set Office "${settings[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "0.0$(( RANDOM % 60 ))"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  now=$(snapshot)
  data_now=$(printf '%s\n' "$now" | sed '/^--- ini$/,$d')
  ini_now=$(printf '%s\n' "$now" | sed '1,/^--- ini$/d')
  ok=0
  for state in "$before" "$after"; do
    [ "$data_now" = "$(printf '%s\n' "$state" | sed '/^--- ini$/,$d')" ] && ok=$((ok + 1)) && break
  done
  for state in "$before" "$after"; do
    [ "$ini_now" = "$(printf '%s\n' "$state" | sed '1,/^--- ini$/d')" ] && ok=$((ok + 1)) && break
  done
  if [ $ok -ne 2 ]; then
    half=$((half + 1))
    echo "run $i: a store is neither as before nor as after"
  fi
done
[ $half -eq 0 ]; check "50 killed runs leave each store as before or as after" $?
exit $fail
