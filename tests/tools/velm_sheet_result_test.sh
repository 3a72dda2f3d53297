#!/usr/bin/env bash
# Printing preferences confirmed with OK become the user's default DEVMODE
# of the printer (as the printer folder stores them): "velm printer show"
# shows them and the next sheet opens with them; Cancel changes nothing.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?

devmode() {  # the DEVMODE part of "velm printer show"
  "$velm" printer show P | sed -n '/^DEVMODE /,$p'
}
before=$(devmode)
printf '%s\n' "$before" | grep -q "^DEVMODE .*the printer's default$"; check "at first the printer's own DEVMODE" $?
printf '%s\n' "$before" | grep -Eq '^  8 +dmPaperSize +9 '; check "A4" $?
printf '%s\n' "$before" | grep -Eq '^  7 +dmOrientation +1 '; check "portrait" $?

printf 'select VPD_IDC_PRESET_CHOICE_PAPERSIZE A5\nclick 2027\n' > "$work/steps.txt"
cp "$work/steps.txt" "$work/cancel.txt"
echo cancel >> "$work/cancel.txt"
echo ok >> "$work/steps.txt"

out=$("$velm" sheet P --document --script "$work/cancel.txt"); rc=$?
[ $rc -eq 0 ]; check "the sheet cancelled" $?
printf '%s\n' "$out" | grep -q '^result: 2 (IDCANCEL)$'; check "answers IDCANCEL" $?
[ "$(devmode)" = "$before" ]; check "Cancel changes nothing" $?

out=$("$velm" sheet P --document --script "$work/steps.txt"); rc=$?
[ $rc -eq 0 ]; check "the sheet confirmed" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "answers IDOK" $?
after=$(devmode)
printf '%s\n' "$after" | grep -q "^DEVMODE .*the user's default (printing preferences)$"; check "now the user's default" $?
printf '%s\n' "$after" | grep -Eq '^  8 +dmPaperSize +11 '; check "holding A5" $?
printf '%s\n' "$after" | grep -Eq '^  7 +dmOrientation +2 '; check "and landscape" $?

# The next sheet opens with them; cancelled, it leaves them.
printf 'tree\ncancel\n' > "$work/look.txt"
out=$("$velm" sheet P --document --script "$work/look.txt")
printf '%s\n' "$out" | grep -q '^    COMBOBOX #2017 "A5" '; check "the next sheet opens with A5" $?
printf '%s\n' "$out" | grep -q '^    BUTTON #2027 "Landscape" \[x\]'; check "and landscape" $?
[ "$(devmode)" = "$after" ]; check "a second Cancel changes nothing either" $?

# A printer whose preferences were never confirmed keeps its own.
"$velm" printer add Q --model "$src/models/reference.mdf" >/dev/null
"$velm" printer show Q | grep -q "^DEVMODE .*the printer's default$"; check "another printer keeps its own DEVMODE" $?
exit $fail
