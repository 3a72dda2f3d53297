#!/usr/bin/env bash
# The DEVMODE and rule commands of the host run as a person runs them:
# velm devmode defaults/show/merge/set and velm model eval.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?

out=$("$velm" devmode defaults Office -o "$work/office.dm")
check "devmode defaults exits 0" $?
[ "$(stat -c %s "$work/office.dm")" -eq 1260 ]; check "the DEVMODE file holds 1260 bytes" $?
printf '%s\n' "$out" | grep -q '^DEVMODE: 1260 bytes (dmSize 220, dmDriverExtra 1040), dmSpecVersion 0x0401'
check "sizes and dmSpecVersion" $?
printf '%s\n' "$out" | grep -qP '^  8\s+dmPaperSize\s+9 IDS_PAPERSIZE_A4$'; check "public field with its option keyword" $?
printf '%s\n' "$out" | grep -q 'signature VELM, model tag priv, private size 1040, version 0x00030003, region offsets 0 1260 1768, compatible'
check "private header" $?
printf '%s\n' "$out" | grep -qP '^  710\s+vdmVcomMark\s+"VCOMMON"$'; check "marker" $?
printf '%s\n' "$out" | grep -qP '^  189\s+vdmTTFont\s+3 IDC_USER_TTF_RADIO_TABLE$'; check "a set private item by name and keyword" $?
printf '%s\n' "$out" | grep -qP '^  39\s+vdmMachineID\s+134$'; check "model family" $?
printf '%s\n' "$out" | grep -qP '^  716\s+vdmOSKind\s+2$'; check "environment flag" $?
! printf '%s\n' "$out" | grep -qP '^  (60|62)\s'; check "items that hold 0 are left out" $?

# A write that fails (here: a file-size limit of 0 stands for a full disk)
# leaves the earlier file whole, never a truncated one.
cp "$work/office.dm" "$work/keep.dm"
msg=$( (trap '' XFSZ; ulimit -f 0; "$velm" devmode defaults Office -o "$work/keep.dm" 2>&1 >/dev/null) ); rc=$?
[ $rc -eq 1 ]; check "a failed -o write fails the command" $?
printf '%s\n' "$msg" | grep -q "cannot write $work/keep.dm"; check "and says which file" $?
cmp -s "$work/office.dm" "$work/keep.dm"; check "and keeps the earlier file whole" $?
! ls -A "$work" | grep -q '^\.~'; check "and leaves no temporary file" $?

shown=$("$velm" devmode show "$work/office.dm")
check "devmode show exits 0" $?
[ "$shown" = "$out" ]; check "show prints the file as defaults printed it" $?

head -c 700 "$work/office.dm" > "$work/cut.dm"
msg=$("$velm" devmode show "$work/cut.dm" 2>&1 >/dev/null); rc=$?
[ $rc -eq 1 ]; check "a cut DEVMODE is refused" $?
printf '%s\n' "$msg" | grep -q 'malformed DEVMODE: dmSize + dmDriverExtra declare 1260 bytes, but the file holds 700'
check "and says why" $?
head -c 40 "$work/office.dm" > "$work/tiny.dm"
"$velm" devmode show "$work/tiny.dm" 2>&1 | grep -q 'not a DEVMODE: 40 bytes'; check "a file shorter than a header is refused" $?
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x04\x00\x04\x10\x27\x00\x00' > "$work/huge.dm"
"$velm" devmode show "$work/huge.dm" 2>&1 | grep -q 'not a DEVMODE: dmSize 10000'; check "an impossible dmSize is refused" $?
"$velm" devmode show "$work/missing.dm" >/dev/null 2>&1
[ $? -eq 1 ]; check "a missing file is refused" $?
"$velm" devmode defaults Nobody >/dev/null 2>&1
[ $? -eq 1 ]; check "an unknown printer is refused" $?

# ---- merge: an application's DEVMODE with values the model refuses and
# another model's private part.
cp "$work/office.dm" "$work/app.dm"
patch "$work/app.dm" 72 '\x10\x11\x00\x00'   # dmFields: DM_SCALE | DM_COPIES | DM_DUPLEX
patch "$work/app.dm" 84 '\x00\x00\x00\x00'   # dmScale 0, dmCopies 0
patch "$work/app.dm" 94 '\x04\x00'           # dmDuplex 4
patch "$work/app.dm" 349 'xxxx'              # another model's private part ...
patch "$work/app.dm" 459 '\x13'               # ... with its own vdmDuplexType 19
merged=$("$velm" devmode merge Office "$work/app.dm" -o "$work/merged.dm")
check "devmode merge exits 0" $?
[ "$(stat -c %s "$work/merged.dm")" -eq 1260 ]; check "the merged DEVMODE holds 1260 bytes" $?
printf '%s\n' "$merged" | grep -qP '^  11\s+dmScale\s+100$'; check "scale 0 becomes 100" $?
printf '%s\n' "$merged" | grep -qP '^  12\s+dmCopies\s+1$'; check "copies 0 become 1" $?
printf '%s\n' "$merged" | grep -qP '^  16\s+dmDuplex\s+1$'; check "duplex 4 becomes 1" $?
printf '%s\n' "$merged" | grep -q 'model tag priv, .*, compatible'; check "the working private part is kept" $?
! printf '%s\n' "$merged" | grep -qP '^  102\s+vdmDuplexType\s+19'; check "nothing of the foreign private part" $?
fields=$(printf '%s\n' "$merged" | awk '$2 == "dmFields" {print $3}')
[ $(( fields & 0x10 )) -eq 0 ] && [ $(( fields & 0x1100 )) -eq $(( 0x1100 )) ]
check "DM_SCALE never announced, DM_COPIES and DM_DUPLEX announced" $?
[ "$("$velm" devmode show "$work/merged.dm")" = "$merged" ]; check "the written file shows as printed" $?
"$velm" devmode merge Office "$work/cut.dm" 2>&1 | grep -q 'malformed DEVMODE'; check "merge refuses a cut input" $?
"$velm" devmode merge Office "$work/missing.dm" >/dev/null 2>&1
[ $? -eq 1 ]; check "merge of a missing file fails" $?
"$velm" devmode merge Nobody "$work/app.dm" >/dev/null 2>&1
[ $? -eq 1 ]; check "merge for an unknown printer fails" $?
"$velm" devmode merge Office >/dev/null 2>&1
[ $? -eq 2 ]; check "merge without an input is a usage error" $?

