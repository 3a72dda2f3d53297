#!/usr/bin/env bash
# The command-line host run as a person runs it.
set -u
velm="$1"
fail=0
check() {  # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
export VELM_MACHINE=$(mktemp -d)
trap 'rm -rf "$VELM_MACHINE"' EXIT

out=$("$velm" settings)
check "settings exits 0" $?
rows=$(printf '%s\n' "$out" | tail -n +2 | wc -l)
[ "$rows" -eq 1239 ]; check "settings prints 1239 rows (got $rows)" $?
[ "$(printf '%s\n' "$out" | head -1)" = "$(printf 'id\tname\tregion\toffset\ttype\tsize\tstore\tsection\tvalue')" ]
check "settings header" $?
printf '%s\n' "$out" | grep -qP '^39\tvdmMachineID\t1\t372\t4\t1\t1\t-\t-$'; check "row 39" $?
printf '%s\n' "$out" | grep -qP '^216\tvdmUserCode\t1\t\d+\t10\t9\t1\tPRINTLOG\tUserCode$'; check "row 216 with its ini names" $?

one=$("$velm" settings vdmDuplexType)
check "settings by name exits 0" $?
printf '%s\n' "$one" | grep -qP '^102\tvdmDuplexType\t'; check "settings by name finds 102" $?
printf '%s\n' "$one" | grep -qP '^1\t6329\t'; check "portrait option of value 1" $?
printf '%s\n' "$one" | grep -qx 'landscape'; check "landscape list shown" $?
"$velm" settings 8 | grep -qP '^2\t65535\t-$'; check "value without an option" $?

"$velm" settings nosuchsetting >/dev/null 2>&1
[ $? -eq 1 ]; check "unknown setting exits 1" $?
# The help names the ways to choose the machine folder and how --page all
# names its files.
out=$("$velm" help)
check "help exits 0" $?
printf '%s\n' "$out" | grep -q -- '--machine DIR' && printf '%s\n' "$out" | grep -q 'VELM_MACHINE' &&
  printf '%s\n' "$out" | grep -q -- '--page all: every page, page N into PAGE-N.png'
check "help names --machine, VELM_MACHINE and the files of --page all" $?

"$velm" bogus >/dev/null 2>&1
[ $? -eq 2 ]; check "unknown command exits 2" $?

exit $fail
