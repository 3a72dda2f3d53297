#!/usr/bin/env bash
# velm sheet on the reference model through the user paper-size dialog and
# the installed-options page, as a person uses them: user size 1 becomes a
# 100 x 150 mm card that the paper lists then name; sizes out of range are
# held to the limits with the model's message, 0 copies is refused with its
# own; an option ticked and a tray's paper chosen change what the capability
# queries answer.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" --bidi >/dev/null
check "a printer of the reference model" $?

# ---- user paper sizes --------------------------------------------------------------------
cat > "$work/size.txt" <<'STEPS'
page Initial Settings
click VPD_IDC_INIT_BUTTON_FREESIZE
dialog
select VPD_IDC_FREESIZE_CHOICE_ENTRY 0
type VPD_IDC_FREESIZE_EDIT_NAME Card
type VPD_IDC_FREESIZE_EDIT_WIDTH_MM 100
type VPD_IDC_FREESIZE_EDIT_LENGTH_MM 150
ok
ok
STEPS
out=$("$velm" sheet P --document --script "$work/size.txt"); rc=$?
[ $rc -eq 0 ]; check "the user-size script runs" $?
printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "User Paper Size" (the steps act on it)$'
check "the button opens the user paper-size dialog over the sheet" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK answers IDOK" $?
"$velm" papers list P | grep -qx $'0\tCard\t4724 x 7086'
check "papers list: slot 0 is the card, 100 x 150 mm in 1/1200 inch" $?
"$velm" papers list P | grep -q $'^1\t\t'; check "slot 1 keeps its empty name" $?
"$velm" caps P DC_PAPERNAMES | grep -qx 'Card(100.0 x 150.0mm)'
check "DC_PAPERNAMES names the card with its size" $?

# A spin step moves the slot by a tenth of a millimetre; a cancelled dialog
# leaves the slots as they were.
printf 'page Initial Settings\nclick VPD_IDC_INIT_BUTTON_FREESIZE\nspin VPD_IDC_FREESIZE_SPIN_WIDTH_MM up 2\nok\nok\n' > "$work/spin.txt"
"$velm" sheet P --document --script "$work/spin.txt" >/dev/null; rc=$?
[ $rc -eq 0 ] && "$velm" caps P DC_PAPERNAMES | grep -qx 'Card(100.2 x 150.0mm)'
check "two spin steps: 100.2 mm" $?
printf 'page Initial Settings\nclick VPD_IDC_INIT_BUTTON_FREESIZE\ntype VPD_IDC_FREESIZE_EDIT_WIDTH_MM 120\ncancel\nok\n' > "$work/cancel.txt"
"$velm" sheet P --document --script "$work/cancel.txt" >/dev/null
"$velm" caps P DC_PAPERNAMES | grep -qx 'Card(100.2 x 150.0mm)'; check "a cancelled dialog changes no slot" $?

# Out-of-range numbers never reach a slot as typed: the width is held to
# the model's limits (91.7 to 297.0 mm) with the model's message for a user
# paper size outside them; letters never reach the edit (no message).
size_message='^message box "P" \[OK\] answered 1: The user paper size lies outside the range the tray takes\.$'
width_after() {  # typed text -> the width slot 0 holds afterwards; the sheet's output in $work/w.out
  printf 'page Initial Settings\nclick VPD_IDC_INIT_BUTTON_FREESIZE\ntype VPD_IDC_FREESIZE_EDIT_WIDTH_MM %s\nok\nok\n' "$1" > "$work/w.txt"
  "$velm" sheet P --document --script "$work/w.txt" > "$work/w.out"
  "$velm" papers list P | awk -F'\t' '$1==0 {split($3, s, " x "); print s[1]}'
}
before=$("$velm" papers list P | awk -F'\t' '$1==0 {split($3, s, " x "); print s[1]}')
after=$(width_after abc)
[ -n "$before" ] && [ "$after" = "$before" ]; check "'abc' leaves the previous width ($before, now $after)" $?
! grep -q '^message box' "$work/w.out"; check "and shows no message: no letter reached the edit" $?
[ "$(width_after 99999999)" = "14030" ]; check "a number beyond the limit is held to the largest width" $?
[ "$(grep -c "$size_message" "$work/w.out")" -eq 1 ]; check "with the size message, once" $?
[ "$(width_after -5)" = "4332" ]; check "'-5' is no negative width: held to the smallest" $?
[ "$(grep -c "$size_message" "$work/w.out")" -eq 1 ]; check "with the size message, once" $?
[ "$(width_after 150)" = "7086" ] && ! grep -q '^message box' "$work/w.out"
check "a width inside the limits is taken without a message" $?