# ---- set: settings by name, then validation and the public fields.
set_out=$("$velm" devmode set Office dmCopies=3 VPD_IDC_PRESET_CHOICE_COLOR=IDS_COLOR vdmTimeOut=4 -o "$work/set.dm")
check "devmode set exits 0" $?
printf '%s\n' "$set_out" | grep -qP '^  12\s+dmCopies\s+3$'; check "a public field by item name" $?
printf '%s\n' "$set_out" | grep -qP '^  15\s+dmColor\s+2 IDS_COLOR$'; check "a feature by name and keyword" $?
printf '%s\n' "$set_out" | grep -qP '^  214\s+vdmTimeOut\s+300$'; check "validation repairs a time-out of 4" $?
[ "$(stat -c %s "$work/set.dm")" -eq 1260 ]; check "set writes the DEVMODE" $?
msg=$("$velm" devmode set Office VPD_NoSuchFeature=1 2>&1 >/dev/null); rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$msg" | grep -q 'no feature or setting named VPD_NoSuchFeature'
check "set refuses an unknown name" $?
"$velm" devmode set Office dmCopies=lots 2>&1 | grep -q 'no value lots for dmCopies'; check "set refuses an unknown value" $?
"$velm" devmode set Office dmCopies=99999999999 >/dev/null 2>&1
[ $? -eq 1 ]; check "set refuses a number beyond 32 bits" $?
"$velm" devmode set Office dmCopies >/dev/null 2>&1
[ $? -eq 1 ]; check "set refuses a word without =" $?
"$velm" devmode set Office dmFormName=x 2>&1 | grep -q 'holds text'; check "set refuses a text setting" $?
"$velm" devmode set Office VPD_Fin2250LandSet=1 2>&1 | grep -q 'VPD_Fin2250LandSet is a computed condition item'
check "set never writes a computed condition item" $?

ref="$src/models/reference.mdf"
plain=$("$velm" model eval "$ref")
check "model eval exits 0" $?
printf '%s\n' "$plain" | grep -q '^model .*: [0-9]* features, [0-9]* with rules$'; check "model eval header" $?
section() {  # text, section name: the lines of that section
  printf '%s\n' "$1" | awk -v s="$2:" '$0 == s {on=1; next} /^[a-z]+:$/ {on=0} on'
}
section "$plain" hidden | grep -qx '  VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY4'; check "no bank tray hides its tray" $?
! section "$plain" hidden | grep -qx '  VPD_IDC_EDIT_CHOICE_DUPLEX'; check "duplex shown with a duplex unit" $?
section "$plain" alerts | grep -qx '  (none)'; check "no alert under the defaults" $?

ruled=$("$velm" model eval "$ref" --set VPD_OptionDuplex=0 --set VPD_IDC_FINISH_CHOICE_STAPLE=True \
  --set VPD_IDC_FINISH_CHOICE_PUNCH=1 --set VPD_IDC_EDIT_CHOICE_DUPLEX=1 \
  --set VPD_IDC_PRESET_CHOICE_PAPERSIZE=IDS_PAPERSIZE_A6)
check "model eval with settings exits 0" $?
printf '%s\n' "$ruled" | grep -qx 'set dmPaperSize = 70 IDS_PAPERSIZE_A6'; check "the settings are echoed" $?
section "$ruled" hidden | grep -qx '  VPD_IDC_EDIT_CHOICE_DUPLEX'; check "no duplex unit hides duplex" $?
section "$ruled" disabled | grep -qx '  VPD_IDC_EDIT_STATIC_DUPLEX IDS_EDIT_DUPLEX_LEFT'
check "small paper disables an option" $?
section "$ruled" alerts | grep -qx '  VPD_IDC_FINISH_CHOICE_STAPLE VPD_StaplePunchOnMessage'; check "staple with punch alerts" $?
section "$ruled" transacts | grep -qx '  VPD_IDC_PRESET_CHOICE_PAPERSIZE: vdmFuncSelectDuplex 1 -> 0'
check "a paper change turns duplex off" $?

"$velm" model eval "$ref" --set VPD_NoSuchFeature=1 2>&1 | grep -q 'no feature or setting named VPD_NoSuchFeature'
check "an unknown setting is refused" $?
"$velm" model eval "$ref" --set VPD_OptionDuplex=IDS_NO_SUCH >/dev/null 2>&1
[ $? -eq 1 ]; check "an unknown keyword is refused" $?
"$velm" model eval >/dev/null 2>&1
[ $? -eq 2 ]; check "model eval without a file is a usage error" $?

exit $fail
