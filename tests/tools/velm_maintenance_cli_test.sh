#!/usr/bin/env bash
# The preset maintenance dialog as a person uses it on the reference model:
# opened from the basic page's maintenance button, a preset deleted after
# the question, another moved up, the dialog closed and the sheet
# confirmed; the printer's preset list then shows the result. Preset 0
# stays where it is whatever is asked of it.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?
for name in Base Draft Photo Fine; do "$velm" preset save P "$name" >/dev/null || exit 1; done
[ "$("$velm" preset list P | cut -f2 | tr '\n' ' ')" = "Base Draft Photo Fine " ]; check "four presets" $?

cat > "$work/steps.txt" <<'STEPS'
page 1
click VPD_IDC_BASIC_BUTTON_MAINTENANCE
dialog
select VPD_IDC_MAINTENANCE_ICONLIST 1
answer ok
click VPD_IDC_MAINTENANCE_BUTTON_PRESET_DELETE
select VPD_IDC_MAINTENANCE_ICONLIST 2
click VPD_IDC_MAINTENANCE_BUTTON_MOVEBACK
click 8
ok
STEPS
out=$("$velm" sheet P --document --script "$work/steps.txt" --snapshot "$work/shots"); rc=$?
[ $rc -eq 0 ]; check "the script runs" $?
printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "Preset Maintenance" (the steps act on it)$'
check "the maintenance button opens the dialog" $?
printf '%s\n' "$out" | grep -q '^message box "P" \[OK Cancel\] answered 1: '; check "the delete asks first" $?
printf '%s\n' "$out" | sed -n '/^step 5: /,/^step 6: /p' | grep -q 'LISTBOX #2139 .*sel=1 of 3'
check "after the delete the next entry is selected" $?
printf '%s\n' "$out" | sed -n '/^step 7: /,/^step 8: /p' | grep -q 'LISTBOX #2139 .*sel=1 of 3'
check "the moved preset stays selected" $?
printf '%s\n' "$out" | sed -n '/^step 7: /,/^step 8: /p' | grep -q 'BUTTON #2143 "Move Up" disabled'
check "nothing moves above preset 0" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "the sheet is confirmed" $?
[ -s "$work/shots/step-5.png" ]; check "a picture of the dialog after the delete" $?

list=$("$velm" preset list P | cut -f2 | tr '\n' ' ')
[ "$list" = "Base Fine Photo " ]; check "preset list: Draft deleted, Fine moved above Photo (got $list)" $?

# The question answered Cancel deletes nothing.
printf 'page 1\nclick 2037\nselect 2139 2\nanswer cancel\nclick 2140\nclick 8\nok\n' > "$work/keep.txt"
"$velm" sheet P --document --script "$work/keep.txt" >/dev/null; rc=$?
[ $rc -eq 0 ]; check "a cancelled delete runs" $?
[ "$("$velm" preset list P | cut -f2 | tr '\n' ' ')" = "Base Fine Photo " ]; check "and keeps every preset" $?

exit $fail
