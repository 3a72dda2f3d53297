#!/usr/bin/env bash
# The settings-file dialog as a person uses it: on printer A landscape, 2-up
# and duplex are chosen and saved to a file through the save dialog; on
# printer B the dialog loads that file, and B's sheet answers the same
# settings: velm printer show lists the same for both. The step "file" answers the file dialog in front, and says so
# when there is none.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

# The reference model with a button on the Others page that opens the
# settings-file dialog.
model="$work/files.mdf"
sed -e '/^\*Action 10=ScaleReset/a *Action 21=SettingsFiles: { VPD_QSTOPENSAVE 0 }' \
    -e '/^\*Transact 9=ScaleFollow/a *Transact 21=OpenSettingsFiles: { NULL SettingsFiles }' \
    -e '/^  VPD_RADIOLIST_7 NULL SortOff/a \  VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE NULL NULL NULL NULL OpenSettingsFiles NULL' \
    -e '/^\*OpenUI \*VPD_IDC_FINISH_CHOICE_SORT: Boolean/i *OpenUI *VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE: Boolean\n*DefaultVPD_IDC_OTHERS_BUTTON_SAVE_RESTORE: False\n*CloseUI: *VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE\n' \
    "$src/models/reference.mdf" > "$model"
grep -q 'OpenSettingsFiles NULL' "$model"; check "the model has the settings-file button" $?

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add A --model "$model" >/dev/null && "$velm" printer add B --model "$model" >/dev/null
check "two printers of that model" $?

devmode() {  # sheet output: the resulting DEVMODE's lines
  printf '%s\n' "$1" | sed -n '/^result:/,/^stored settings/p'
}
chosen() {  # sheet output: orientation, N-up and duplex of the result
  devmode "$1" | grep -E '^  (7|59|61) ' | awk '{print $2, $3}'
}

cat > "$work/save.txt" <<'STEPS'
click 2027
check VPD_IDC_EDIT_CHOICE_NUP on
check VPD_IDC_EDIT_CHOICE_DUPLEX on
answer ok
click VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE
dialog
file C:\Users\user\Documents\layout
ok
STEPS
out_a=$("$velm" sheet A --document --script "$work/save.txt"); rc=$?
[ $rc -eq 0 ]; check "the script on A runs" $?
printf '%s\n' "$out_a" | grep -q '^dialog 2 of 2: "Save Settings File" (the steps act on it)$'; check "the button opens the dialog" $?
printf '%s\n' "$out_a" | grep -q '^result: 1 (IDOK)$'; check "A's sheet confirmed" $?
[ "$(chosen "$out_a")" = "$(printf 'dmOrientation 2\nvdmFuncSelectNup 1\nvdmFuncSelectDuplex 1')" ]
check "A: landscape, 2-up, duplex" $?
saved=$(find "$VELM_MACHINE" -iname 'layout.qst' | head -1)
[ -n "$saved" ] && grep -aq '^vdmFuncSelectDuplex=1' "$saved"; check "saved as layout.qst (the extension added)" $?

cat > "$work/load.txt" <<'STEPS'
click VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE
type 1152 C:\Users\user\Documents\layout.qst
click 5002
ok
STEPS
printf 'ok\n' > "$work/ok.txt"
before_b=$("$velm" sheet B --document --script "$work/ok.txt")
[ "$(chosen "$before_b")" = "dmOrientation 1" ]  # items at 0 are not listed
check "B starts portrait, 1-up, one-sided" $?
# Cancel in the dialog loads nothing.
printf 'click VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE\nfile cancel\nok\n' > "$work/cancel.txt"
out=$("$velm" sheet B --document --script "$work/cancel.txt"); rc=$?
[ $rc -eq 0 ]; check "cancelling the dialog" $?
[ "$(chosen "$out")" = "$(chosen "$before_b")" ]; check "changes nothing" $?

out_b=$("$velm" sheet B --document --script "$work/load.txt"); rc=$?
[ $rc -eq 0 ]; check "the script on B runs" $?
[ "$(chosen "$out_b")" = "$(chosen "$out_a")" ]; check "B answers A's settings after the load" $?
printf '%s\n' "$out_b" | grep -q '^result: 1 (IDOK)$'; check "B's sheet confirmed" $?

# Every stored setting of B is A's: the two printers show the same, but for
# the lines that name the printer itself.
shown() {  # printer: its settings as velm printer show lists them
  "$velm" printer show "$1" | grep -v -E "^printer name |\(printer data PrinterName $1\)$"
}
shown A > "$work/show_a.txt" && shown B > "$work/show_b.txt"; check "velm printer show A and B" $?
[ "$(wc -l < "$work/show_a.txt")" -gt 100 ]; check "lists the settings" $?
grep -q '^  61 .*vdmFuncSelectDuplex  *1$' "$work/show_b.txt" && grep -q '^  102 .*vdmDuplexType  *3 ' "$work/show_b.txt"
check "B: duplex on, bound on the long edge as A" $?
diff "$work/show_a.txt" "$work/show_b.txt"; check "B shows the settings A shows" $?

# A name over the path bound is refused with a message, and the dialog stays.
long=$(printf 'n%.0s' $(seq 1 300))
printf 'click VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE\nanswer ok\nfile C:\\%s\nfile cancel\nok\n' "$long" > "$work/long.txt"
out=$("$velm" sheet B --document --script "$work/long.txt"); rc=$?
[ $rc -eq 0 ]; check "a long name" $?
printf '%s\n' "$out" | grep -q '^the file dialog stays open$'; check "keeps the dialog open" $?
printf '%s\n' "$out" | grep -q '^message box "B" \[OK\] answered 1: '; check "with a message" $?

printf 'file C:\\x.qst\n' > "$work/nodialog.txt"
msg=$("$velm" sheet B --document --script "$work/nodialog.txt" 2>&1); rc=$?
[ $rc -eq 1 ]; check "file without a file dialog stops the script" $?
printf '%s\n' "$msg" | grep -q 'file C:\\x.qst: the window in front is no file dialog'; check "and says why" $?

# Confirmed with OK, the loaded settings are B's own from now on.
b_defaults=$("$velm" devmode defaults B | grep -E '^  (7|59|61) ' | awk '{print $2, $3}')
[ "$b_defaults" = "$(chosen "$out_a")" ]; check "B keeps them as its default settings" $?

exit $fail
