#!/usr/bin/env bash
# A person makes watermarks at the document sheet of the reference model: a
# text stamp "DRAFT" at 45 degrees, made through the text-stamp dialog and
# chosen in the stamp list with stamps switched on. The printer's stamp list
# shows it, and the DEVMODE the sheet answers holds it selected.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?
[ -z "$("$velm" stamp list P)" ]; check "it starts without stamps" $?

# A first stamp, then the sheet cancelled: the stamp list keeps the stamp
# (it is saved when its dialog ends with OK), the DEVMODE stays as it was.
cat > "$work/first.txt" <<'STEPS'
page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_CHARSTAMP
type VPD_IDC_STAMP_CHAR_EDIT_NAME Secret
type VPD_IDC_STAMP_CHAR_EDIT_CHAR SECRET
ok
cancel
STEPS
out=$("$velm" sheet P --document --script "$work/first.txt"); rc=$?
[ $rc -eq 0 ]; check "the first script runs" $?
printf '%s\n' "$out" | grep -q '^result: 2 (IDCANCEL)$'; check "the sheet is cancelled" $?
"$velm" stamp list P | grep -q "^0	kind 1	Secret$"; check "the first stamp is listed" $?

# The text-stamp dialog cancelled adds nothing.
printf 'page VPD_IDD_EDIT\nclick VPD_IDC_EDIT_BUTTON_CHARSTAMP\ntype VPD_IDC_STAMP_CHAR_EDIT_NAME Gone\ncancel\ncancel\n' > "$work/gone.txt"
"$velm" sheet P --document --script "$work/gone.txt" >/dev/null
[ "$("$velm" stamp list P | wc -l)" -eq 1 ]; check "a cancelled stamp dialog adds no stamp" $?

cat > "$work/draft.txt" <<'STEPS'
page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_CHARSTAMP
dialog
type VPD_IDC_STAMP_CHAR_EDIT_NAME DRAFT
type VPD_IDC_STAMP_CHAR_EDIT_CHAR DRAFT
type VPD_IDC_STAMP_CHAR_EDIT_ANGLE 45
ok
select VPD_IDC_EDIT_CHOICE_STAMP_TYPE Secret
select VPD_IDC_EDIT_CHOICE_STAMP_TYPE DRAFT
check VPD_IDC_EDIT_CHOICE_STAMP on
tree
ok
STEPS
out=$("$velm" sheet P --document --script "$work/draft.txt" --snapshot "$work/shots"); rc=$?
[ $rc -eq 0 ]; check "the person's script runs" $?
printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "Text Stamp" (the steps act on it)$'; check "the text-stamp dialog opens" $?
printf '%s\n' "$out" | grep -q '^    COMBOBOX #2089 "DRAFT" sel=1 of 2 \[Secret|DRAFT\]'; check "the stamp list shows and selects it" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK" $?
printf '%s\n' "$out" | grep -Eq '^  63 +vdmFuncSelectWaterMark +1$'; check "the DEVMODE has stamps on" $?
printf '%s\n' "$out" | grep -Eq '^  120 +vdmWmID +1$'; check "with stamp 1 selected" $?
printf '%s\n' "$out" | grep -Eq '^  109 +vdmWmKind +1$'; check "a text stamp" $?
printf '%s\n' "$out" | grep -Eq '^  119 +vdmWmAngle +45$'; check "at 45 degrees" $?
[ -s "$work/shots/step-0.png" ]; check "pictures of the steps" $?

list=$("$velm" stamp list P)
printf '%s\n' "$list" | grep -q "^1	kind 1	DRAFT$"; check "velm stamp list shows DRAFT" $?
[ "$(printf '%s\n' "$list" | wc -l)" -eq 2 ]; check "beside the first stamp" $?

exit $fail
