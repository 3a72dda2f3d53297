#!/usr/bin/env bash
# velm sheet with the person's steps on the reference model: a script of
# them runs to the end; a step on a control that is not there, or a line
# that is no step, stops velm with a clear message and exit 1.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?

cat > "$work/steps.txt" <<'STEPS'
# what a person does at the sheet
tree
page 0
hover VPD_IDC_PRESET_CHOICE_PAPERSIZE
wait 250
key VPD_IDC_PRESET_CHOICE_PAPERSIZE down
help VPD_IDC_PRESET_CHOICE_PAPERSIZE
answer ok
ok
STEPS
out=$("$velm" sheet P --document --script "$work/steps.txt"); rc=$?
[ $rc -eq 0 ]; check "a script of the new steps runs" $?
printf '%s\n' "$out" | grep -q '^step 1: tree$'; check "each step is named" $?
printf '%s\n' "$out" | grep -q '^  SysTabControl32 #12320 '; check "the tree shows the page tabs" $?
printf '%s\n' "$out" | grep -q '^step 7: ok$'; check "the last step" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK answers IDOK" $?

# As a person: A5 in the paper combo, landscape, a check box ticked, OK.
# The DEVMODE the sheet answers holds them; the same steps with Cancel
# answer the DEVMODE the sheet was given.
printf 'select VPD_IDC_PRESET_CHOICE_PAPERSIZE A5\nclick 2027\ncheck VPD_IDC_BASIC_CHOICE_MARKPAPER on\nanswer ok\n' > "$work/person.txt"
cp "$work/person.txt" "$work/person-cancel.txt"
echo ok >> "$work/person.txt"
echo cancel >> "$work/person-cancel.txt"
out=$("$velm" sheet P --document --script "$work/person.txt" --snapshot "$work/shots"); rc=$?
[ $rc -eq 0 ]; check "the person's script runs" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK" $?
printf '%s\n' "$out" | grep -Eq '^  8 +dmPaperSize +11 '; check "the DEVMODE holds A5" $?
printf '%s\n' "$out" | grep -Eq '^  7 +dmOrientation +2 '; check "and landscape" $?
printf '%s\n' "$out" | grep -Eq '^  67 +vdmFuncSelectMark +1$'; check "and the separator sheets" $?
[ -s "$work/shots/step-0.png" ] && [ -s "$work/shots/step-4.png" ]; check "a picture of each step" $?
out=$("$velm" sheet P --document --script "$work/person-cancel.txt"); rc=$?
printf '%s\n' "$out" | grep -q '^result: 2 (IDCANCEL)$'; check "Cancel" $?
! printf '%s\n' "$out" | grep -Eq '^  8 +dmPaperSize +11 '; check "keeps the paper" $?
! printf '%s\n' "$out" | grep -Eq '^  7 +dmOrientation +2 '; check "and the orientation" $?

printf 'page 0\nclick VPD_IDC_FREESIZE_EDIT_WIDTH_MM\nok\n' > "$work/missing.txt"
msg=$("$velm" sheet P --document --script "$work/missing.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "a control that is not there stops the script with exit 1" $?
printf '%s\n' "$msg" | grep -q "^velm sheet: $work/missing.txt:2: click VPD_IDC_FREESIZE_EDIT_WIDTH_MM: there is no control VPD_IDC_FREESIZE_EDIT_WIDTH_MM in this sheet$"
check "and says which step and why" $?
printf '%s\n' "$msg" | grep -q '^result: 2 (IDCANCEL)$'; check "the sheet is cancelled" $?
! printf '%s\n' "$msg" | grep -q '^step 3: ok$'; check "no step after it runs" $?

printf 'click NOTHING_SUCH\n' > "$work/nosymbol.txt"
msg=$("$velm" sheet P --printer --script "$work/nosymbol.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "an unknown name fails the printer sheet too" $?
printf '%s\n' "$msg" | grep -q "'NOTHING_SUCH' is no control id and no item symbol"; check "naming it" $?

printf 'hold 100 soon\n' > "$work/bad.txt"
msg=$("$velm" sheet P --document --script "$work/bad.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "a malformed step is refused before the sheet opens" $?
printf '%s\n' "$msg" | grep -q "bad.txt:1: not a step: 'hold 100 soon' (the step takes: hold CONTROL MS)"; check "with its form" $?

msg=$("$velm" docprops P --mode prompt,copy --script "$work/missing.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "docprops with the sheet stops the same way" $?

# A sub-dialog opened from a page and cancelled leaves no trace: the DEVMODE
# and the stored settings after OK are those of a sheet confirmed at once.
printf 'page 1\nclick 2038\ntype 2452 Gone\ntype 2453 CancelledNote\ndialog\ncancel\ndialog\nok\n' > "$work/sub.txt"
out=$("$velm" sheet P --document --script "$work/sub.txt"); rc=$?
[ $rc -eq 0 ]; check "a script through a sub-dialog runs" $?
printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "Save Preset" (the steps act on it)$'; check "dialog lists the stack, the sub-dialog on top" $?
printf '%s\n' "$out" | sed -n '/^step 7: dialog$/,/^step 8/p' | grep -q '^dialog 1 of 1: '; check "after cancel only the sheet is left" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "the sheet is confirmed" $?
after_sub=$(printf '%s\n' "$out" | sed -n '/^result:/,$p')
printf 'ok\n' > "$work/plain.txt"
after_plain=$("$velm" sheet P --document --script "$work/plain.txt" | sed -n '/^result:/,$p')
[ -n "$after_sub" ] && [ "$after_sub" = "$after_plain" ]; check "nothing of the cancelled sub-dialog in the DEVMODE or the stored settings" $?
! printf '%s\n' "$after_sub" | grep -q 'Gone\|CancelledNote'; check "not its typed text either" $?

exit $fail
