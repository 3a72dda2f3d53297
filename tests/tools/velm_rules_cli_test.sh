#!/usr/bin/env bash
# The rule and capability commands of the host run as a person runs them:
# the computed items of velm model eval, velm model pjl and velm caps.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"
ref="$src/models/reference.mdf"

# A model whose rules read two computed items.
cat > "$work/fin.mdf" <<'MDF'
*FileVersion: 3.62
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*Judge 1=NoStapleSize: VPD_Fin2250StapleSupportSize == 0
*Judge 2=Landscape: VPD_PrintPaperOrient == 1
*Exclusive: {
  VPD_IDC_FINISH_CHOICE_STAPLE NoStapleSize Landscape NULL NULL NULL NULL
}
MDF
out=$("$velm" model eval "$work/fin.mdf" --set vdmOutPaperSize=9 --set dmOrientation=1)
check "model eval with computed items exits 0" $?
printf '%s\n' "$out" | grep -qx 'computed 733 VPD_Fin2250StapleSupportSize 1'; check "A4 is a staple size" $?
printf '%s\n' "$out" | grep -qx 'computed 827 VPD_PrintPaperOrient 0'; check "portrait sheet" $?
[ "$(printf '%s\n' "$out" | grep -c '^computed ')" -eq 2 ]; check "only the items the rules read" $?
out=$("$velm" model eval "$work/fin.mdf" --set vdmOutPaperSize=11 --set dmOrientation=2)
printf '%s\n' "$out" | grep -qx 'computed 733 VPD_Fin2250StapleSupportSize 0'; check "A5 is no staple size" $?
printf '%s\n' "$out" | grep -qx 'computed 827 VPD_PrintPaperOrient 1'; check "landscape sheet" $?
printf '%s\n' "$out" | awk '$0=="hidden:"{on=1;next} /^[a-z]+:$/{on=0} on' | grep -qx '  VPD_IDC_FINISH_CHOICE_STAPLE'
check "the rule hides staple by the computed item" $?
! "$velm" model eval "$ref" | grep -q '^computed '; check "a model without computed items prints none" $?
msg=$("$velm" model eval "$ref" --set VPD_Fin2250LandSet=1 2>&1 >/dev/null); rc=$?
[ $rc -eq 1 ]; check "a computed item cannot be set" $?
printf '%s\n' "$msg" | grep -q 'VPD_Fin2250LandSet is computed from other settings and cannot be set'; check "and says why" $?

pjl=$("$velm" model pjl "$ref")
check "model pjl exits 0" $?
[ "$(printf '%s\n' "$pjl" | wc -l)" -eq 48 ]; check "48 variables" $?
printf '%s\n' "$pjl" | grep -qx 'COLLATE 129 \*OFF=0'; check "collate without finisher or storage" $?
printf '%s\n' "$pjl" | grep -qx 'OUTBIN 57 UPPER=2 UPPER=0'; check "output bins keep the alias row" $?
printf '%s\n' "$pjl" | grep -qx 'FORCEFEED 0 -'; check "a variable without values" $?
pjl=$("$velm" model pjl "$ref" --set 479=1 --set 499=1)
printf '%s\n' "$pjl" | grep -qx 'set #479 = 1'; check "settings by id are echoed" $?
printf '%s\n' "$pjl" | grep -qx 'STAPLE 136 LEFTTOPSLANT=34 RIGHTTOPSLANT=33 TOP2=65 LEFT2=67 RIGHT2=66 LEFTTOP=50 RIGHTTOP=49 \*OFF=0'
check "staple with the finisher and the hard disk" $?
"$velm" model pjl "$ref" --set NoSuchThing=1 2>&1 | grep -q 'velm model pjl: no feature or setting named NoSuchThing'
check "an unknown setting is refused" $?
"$velm" model pjl >/dev/null 2>&1
[ $? -eq 2 ]; check "model pjl without a file is a usage error" $?
"$velm" model pjl "$work/missing.mdf" >/dev/null 2>&1
[ $? -eq 1 ]; check "a missing model is refused" $?

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$ref" >/dev/null
check "a printer of the reference model" $?
papers=$("$velm" caps P papers)
check "caps papers exits 0" $?
[ "$(printf '%s\n' "$papers" | tr '\n' ' ')" = "8 9 11 70 43 12 13 88 1 5 6 3 384 385 386 387 388 389 390 391 392 256 " ]
check "the reference model's papers in option order" $?
[ "$("$velm" caps P papernames | wc -l)" -eq 22 ]; check "a name per paper" $?
"$velm" caps P papersizes | head -2 | tr '\n' ' ' | grep -qx '2970 4200 2100 2970 '; check "A3 and A4 sizes in 0.1 mm" $?
[ "$("$velm" caps P bins | tr '\n' ' ')" = "7 1 3 2 4 " ]; check "bins less the hidden bank tray" $?
[ "$("$velm" caps P resolutions | tr '\n' ' ')" = "300 300 600 600 " ]; check "resolutions" $?
[ "$("$velm" caps P extents | tr '\n' ' ')" = "min 1000 1480 max 2970 4320 " ]; check "extents" $?
"$velm" caps Nobody papers 2>&1 | grep -q 'velm caps: no printer Nobody'; check "an unknown printer is refused" $?
"$velm" caps P colours >/dev/null 2>&1
[ $? -eq 2 ]; check "an unknown list is a usage error" $?
"$velm" caps >/dev/null 2>&1
[ $? -eq 2 ]; check "caps without arguments is a usage error" $?

exit $fail
