#!/usr/bin/env bash
# velm caps asks the printer's interface library, as applications do: the
# lists follow the model, the rules under the given DEVMODE and the device
# the printer query read.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

# Trays and papers; the staple hides the bypass tray and A3.
cat > "$work/caps.mdf" <<'MDF'
*FileVersion: 3.62
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*DefaultVPD_IDC_FINISH_CHOICE_STAPLE: False
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*DefaultVPD_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_TRAY1
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO: "AUTO"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE: PickPage
*DefaultVPD_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "A3"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "A4"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "2970 4200"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "2100 2970"
*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE
*Judge 1=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Item 1=Trays: { IDS_SOURCE_MANUAL StapleOn NULL }
*Item 2=Papers: { IDS_PAPERSIZE_A3 StapleOn NULL }
*Exclusive: {
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL NULL NULL
  VPD_IDC_PRESET_CHOICE_PAPERSIZE NULL NULL Papers NULL NULL NULL
}
MDF

line() { tr '\n' ' ' | sed 's/ $//'; }

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$work/caps.mdf" >/dev/null
check "a printer of the small caps model" $?
[ "$("$velm" caps P DC_PAPERS | line)" = "8 9" ]; check "DC_PAPERS: the model's papers" $?
[ "$("$velm" caps P DC_BINS | line)" = "7 1 4" ]; check "DC_BINS: the model's trays" $?
[ "$("$velm" caps P 6 | line)" = "7 1 4" ]; check "a query by its index" $?
[ "$("$velm" caps P DC_PAPERSIZE | line)" = "2970 4200 2100 2970" ]; check "DC_PAPERSIZE in 0.1 mm" $?
"$velm" devmode set P VPD_IDC_FINISH_CHOICE_STAPLE=1 -o "$work/staple.dm" >/dev/null
check "a DEVMODE with the staple on" $?
[ "$("$velm" caps P DC_PAPERS --devmode "$work/staple.dm" | line)" = "9" ]
check "DC_PAPERS: the paper the rules hide under the DEVMODE disappears" $?
[ "$("$velm" caps P DC_BINS --devmode "$work/staple.dm" | line)" = "7 1" ]
check "DC_BINS: so does the tray" $?
[ "$("$velm" caps P DC_PAPERNAMES --devmode "$work/staple.dm" | wc -l)" -eq 1 ]; check "one paper name" $?

# Constant answers and the fixed lists; DC_DUPLEX as the printer's set-up
# stored its duplex unit (none).
for q in "DC_SIZE 220" "DC_EXTRA 1040" "DC_VERSION 1025" "DC_DRIVER 1024" "DC_COPIES 999" \
         "DC_ORIENTATION 90" "DC_PRINTRATEUNIT 1" "DC_MANUFACTURER -1" "DC_MEDIATYPES -1" "DC_DUPLEX 0"; do
  set -- $q
  [ "$("$velm" caps P "$1")" = "$2" ]; check "$1 answers $2" $?
done
[ "$("$velm" caps P DC_NUP | line)" = "1 2 4 9 16" ]; check "DC_NUP" $?
[ "$("$velm" caps P DC_PERSONALITY)" = "VELM" ]; check "DC_PERSONALITY" $?

# Bad input is refused with a clear message.
head -c 600 "$work/staple.dm" > "$work/short.dm"
msg=$("$velm" caps P DC_PAPERS --devmode "$work/short.dm" 2>&1); rc=$?
[ $rc -eq 1 ] && printf '%s\n' "$msg" | grep -q 'holds 600 bytes but its header declares 1260'
check "a DEVMODE file shorter than its header says is refused" $?
"$velm" caps P DC_PAPERS --devmode "$work/missing.dm" 2>&1 | grep -q 'cannot read'; check "a missing DEVMODE file" $?
"$velm" caps P DC_NOTHING >/dev/null 2>&1; [ $? -eq 2 ]; check "an unknown query is a usage error" $?
"$velm" caps P 36 >/dev/null 2>&1; [ $? -eq 2 ]; check "an index past 35 is a usage error" $?

# Trays come from the device: the bank and large-capacity trays of the
# reference model appear once the printer query has read the units.
"$velm" printer add Office --model "$src/models/reference.mdf" --driver-name "VELM Reference" --bidi >/dev/null
check "a printer of the reference model" $?
[ "$("$velm" caps Office DC_BINS | line)" = "7 1 3 2 4" ]; check "before the query: no bank, no large-capacity tray" $?
"$velm" device set Office options 1,3,6,8,9,10,12,16,104,137,138 && "$velm" printer query Office >/dev/null
[ "$("$velm" caps Office DC_BINS | line)" = "7 1 3 2 11 4" ]; check "the large-capacity tray the device reports" $?
"$velm" device set Office options 1,3,6,8,9,10,12,16,102,104,137,138 && "$velm" printer query Office >/dev/null
[ "$("$velm" caps Office DC_BINS | line)" = "7 1 3 2 256 11 4" ]; check "a bank tray added to the device appears" $?
[ "$("$velm" caps Office DC_BINNAMES | wc -l)" -eq 7 ]; check "a name per tray" $?
exit $fail
