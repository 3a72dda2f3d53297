#!/usr/bin/env bash
# Document properties and the sheets through the printer interface's
# exports, as an application and the printer folder call them:
# velm docprops and velm sheet.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?

out=$("$velm" docprops Office)
check "the size query exits 0" $?
[ "$out" = "DEVMODE size: 1260" ]; check "the size query answers 1260" $?

# An application's DEVMODE merged and copied out equals what the merge
# command gives for the same input: defaults, values the model refuses,
# another model's private part, collation asked off.
"$velm" devmode defaults Office -o "$work/office.dm" >/dev/null
cp "$work/office.dm" "$work/app.dm"
patch "$work/app.dm" 72 '\x10\x91\x00\x00'   # dmFields: DM_SCALE | DM_COPIES | DM_DUPLEX | DM_COLLATE
patch "$work/app.dm" 84 '\x00\x00\x00\x00'   # dmScale 0, dmCopies 0
patch "$work/app.dm" 94 '\x04\x00'           # dmDuplex 4
patch "$work/app.dm" 100 '\x00\x00'          # dmCollate 0
cp "$work/app.dm" "$work/foreign.dm"
patch "$work/foreign.dm" 349 'xxxx'          # another model's private part
head -c 220 "$work/app.dm" > "$work/public.dm"
patch "$work/public.dm" 70 '\x00\x00'        # dmDriverExtra 0: the public part only
for input in office app foreign public; do
  "$velm" docprops Office --in "$work/$input.dm" --mode copy,modify -o "$work/$input.out" >/dev/null
  check "docprops copy,modify of $input exits 0" $?
  "$velm" devmode merge Office "$work/$input.dm" -o "$work/$input.merged" >/dev/null
  cmp -s "$work/$input.out" "$work/$input.merged"; check "docprops of $input equals devmode merge" $?
done
[ "$(stat -c %s "$work/public.out")" -eq 220 ]; check "the output keeps the input's sizes" $?

# DM_COPY without DM_MODIFY ignores the input: the printer's own settings.
"$velm" docprops Office --in "$work/app.dm" --mode copy -o "$work/copy.out" >/dev/null
check "docprops copy exits 0" $?
"$velm" docprops Office --in "$work/office.dm" --mode copy -o "$work/copy2.out" >/dev/null
cmp -s "$work/copy.out" "$work/copy2.out"; check "copy alone gives the stored settings whatever the input" $?
! cmp -s "$work/copy.out" "$work/app.out"; check "which the merge of the input changes" $?

"$velm" docprops Office --mode sideways >/dev/null 2>&1
[ $? -eq 1 ]; check "an unknown mode is refused" $?
"$velm" docprops Nobody --mode copy >/dev/null 2>&1
[ $? -eq 1 ]; check "an unknown printer is refused" $?

# ---- the sheets, headless, with a script.
printf 'ok\n' > "$work/ok.txt"
out=$("$velm" sheet Office --document --script "$work/ok.txt")
check "the document sheet with OK exits 0" $?
printf '%s\n' "$out" | grep -q '^window tree as the sheet opens:$'; check "the tree as it opens" $?
printf '%s\n' "$out" | grep -q '^#32770 "Office Properties"$'; check "titled with the printer name" $?
printf '%s\n' "$out" | grep -q '^    LISTBOX #2001 '; check "the first page holds the preset icon list" $?
printf '%s\n' "$out" | grep -q '^    COMBOBOX #2017 '; check "and the paper-size choice" $?
printf '%s\n' "$out" | grep -q '^step 1: ok$'; check "the step" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK answers IDOK" $?
printf '%s\n' "$out" | grep -q '^DEVMODE: 1260 bytes'; check "and the DEVMODE" $?
printf '%s\n' "$out" | grep -q '^stored settings (printer data):$'; check "and the stored settings" $?

printf '# the person changes their mind\ncancel\n' > "$work/cancel.txt"
out=$("$velm" sheet Office --document --script "$work/cancel.txt")
printf '%s\n' "$out" | grep -q '^result: 2 (IDCANCEL)$'; check "Cancel answers IDCANCEL" $?
out=$("$velm" sheet Office --printer --script "$work/ok.txt")
printf '%s\n' "$out" | grep -q '^result: TRUE$'; check "the printer sheet with OK" $?
out=$("$velm" sheet Office --printer)
printf '%s\n' "$out" | grep -q '^window layer: closed by the layer: .*Properties$'
check "without a script the layer closes the sheet and says so" $?
printf '%s\n' "$out" | grep -q '^result: FALSE$'; check "as cancelled" $?

# Pictures of the sheet as painted: as it opens and after each step.
out=$("$velm" sheet Office --document --script "$work/cancel.txt" --snapshot "$work/shots"); rc=$?
[ $rc -eq 0 ]; check "the sheet with snapshots exits 0" $?
for n in 0 1; do
  [ "$(head -c 8 "$work/shots/step-$n.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ]
  check "step-$n.png is a PNG" $?
done
printf 'x' > "$work/not-a-dir"
msg=$("$velm" sheet Office --document --script "$work/cancel.txt" --snapshot "$work/not-a-dir" 2>&1 >/dev/null); rc=$?
[ $rc -eq 1 ]; check "a picture that cannot be written fails the command" $?
printf '%s\n' "$msg" | grep -q 'not-a-dir/step-0.png: cannot write'; check "and names the file" $?

printf 'press the big red button\n' > "$work/bad.txt"
msg=$("$velm" sheet Office --document --script "$work/bad.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "a bad script is refused" $?
printf '%s\n' "$msg" | grep -q 'bad.txt:1: not a step'; check "and says where" $?

# Without the common property sheets the printer sheet cannot open.
rm "$VELM_MACHINE"/drive_c/Windows/System32/compstui.dll 2>/dev/null || rm "$(find "$VELM_MACHINE" -iname compstui.dll | head -1)"
out=$("$velm" sheet Office --printer --script "$work/ok.txt")
printf '%s\n' "$out" | grep -q '^result: FALSE$'; check "no common property sheets: FALSE" $?
out=$("$velm" sheet Office --document --script "$work/ok.txt"); rc=$?
printf '%s\n' "$out" | grep -q '^result: -1 (failed)$'; check "and the document sheet fails" $?

exit $fail
