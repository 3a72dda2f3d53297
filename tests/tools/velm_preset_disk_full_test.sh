#!/usr/bin/env bash
# "velm preset save" on a full disk (the machine on a small tmpfs in a
# mount namespace of its own, filled up): it fails saying the disk is full,
# and leaves no preset file (no empty user0000.qst) and the list as it was.
# Needs root for the mount namespace.
. "$(dirname "$0")/cli_common.sh" "$1"
if ! unshare -m true 2>/dev/null; then
  echo "FAIL a mount namespace is needed (run as root)"
  exit 1
fi
unshare -m bash -s "$velm" "$src" "$VELM_MACHINE" <<'INNER'
velm="$1"; src="$2"; disk="$3"
mount -t tmpfs -o size=64m tmpfs "$disk" || exit 1
# The machine is a folder of the small disk (machine init builds a machine
# beside its folder and renames it into place).
machine="$disk/machine"
export VELM_MACHINE="$machine"
fail=0
check() { if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }
"$velm" machine init "$machine" >/dev/null &&
  "$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null &&
  "$velm" preset save Office First >/dev/null
check "a printer with one preset" $?
before=$("$velm" preset list Office)
dd if=/dev/zero of="$disk/filler" bs=64k 2>/dev/null
dd if=/dev/zero of="$disk/filler2" bs=1k 2>/dev/null
out=$("$velm" preset save Office Second --comment late 2>&1)
rc=$?
echo "$out"
[ $rc -ne 0 ]; check "the save on a full disk fails" $?
grep -q "the disk is full" <<<"$out"; check "and says the disk is full" $?
[ "$(find "$machine" -iname 'user*.qst' | wc -l)" -eq 1 ]; check "no new preset file is left, empty or not" $?
rm -f "$disk/filler" "$disk/filler2"
[ "$("$velm" preset list Office)" = "$before" ]; check "the list is as it was" $?
"$velm" preset save Office Second >/dev/null; check "with room again the save succeeds" $?
[ "$("$velm" preset list Office | wc -l)" -eq 2 ]; check "and lists the preset" $?
exit $fail
INNER
exit $?
