#!/usr/bin/env bash
# "velm printer add" installs the bitmap resource module the build made
# beside the driver, under the name the model's UI module name gives it;
# the pages then show its pictures (the N-up and duplex lists of the
# layout page).
set -u
. "$(dirname "$0")/cli_common.sh" "$1"
built="$(dirname "$velm")/VELMCIXX.dll"
drivers="$VELM_MACHINE/c/Windows/System32/spool/drivers/w32x86/3"

"$velm" machine init "$VELM_MACHINE" >/dev/null
out=$("$velm" printer add Office --model "$src/models/reference.mdf" 2>&1)
check "add exits 0" $?
printf '%s\n' "$out" | grep -q 'bitmap resource module'; [ $? -ne 0 ]; check "no warning about the bitmap module" $?
cmp -s "$built" "$drivers/VELMCIXX.dll"; check "the module is the one the build made, as VELMCIXX.dll" $?

# A UI module name too short for the bitmap module's letters: the UI
# module keeps its file.
sed 's/^\*UIResDLLName: .*/*UIResDLLName: "OTHERUI"\r/' "$src/models/reference.mdf" > "$work/other.mdf"
"$velm" printer add Short --model "$work/other.mdf" --driver-name "Short Driver" >/dev/null 2>&1
check "a printer of a model naming OTHERUI" $?
cmp -s "$(dirname "$velm")/VELMUIus.dll" "$drivers/OTHERUI"; check "OTHERUI stays the UI module" $?

# Without the module beside velm the printer is added with a warning.
mkdir -p "$work/bin"
cp "$velm" "$work/bin/"
for f in "$(dirname "$velm")"/*.so "$(dirname "$velm")"/*.dll; do ln -s "$f" "$work/bin/"; done
rm -f "$work/bin/VELMCIXX.dll"
out=$("$work/bin/velm" printer add Other --model "$src/models/reference.mdf" --driver-name "Other Driver" 2>&1)
check "add without the module exits 0" $?
printf '%s\n' "$out" | grep -q 'warning: the bitmap resource module is missing'; check "and warns" $?
exit $fail
