#!/usr/bin/env bash
# velm sheet on the reference model with the steps that change numbers: a
# number typed into the copies edit (one character at a time, then the tab
# key), its spin button stepped up and down, OK; the DEVMODE holds exactly
# that. Malformed number steps are refused before the sheet opens.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?

cat > "$work/steps.txt" <<'STEPS'
page 0
type VPD_IDC_PRESET_EDIT_COPIES 12
spin VPD_IDC_PRESET_SPIN_COPIES up 3
spin VPD_IDC_PRESET_SPIN_COPIES down
ok
STEPS
out=$("$velm" sheet P --document --script "$work/steps.txt"); rc=$?
[ $rc -eq 0 ]; check "typing and spinning runs" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK answers IDOK" $?
printf '%s\n' "$out" | grep -Eq '^ +[0-9]+ +dmCopies +14$'; check "the DEVMODE holds 12 + 3 - 1 copies" $?
printf '%s\n' "$out" | grep -q 'EDIT #2029 "14"'; check "the edit shows the spun value" $?

printf 'tab VPD_IDC_PRESET_SPIN_COPIES 0\nok\n' > "$work/tab.txt"
msg=$("$velm" sheet P --document --script "$work/tab.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "a tab step on a control that is no tab control fails" $?
printf '%s\n' "$msg" | grep -q "tab VPD_IDC_PRESET_SPIN_COPIES 0: the control is a SCROLLBAR, not a tab control$"
check "and says why" $?

for bad in 'spin 2030 sideways' 'spin 2030 up 0' 'slide 2030 x' 'slide 2030'; do
  printf '%s\nok\n' "$bad" > "$work/bad.txt"
  "$velm" sheet P --document --script "$work/bad.txt" >/dev/null 2>&1; rc=$?
  [ $rc -ne 0 ]; check "'$bad' is refused" $?
done
exit $fail
