#!/usr/bin/env bash
# The address book of remote destinations, as a person keeps it: in the
# sheet (print type Remote opens the remote destination dialog, its "..."
# button the address list, where two addresses are added and one deleted),
# then seen and edited through velm address. The reference model names no
# dialog for those buttons, so the printer's model is the reference model
# with the buttons' transacts and the delete button's question added.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

cr=$'\r'
model="$work/remote.mdf"
sed -e "/^\*OpenUI \*VPD_IDC_ADDRESS_CHOICE_TELLINE: PickOne/i *OpenUI *VPD_IDC_REMOTE_BUTTON_ADDRESS: Boolean$cr\\
*CloseUI: *VPD_IDC_REMOTE_BUTTON_ADDRESS$cr\\
*OpenUI *VPD_IDC_ADDRESS_BUTTON_DELETE: Boolean$cr\\
*CloseUI: *VPD_IDC_ADDRESS_BUTTON_DELETE$cr" \
    -e "/^\*Judge 36=/a *Judge 103=PickFromBook: VPD_RADIOLIST_11 == IDC_REMOTE_RADIO_ADDRESS$cr" \
    -e "/^\*Action 10=/a *Action 21=AskDestination: { VPD_RADIOLIST_11 IDC_REMOTE_RADIO_TELNO VPD_IDD_DIALOG_REMOTE 0 }$cr\\
*Action 22=KeepAddresses: { VPD_RADIOLIST_11 IDC_REMOTE_RADIO_ADDRESS VPD_IDD_DIALOG_ADDRESS 0 }$cr" \
    -e "/^\*Transact 9=/a *Transact 21=RemoteDestination: { RemoteOn AskDestination }$cr\\
*Transact 22=AddressBook: { NULL KeepAddresses }$cr" \
    -e "/^\*Alert 5=/a *Alert 21=AddressDelete: { PickFromBook VPD_AddressDelMessage MB_ICONQUESTION MB_OKCANCEL AlertAtOnce NULL }$cr" \
    -e "s/^  VPD_IDC_PRESET_CHOICE_PRINTTYPE NULL NULL PrintTypes PrintTypeAlert NULL NULL/&\\
  VPD_IDC_REMOTE_BUTTON_ADDRESS NULL NULL NULL NULL AddressBook NULL$cr\\
  VPD_IDC_ADDRESS_BUTTON_DELETE NULL NULL NULL AddressDelete NULL NULL$cr/" \
    -e "s/^\(  VPD_IDC_PRESET_CHOICE_PRINTTYPE NULL NULL PrintTypes PrintTypeAlert\) NULL NULL/\1 RemoteDestination NULL/" \
    "$src/models/reference.mdf" > "$model"
[ "$(grep -c "AddressBook\|AskDestination\|AddressDelete\|PickFromBook" "$model")" -eq 7 ] &&
  [ "$("$velm" model show "$model" | grep -c "^feature VPD_IDC_\(REMOTE\|ADDRESS\)_BUTTON_\(ADDRESS\|DELETE\) ")" -eq 2 ]
check "the model with the address buttons" $?

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$model" >/dev/null
check "a printer of it" $?

[ -z "$("$velm" address list P)" ]; check "the book starts empty" $?

# With an empty book the remote dialog cannot take OK in list mode.
printf 'select VPD_IDC_PRESET_CHOICE_PRINTTYPE Remote\nclick 2482\nok\ndialog\ncancel\ncancel\n' > "$work/empty.txt"
out=$("$velm" sheet P --document --script "$work/empty.txt"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | sed -n '/^step 4: dialog$/,/^step 5/p' | grep -q '^dialog 2 of 2: "Remote Destination"'
check "list mode with no address keeps the dialog open at OK" $?

cat > "$work/book.txt" <<'STEPS'
select VPD_IDC_PRESET_CHOICE_PRINTTYPE Remote
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
printf '%s\n' "$out" | sed -n '/^step 11:/,/^step 12:/p' | grep -q 'rows=1 sel=0 \[Tokyo office\]'
check "one is left after the delete" $?
printf '%s\n' "$out" | sed -n '/^step 14:/,/^step 15:/p' | grep -q 'EDIT #2486 "03-1234-5678"'
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
