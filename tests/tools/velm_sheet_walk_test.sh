#!/usr/bin/env bash
# velm sheet on the reference model, one person's whole visit to the
# printing preferences: a user paper size typed in millimetres, the unit
# switched to inches in the unit dialog (the size edits then show the same
# size in 0.01 inch), a unit change cancelled there, the copies spin
# stepped, a character stamp made with its density slider moved, a second
# stamp dialog cancelled after its slider moved, OK. The DEVMODE, the user's
# default DEVMODE, the paper slots and the stamps hold exactly what was
# typed and moved, and nothing of what was cancelled.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?

cat > "$work/walk.txt" <<'STEPS'
page Initial Settings
click VPD_IDC_INIT_BUTTON_FREESIZE
select VPD_IDC_FREESIZE_CHOICE_ENTRY 0
type VPD_IDC_FREESIZE_EDIT_NAME Card
type VPD_IDC_FREESIZE_EDIT_WIDTH_MM 100
type VPD_IDC_FREESIZE_EDIT_LENGTH_MM 150
click VPD_IDC_FREESIZE_BUTTON_UNIT
dialog
click 2183
ok
click VPD_IDC_FREESIZE_BUTTON_UNIT
click 2182
cancel
ok
page 0
spin VPD_IDC_PRESET_SPIN_COPIES up 2
page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_CHARSTAMP
type VPD_IDC_STAMP_CHAR_EDIT_NAME Draft
type VPD_IDC_STAMP_CHAR_EDIT_CHAR DRAFT
slide VPD_IDC_STAMP_CHAR_SCROLLBAR_DENSITY 40
ok
click VPD_IDC_EDIT_BUTTON_CHARSTAMP
type VPD_IDC_STAMP_CHAR_EDIT_NAME Gone
slide VPD_IDC_STAMP_CHAR_SCROLLBAR_DENSITY 120
cancel
ok
STEPS
out=$("$velm" sheet P --document --script "$work/walk.txt"); rc=$?
[ $rc -eq 0 ]; check "the whole visit runs" $?
after() {  # the window tree printed after step N
  printf '%s\n' "$out" | awk -v n="$1" '$0 ~ "^step " n ":" {on=1; next} /^step [0-9]+:|^result:/ {on=0} on'
}

# The unit dialog opens over the user paper-size dialog, over the sheet.
after 8 | grep -q '^dialog 3 of 3: "Unit" (the steps act on it)$'
check "the unit button opens the unit dialog over the paper-size dialog" $?
# Inches chosen: the size edits show 100 x 150 mm in 0.01 inch, the
# millimetre edits are hidden.
tree=$(after 10)
printf '%s\n' "$tree" | grep -q 'EDIT #2394 "3.94 inch" <VPD_IDC_FREESIZE_EDIT_WIDTH_INCH>$' &&
  printf '%s\n' "$tree" | grep -q 'EDIT #2392 "5.91 inch" <VPD_IDC_FREESIZE_EDIT_LENGTH_INCH>$'
check "in inches the edits show 3.94 x 5.91 inch" $?
printf '%s\n' "$tree" | grep -q 'EDIT #2224 ".*" hidden disabled <VPD_IDC_FREESIZE_EDIT_WIDTH_MM>$' &&
  printf '%s\n' "$tree" | grep -q 'SCROLLBAR #2225 "" hidden disabled .*<VPD_IDC_FREESIZE_SPIN_WIDTH_MM>$'
check "the millimetre edit and its spin are hidden" $?
# Millimetres chosen again but cancelled: the unit stays inches.
after 13 | grep -q 'EDIT #2394 "3.94 inch" <VPD_IDC_FREESIZE_EDIT_WIDTH_INCH>$'
check "a cancelled unit dialog leaves the edits in inches" $?
after 16 | grep -q 'EDIT #2029 "3" <VPD_IDC_PRESET_EDIT_COPIES>$'; check "two spin steps: 3 copies" $?
after 21 | grep -q 'SCROLLBAR #2323 "" pos=40 range=0..200 <VPD_IDC_STAMP_CHAR_SCROLLBAR_DENSITY>$'
check "the density slider moved to 40" $?

printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK answers IDOK" $?
devmode=$(printf '%s\n' "$out" | sed -n '/^DEVMODE:/,$p')
for want in 'dmCopies +3' 'vdmWmDensity +40' 'vdmDspUnit +1 IDC_UNIT_RADIO_INCH'; do
  printf '%s\n' "$devmode" | grep -Eq "^ +[0-9]+ +$want$"; check "the sheet's DEVMODE holds $want" $?
done
shown=$("$velm" printer show P)
for want in 'dmCopies +3' 'vdmWmDensity +40' 'vdmDspUnit +1 IDC_UNIT_RADIO_INCH'; do
  printf '%s\n' "$shown" | grep -Eq "^ +[0-9]+ +$want$"; check "the user's default DEVMODE holds $want" $?
done
"$velm" papers list P | grep -qx $'0\tCard\t4724 x 7086'
check "slot 0 holds the typed 100 x 150 mm exactly (1/1200 inch)" $?
"$velm" caps P DC_PAPERNAMES | grep -qx 'Card(3.94 x 5.91inch)'
check "the paper names give the card's size in inches" $?
stamps=$("$velm" stamp list P)
printf '%s\n' "$stamps" | grep -q $'\tDraft$' && ! printf '%s\n' "$stamps" | grep -q 'Gone'
check "the stamp made is kept, the cancelled one is not" $?
# The Initial Settings page has a unit button of its own: millimetres
# chosen there are what the paper names then give.
printf 'page Initial Settings\nclick VPD_IDC_INIT_BUTTON_UNIT\ndialog\nclick 2182\nok\nok\n' > "$work/unit.txt"
out=$("$velm" sheet P --document --script "$work/unit.txt"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "Unit" (the steps act on it)$'
check "the Initial Settings unit button opens the unit dialog" $?
"$velm" caps P DC_PAPERNAMES | grep -qx 'Card(100.0 x 150.0mm)'
check "millimetres chosen there name the card in millimetres" $?
exit $fail
