#!/usr/bin/env bash
# scripts/demo.sh, run as a new user runs it with its output sent to a log
# file: the demo passes, and the log holds all it printed, from the first
# command to the preview line, with no bytes lost or zeroed.
set -u
src=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

VELM_DEMO_BUILD=$build bash "$src/scripts/demo.sh" > "$work/log" 2>&1
check "the demo passes" $?
[ "$(tr -d '\000' < "$work/log" | wc -c)" -eq "$(wc -c < "$work/log")" ]; check "the log holds no NUL bytes" $?
head -1 "$work/log" | grep -q '^\$ velm machine init'; check "the log starts with the first command" $?
grep -q '^page 1 of [0-9]*:' "$work/log"; check "it holds the first page's render line" $?
grep -q '^Preview of the [0-9]* printed page(s): ' "$work/log"; check "and ends with the preview line" $?
[ -s "$build/preview/page-1.png" ]; check "the first page's preview is written" $?
[ $fail -eq 0 ] || cat "$work/log"
exit $fail
