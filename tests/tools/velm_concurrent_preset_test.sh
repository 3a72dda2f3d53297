#!/usr/bin/env bash
# Six "velm preset save" processes at once (five rounds): every one answers
# done, and the list then holds six entries, each with its own name, its own
# comment and a file of its own that holds its settings; no other preset
# file is left.
. "$(dirname "$0")/cli_common.sh" "$1"
"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?
[ $fail -eq 0 ] || exit 1
cp -a "$VELM_MACHINE" "$work/fresh"

bad=0
for round in 1 2 3 4 5; do
  rm -rf "$VELM_MACHINE"
  cp -a "$work/fresh" "$VELM_MACHINE"
  pids=()
  for i in 1 2 3 4 5 6; do
    "$velm" preset save Office "P$i" --comment "note of P$i" >"$work/out.$i" 2>&1 &
    pids+=($!)
  done
  for i in 1 2 3 4 5 6; do
    if ! wait "${pids[$((i - 1))]}" || ! grep -q "^saved preset [0-5] P$i in " "$work/out.$i"; then
      echo "round $round: P$i did not answer done: $(cat "$work/out.$i")"
      bad=$((bad + 1))
    fi
  done
  list=$("$velm" preset list Office)
  for i in 1 2 3 4 5 6; do
    [ "$(awk -F'\t' -v n="P$i" '$2 == n && $3 == "note of " n' <<<"$list" | wc -l)" -eq 1 ] ||
      { echo "round $round: P$i is not listed once with its own comment"; bad=$((bad + 1)); }
  done
  files=$(cut -f4 <<<"$list" | sort)
  [ "$(wc -l <<<"$list")" -eq 6 ] && [ "$(uniq <<<"$files" | wc -l)" -eq 6 ] ||
    { echo "round $round: not six entries with six files:"; echo "$list"; bad=$((bad + 1)); }
  on_disk=$(find "$VELM_MACHINE" -iname 'user*.qst' | wc -l)
  [ "$on_disk" -eq 6 ] || { echo "round $round: $on_disk preset files on disk"; bad=$((bad + 1)); }
  for f in $(find "$VELM_MACHINE" -iname 'user*.qst'); do
    grep -q QstMachine "$f" || { echo "round $round: $f holds no settings"; bad=$((bad + 1)); }
  done
done
[ $bad -eq 0 ]; check "six preset saves at once, five rounds: each answers done, each entry its own" $?
exit $fail
