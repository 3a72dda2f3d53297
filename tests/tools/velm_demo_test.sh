#!/usr/bin/env bash
# scripts/demo.sh with the velm of this build (nothing installed or built),
# its output sent to a file as "bash scripts/demo.sh > log 2>&1" does: the
# file holds the whole output, from its first command to its last line, and
# no byte of it is written over.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

log="$work/log"
VELM_DEMO_VELM="$velm" VELM_DEMO_PREVIEW="$work/preview" bash "$src/scripts/demo.sh" > "$log" 2>&1
check "the demo runs" $?
head -n 1 "$log" | grep -q "^\$ velm machine init /"
check "the log begins with the first command" $?
[ "$(tr -d '\000' < "$log" | wc -c)" -eq "$(wc -c < "$log")" ]
check "the log holds no NUL bytes" $?
grep -q '^\$ velm job dump --summary ' "$log" && grep -q '^page-end ' "$log" &&
  grep -q '^page 1 of 2: ' "$log" && grep -q '^page 2 of 2: ' "$log" &&
  tail -n 1 "$log" | grep -q "^Preview of the 2 printed page(s): "
check "the log holds every step" $?
[ -s "$work/preview/page-1.png" ] && [ -s "$work/preview/page-2.png" ]
check "a picture of each page" $?
exit $fail
