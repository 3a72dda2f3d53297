#!/usr/bin/env bash
# Settings files, presets, watermarks and user paper sizes through the host,
# run as a person runs them; and a settings-file save killed at random
# moments, which must leave the file and velmdev.txt each as before or as
# after.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?
host() { find "$VELM_MACHINE" -ipath "*$1" | head -1; }

out=$("$velm" qst save Office 'C:\Users\user\a.qst'); rc=$?
[ $rc -eq 0 ] && [ "$out" = 'saved C:\Users\user\a.qst' ]; check "qst save" $?
qst=$(host 'users/user/a.qst')
head -c 62 "$qst" | grep -q $'^\[VELM Driver\]\r$'; check "the driver-name section comes first" $?
grep -q $'^QstVersion=200\r$' "$qst" && grep -q $'^QstMachine=134\r$' "$qst"; check "the header" $?
! grep -q 'Password' "$qst"; check "no job passwords" $?
dev=$(host '_velm/velmdev.txt')
[ -n "$dev" ] && grep -q $'^\[VELMPrnSection\]\r$' "$dev"; check "velmdev.txt holds the device section" $?

out=$("$velm" qst load Office 'C:\Users\user\a.qst'); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -q '^loaded C:\\Users\\user\\a.qst'; check "qst load" $?

# Beside the saved file, inside the machine folder (never the working folder,
# should the save above have failed).
printf '[Office]\r\nQstVersion=300\r\nQstMachine=134\r\nQstLanguage=1\r\n' > "$(dirname "${qst:-$VELM_MACHINE/.}")/old.qst"
out=$("$velm" qst load Office 'C:\Users\user\old.qst' --flags 4); rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$out" | grep -q '^message: Office: .* \[OK\]$' &&
  printf '%s\n' "$out" | grep -qx 'refused: the header of C:\\Users\\user\\old.qst does not fit this printer'
check "a refused header prints the message" $?
out=$("$velm" qst load Office 'C:\Users\user\old.qst' --flags 0x8004); rc=$?
[ $rc -eq 1 ] && ! printf '%s\n' "$out" | grep -q '^message:' && printf '%s\n' "$out" | grep -q 'no message with these flags'
check "0x8000 shows none" $?

"$velm" qst load Office 'a.qst' 2>&1 | grep -q 'FILE must be a Windows path'; check "a relative path is refused" $?
"$velm" qst save Office 'C:\x.qst' --flags zz >/dev/null 2>&1; [ $? -eq 1 ]; check "bad flags are refused" $?
"$velm" qst save Nobody 'C:\x.qst' >/dev/null 2>&1; [ $? -eq 1 ]; check "an unknown printer is refused" $?
"$velm" qst frob Office >/dev/null 2>&1; [ $? -eq 2 ]; check "an unknown subcommand shows the usage" $?

"$velm" preset save Office Fast --comment "draft copies" >/dev/null && "$velm" preset save Office Slow >/dev/null
check "preset save" $?
list=$("$velm" preset list Office)
[ "$list" = $'0\tFast\tdraft copies\tC:\\_velm\\user0000.qst\n1\tSlow\t\tC:\\_velm\\user0001.qst' ]; check "preset list" $?
"$velm" preset load Office 1 | grep -qx 'loaded preset 1 Slow'; check "preset load" $?
"$velm" preset load Office 7 2>&1 | grep -q 'no preset 7 (the printer has 2)'; check "a missing preset is refused" $?
"$velm" preset delete Office 0 | grep -qx 'deleted preset 0 Fast'; check "preset delete" $?
[ "$("$velm" preset list Office)" = $'0\tSlow\t\tC:\\_velm\\user0001.qst' ]; check "the later entry moved down" $?
out=$("$velm" preset save Office Again); printf '%s\n' "$out" | grep -q 'user0002.qst'
check "a deleted preset's file stays, so its number stays taken" $?

ini=$(host '_velm/velmlist.ini')
# The printer's set-up wrote the language section with no stamps: one now.
if grep -q '^StampCount=' "$ini"; then
  sed -i 's/^StampCount=.*\r$/StampCount=1\r/' "$ini"
else
  printf '[us]\r\nStampCount=1\r\n' >> "$ini"
fi
printf '[Stamp0us]\r\nvdmWmKind=1\r\nwdmWmCharName=Draft\r\n[FreeSize2us]\r\nwdmFreeSizeName=Card\r\nwdmFreeSizeWidth=4000\r\nwdmFreeSizeLength=6000\r\n' >> "$ini"
[ "$("$velm" stamp list Office)" = $'0\tkind 1\tDraft' ]; check "stamp list" $?
papers=$("$velm" papers list Office)
[ "$(printf '%s\n' "$papers" | wc -l)" -eq 10 ] && printf '%s\n' "$papers" | grep -qx $'2\tCard\t4000 x 6000'; check "papers list" $?

# Crash safety: a save killed at random moments leaves each file as before
# or as after, never a mix; the next save still works.
before=$'[A]\r\na=1\r\n[VELM Driver]\r\nold=1\r\n[B]\r\nb=2\r\n'
printf '%s' "$before" > "$qst"
printf '[VELMPrnSection]\r\nold=1\r\n' > "$dev"
dev_before=$(cat "$dev")
"$velm" qst save Office 'C:\Users\user\a.qst' >/dev/null
after=$(cat "$qst"); dev_after=$(cat "$dev")
[ "$after" != "$(printf '%s' "$before")" ]; check "the save changes the file" $?
# A save takes about 10 ms; the kills fall between 0.1 and 12 ms.
mixed=0; old=0; new=0
for i in $(seq 1 50); do
  printf '%s' "$before" > "$qst"
  printf '[VELMPrnSection]\r\nold=1\r\n' > "$dev"
  { timeout -s KILL "$(printf '0.%04d' $((RANDOM % 120 + 1)))" "$velm" qst save Office 'C:\Users\user\a.qst'; } >/dev/null 2>&1
  now=$(cat "$qst"); dev_now=$(cat "$dev")
  if [ "$now" = "$after" ]; then new=$((new + 1)); else old=$((old + 1)); fi
  if [ "$now" != "$(printf '%s' "$before")" ] && [ "$now" != "$after" ]; then mixed=1; echo "  run $i: settings file mixed"; fi
  if [ "$dev_now" != "$dev_before" ] && [ "$dev_now" != "$dev_after" ]; then mixed=1; echo "  run $i: velmdev.txt mixed"; fi
done
[ $mixed -eq 0 ]; check "50 killed saves: each file as before ($old) or as after ($new)" $?
"$velm" qst save Office 'C:\Users\user\a.qst' >/dev/null && [ "$(cat "$qst")" = "$after" ]
check "a save after the kills completes" $?

exit $fail