# Outside the paper-size dialog a number the model refuses goes back to the
# value the edit had, with the model's message: 0 copies.
copies_after() {  # typed text -> the copies of the sheet's DEVMODE; output in $work/c.out
  printf 'page 0\ntype VPD_IDC_PRESET_EDIT_COPIES 12\ntype VPD_IDC_PRESET_EDIT_COPIES %s\nok\n' "$1" > "$work/c.txt"
  "$velm" sheet P --document --script "$work/c.txt" > "$work/c.out"
  awk '$2=="dmCopies" {print $3}' "$work/c.out"
}
copies_message='^message box "P" \[OK\] answered 1: The number of copies must lie between 1 and 999\.$'
[ "$(copies_after 0)" = "12" ]; check "0 copies leaves the 12 copies before" $?
[ "$(grep -c "$copies_message" "$work/c.out")" -eq 1 ]; check "with the copies message, once" $?
grep -q 'EDIT #2029 "12" <VPD_IDC_PRESET_EDIT_COPIES>$' "$work/c.out"; check "the edit shows 12 again" $?
[ "$(copies_after abc)" = "12" ] && ! grep -q '^message box' "$work/c.out"
check "'abc' leaves the 12 copies without a message" $?
[ "$(copies_after -5)" = "5" ] && ! grep -q '^message box' "$work/c.out"
check "'-5' types 5: no minus sign reaches a numeric edit" $?

# ---- installed options and trays -----------------------------------------------------------
"$velm" device set P options 1,9 >/dev/null && "$velm" printer query P | grep -qx '10049 vdmOutputOptionTypeFin1000 = 1'
check "the device reports the finisher and the query stores it" $?
"$velm" caps P DC_BINS > "$work/bins0.txt"
"$velm" caps P DC_MEDIAREADY > "$work/ready0.txt"
# The finisher shows installed: a click on it takes it out. The bank tray
# (first entry) is ticked in; the second tray gets A5.
cat > "$work/options.txt" <<'STEPS'
select VPD_IDC_OPTION_CHOICE_OPTION 3
select VPD_IDC_OPTION_CHOICE_OPTION 0
click VPD_IDC_OPTION_CHOICE_SOURCE 20 44
select VPD_IDC_OPTION_CHOICE_PAPERSIZE A5
ok
STEPS
out=$("$velm" sheet P --printer --script "$work/options.txt"); rc=$?
[ $rc -eq 0 ]; check "the options script runs" $?
printf '%s\n' "$out" | grep -q 'SysListView32 #2166 "" rows=6 sel=1 '; check "the tray list shows the trays, the second chosen" $?
"$velm" caps P DC_BINS > "$work/bins1.txt"
"$velm" caps P DC_MEDIAREADY > "$work/ready1.txt"
! cmp -s "$work/bins0.txt" "$work/bins1.txt" && grep -qx 256 "$work/bins1.txt" && ! grep -qx 256 "$work/bins0.txt"
check "DC_BINS answers the bank tray ticked in" $?
grep -qx A5 "$work/ready1.txt" && ! grep -qx A5 "$work/ready0.txt"
check "DC_MEDIAREADY answers the second tray's A5" $?
"$velm" printer data P Fin1000 | grep -qx $'REG_BINARY\t00000000' && "$velm" printer data P BankTray | grep -qx $'REG_BINARY\t01000000'
check "the finisher shown installed was clicked out; the bank tray is in" $?
exit $fail
