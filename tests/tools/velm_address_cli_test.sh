#!/usr/bin/env bash
# The address book of remote destinations, as a person keeps it on the
# reference model: print type Remote, the print-type button beside it opens
# the remote destination dialog, a number typed there goes into the job; its
# "..." button opens the address list, where two addresses are added and one
# deleted; then the book is seen and edited through velm address.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?

# The details button follows the print type: none for a normal job, the
# job's details for the others, the remote destination for a remote job.
printf 'click VPD_IDC_BASIC_BUTTON_PRINT_TYPE\n' > "$work/normal.txt"
"$velm" sheet P --document --script "$work/normal.txt" 2>&1 | grep -q '^step 1 failed: .*disabled'
check "a normal job has no details to ask" $?
printf 'select VPD_IDC_BASIC_CHOICE_PRINT_TYPE Proof\nclick VPD_IDC_BASIC_BUTTON_PRINT_TYPE\ndialog\ncancel\ncancel\n' \
  > "$work/proof.txt"
out=$("$velm" sheet P --document --script "$work/proof.txt"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -q '^dialog 2 of 2: "Print Type"'
check "a proof job's button opens the print type dialog" $?

# A destination typed in: a number with a space is refused, a good one and
# its line go into the job.
cat > "$work/typed.txt" <<'STEPS'
select VPD_IDC_BASIC_CHOICE_PRINT_TYPE Remote
click VPD_IDC_BASIC_BUTTON_PRINT_TYPE
click 2483
type VPD_IDC_REMOTE_EDIT_TELNO 045 999
ok
dialog
type VPD_IDC_REMOTE_EDIT_TELNO 045-999
select VPD_IDC_REMOTE_CHOICE_TELLINE G3 2
ok
ok
STEPS
out=$("$velm" sheet P --document --script "$work/typed.txt"); rc=$?
[ $rc -eq 0 ]; check "the typed destination's script runs" $?
printf '%s\n' "$out" | sed -n '/^step 6: dialog$/,/^step 7/p' | grep -q '^dialog 2 of 2: "Remote Destination"'
check "a number with a space keeps the remote dialog open" $?
printf '%s\n' "$out" | sed -n '/^step 6: dialog$/,/^step 7/p' | grep -q '^  BUTTON #1 "OK" <VPD_IDD_DIALOG_REMOTE_OK>$'
check "the window tree names the remote dialog's own controls" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$' &&
  printf '%s\n' "$out" | grep -Eq '^  241 +vdmAddressType +1 IDC_REMOTE_RADIO_TELNO$' &&
  printf '%s\n' "$out" | grep -Eq '^  243 +vdmTelNo +"045-999"$' &&
  printf '%s\n' "$out" | grep -Eq '^  244 +vdmTelLine +2 IDS_TELLINE_G3_2$'
check "the DEVMODE holds the typed number and line" $?

[ -z "$("$velm" address list P)" ]; check "the book starts empty" $?

# With an empty book the remote dialog cannot take OK in list mode.
printf 'select VPD_IDC_BASIC_CHOICE_PRINT_TYPE Remote\nclick VPD_IDC_BASIC_BUTTON_PRINT_TYPE\nclick 2482\nok\ndialog\ncancel\ncancel\n' \
  > "$work/empty.txt"
out=$("$velm" sheet P --document --script "$work/empty.txt"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | sed -n '/^step 5: dialog$/,/^step 6/p' | grep -q '^dialog 2 of 2: "Remote Destination"'
check "list mode with no address keeps the dialog open at OK" $?

cat > "$work/book.txt" <<'STEPS'
select VPD_IDC_BASIC_CHOICE_PRINT_TYPE Remote
click VPD_IDC_BASIC_BUTTON_PRINT_TYPE
click VPD_IDC_REMOTE_BUTTON_ADDRESS
type VPD_IDC_ADDRESS_EDIT_NAME Tokyo office
type VPD_IDC_ADDRESS_EDIT_TELNO 03-1234-5678
select VPD_IDC_ADDRESS_CHOICE_TELLINE 4
click VPD_IDC_ADDRESS_BUTTON_ADD
type VPD_IDC_ADDRESS_EDIT_NAME Osaka
type VPD_IDC_ADDRESS_EDIT_TELNO 06-1111
click VPD_IDC_ADDRESS_BUTTON_ADD
answer ok
click VPD_IDC_ADDRESS_BUTTON_DELETE
click 8
click 2482
dialog
ok
ok
STEPS
out=$("$velm" sheet P --document --script "$work/book.txt" --snapshot "$work/shots"); rc=$?
[ $rc -eq 0 ]; check "the person's script runs" $?
printf '%s\n' "$out" | grep -q 'rows=2 sel=1 \[Tokyo office\] \[Osaka\]'; check "two addresses, the new one chosen" $?
printf '%s\n' "$out" | grep -q '^message box "P" \[OK Cancel\] answered 1: '; check "delete asks first" $?
printf '%s\n' "$out" | sed -n '/^step 12:/,/^step 13:/p' | grep -q 'rows=1 sel=0 \[Tokyo office\]'
check "one is left after the delete" $?
printf '%s\n' "$out" | sed -n '/^step 15:/,/^step 16:/p' | grep -q 'EDIT #2486 "03-1234-5678"'
check "the remote dialog picks the address's number" $?
printf '%s\n' "$out" | grep -q '^result: 1 (IDOK)$'; check "OK" $?
printf '%s\n' "$out" | grep -Eq '^  243 +vdmTelNo +"03-1234-5678"$' &&
  printf '%s\n' "$out" | grep -Eq '^  244 +vdmTelLine +4 IDS_TELLINE_G4$'
check "the DEVMODE holds the chosen address's number and line" $?

list=$("$velm" address list P)
[ "$list" = $'1\tTokyo office\t03-1234-5678\tG4' ]; check "velm address list shows the one left" $?
csv=$(find "$VELM_MACHINE" -iname velmaddr.csv | head -1)
[ "$(cat "$csv")" = $'Tokyo office,,,,,03-1234-5678,,,,G4,,,\r' ]; check "the file holds one CR LF line" $?

out=$("$velm" address add P Kobe 078-222 --line G3-1 --at 1); rc=$?
[ $rc -eq 0 ] && [ "$out" = $'added 1\tKobe' ]; check "velm address add" $?
[ "$("$velm" address list P | cut -f2 | tr '\n' ' ')" = "Kobe Tokyo office " ]; check "before the first" $?
"$velm" address add P 'A,B' 1 2>&1 | grep -q 'the name may not hold a comma'; check "a comma is refused" $?
"$velm" address add P Nara '0742 1' 2>&1 | grep -q 'the number may hold only digits'; check "a space in a number is refused" $?
"$velm" address add P Nara 1 --at 9 2>&1 | grep -q 'there are 2 entries; --at takes 1-3'; check "a place past the end is refused" $?
"$velm" address delete P 5 2>&1 | grep -q 'there is no entry 5 (there are 2)'; check "a missing entry is refused" $?
out=$("$velm" address delete P 2); [ "$out" = $'deleted 2\tTokyo office' ]; check "velm address delete" $?
"$velm" address frob P >/dev/null 2>&1; [ $? -eq 2 ]; check "an unknown subcommand shows the usage" $?

# Commands editing the book at once lose none of each other's entries.
before_count=$("$velm" address list P | wc -l)
for i in 1 2 3 4 5 6; do "$velm" address add P "Branch $i" "0$i" >/dev/null & done
wait
[ "$("$velm" address list P | grep -c $'\tBranch ')" -eq 6 ] &&
  [ "$("$velm" address list P | wc -l)" -eq $((before_count + 6)) ]
check "six adds at once keep all six" $?

# A book with a field too long for the driver is shown as unreadable and
# never written over.
printf '%s,1\r\n' "$(printf 'x%.0s' $(seq 65))" > "$csv"
before=$(cat "$csv")
"$velm" address list P 2>&1 | grep -q 'longer than it may be'; check "an unreadable book is reported" $?
"$velm" address add P Nara 1 >/dev/null 2>&1; [ $? -eq 1 ] && [ "$(cat "$csv")" = "$before" ]
check "and left as it is" $?

exit $fail
