#!/bin/bash
# Installing printers from the reference model's driver package, the
# batch-settings ini, and a scenario bundle carried from one printer to
# another.
. "$(dirname "$0")/cli_common.sh" "$1"
package="$src/models/reference-package"
"$velm" machine init "$VELM_MACHINE" >/dev/null 2>&1

"$velm" printer add A --model "$src/models/reference.mdf" --package "$package" >/dev/null 2>&1
check "printer from the package" $?
list=$("$velm" preset list A | cut -f2 | tr '\n' ',')
[ "$list" = "Office,Draft," ]; check "default presets listed, the disabled one left out ($list)" $?

"$velm" batch set A SetUserID=ab BadArgument >/dev/null 2>&1
[ $? -ne 0 ] && [ -z "$("$velm" batch show A)" ]; check "a refused batch set writes nothing" $?
"$velm" batch set A SetUserID=ab SetOwnerID=me && "$velm" batch clear A SetOwnerID
[ "$("$velm" batch show A)" = "SetUserID=ab" ]; check "batch set and clear" $?
"$velm" batch clear A
[ -z "$("$velm" batch show A)" ]; check "batch clear of the whole section" $?

"$velm" preset save A Mine --comment "my own" >/dev/null
# A's user paper size 1 and a watermark of its own, made at its document
# sheet as a person does it; the bundle carries both.
papers_before=$("$velm" papers list A); stamps_before=$("$velm" stamp list A)
printf '%s\n' 'page Initial Settings' 'click VPD_IDC_INIT_BUTTON_FREESIZE' 'dialog' \
  'select VPD_IDC_FREESIZE_CHOICE_ENTRY 0' 'type VPD_IDC_FREESIZE_EDIT_NAME Card' \
  'type VPD_IDC_FREESIZE_EDIT_WIDTH_MM 100' 'type VPD_IDC_FREESIZE_EDIT_LENGTH_MM 150' ok ok > "$VELM_MACHINE/size.txt"
printf '%s\n' 'page VPD_IDD_EDIT' 'click VPD_IDC_EDIT_BUTTON_CHARSTAMP' 'dialog' \
  'type VPD_IDC_STAMP_CHAR_EDIT_NAME DRAFT' 'type VPD_IDC_STAMP_CHAR_EDIT_CHAR DRAFT' \
  'type VPD_IDC_STAMP_CHAR_EDIT_ANGLE 45' ok ok > "$VELM_MACHINE/stamp.txt"
"$velm" sheet A --document --script "$VELM_MACHINE/size.txt" >/dev/null &&
  "$velm" sheet A --document --script "$VELM_MACHINE/stamp.txt" >/dev/null
check "A's user size and watermark set at its sheet" $?
[ "$("$velm" papers list A)" != "$papers_before" ] && "$velm" papers list A | grep -q Card
check "A's paper sizes changed" $?
[ "$("$velm" stamp list A)" != "$stamps_before" ] && "$velm" stamp list A | grep -q DRAFT
check "A's watermarks changed" $?
out=$("$velm" preset export A 'C:\Users\user\a.lst')
check "export" $?
qsb=$(echo "$out" | sed -n 's/^DefaultQst=//p')
dir=$(ls -d "$VELM_MACHINE"/c/_velm/velm/*/)
[ "$(ls "$dir" | wc -l)" = 6 ]; check "bundle of one default file, three presets and two quality sets" $?
# The installation tool puts the bundle's files where its %sysdir% names point.
cp "$dir"/*.qsd "$dir"/*.qsq "$VELM_MACHINE/c/_velm/"
"$velm" batch set B "DefaultQst=$qsb"
"$velm" printer add B --model "$src/models/reference.mdf" --package "$package" >/dev/null 2>&1
check "printer B" $?
[ "$("$velm" preset list A | cut -f2-3)" = "$("$velm" preset list B | cut -f2-3)" ]; check "B's presets are A's" $?
[ "$("$velm" papers list A)" = "$("$velm" papers list B)" ]; check "B's paper sizes are A's" $?
[ "$("$velm" stamp list A)" = "$("$velm" stamp list B)" ]; check "B's watermarks are A's" $?
"$velm" batch show B | grep -q "^DefaultQst=" ; [ $? -ne 0 ]; check "DefaultQst consumed" $?

# A list file that names a folder outside the bundles removes only itself.
mkdir -p "$VELM_MACHINE/c/Users/user/docs" && echo mine > "$VELM_MACHINE/c/Users/user/docs/keep.txt"
printf '[ScenarioInstallData]\r\nORVEKVELMDriverFileList=1\r\nDefaultQst=C:\\Users\\user\\docs\\x.qsb\r\n' \
  > "$VELM_MACHINE/c/Users/user/evil.lst"
"$velm" preset delete-bundle 'C:\Users\user\evil.lst' >/dev/null
[ -f "$VELM_MACHINE/c/Users/user/docs/keep.txt" ] && [ ! -f "$VELM_MACHINE/c/Users/user/evil.lst" ]
check "hostile list file" $?
"$velm" preset delete-bundle 'C:\Users\user\a.lst' >/dev/null
[ ! -d "$dir" ]; check "bundle deleted" $?
exit $fail
