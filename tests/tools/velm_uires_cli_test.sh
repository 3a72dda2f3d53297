#!/usr/bin/env bash
# "velm printer add" installs the UI resource modules the build made beside
# the driver, under the names the model gives them for English and Japanese.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"
built="$(dirname "$velm")/VELMUIus.dll"
drivers="$VELM_MACHINE/c/Windows/System32/spool/drivers/w32x86/3"

"$velm" machine init "$VELM_MACHINE" >/dev/null
out=$("$velm" printer add Office --model "$src/models/reference.mdf" 2>&1)
check "add exits 0" $?
printf '%s\n' "$out" | grep -q warning; [ $? -ne 0 ]; check "no warning: the module is there" $?
cmp -s "$built" "$drivers/VELMUIus.dll"; check "the reference model's module is the one the build made" $?
cmp -s "$(dirname "$velm")/VELMUIjp.dll" "$drivers/VELMUIjp.dll"; check "the Japanese module beside it" $?

# A second printer of the same driver finds it in place.
"$velm" printer add Plain --model "$src/models/reference.mdf" >/dev/null 2>&1
check "a second printer of the same driver" $?
cmp -s "$built" "$drivers/VELMUIus.dll"; check "the module is unchanged" $?

# A model that names its module without a language code gets it under
# that very name.
sed 's/^\*UIResDLLName: .*/*UIResDLLName: "OTHERUI"\r/' "$src/models/reference.mdf" > "$work/other.mdf"
"$velm" printer add Other --model "$work/other.mdf" --driver-name "Other Driver" >/dev/null 2>&1
check "a printer of a model naming OTHERUI" $?
cmp -s "$built" "$drivers/OTHERUI"; check "the module installed as OTHERUI" $?
exit $fail
