#!/usr/bin/env bash
# velm model show / compile / dump, run as a person runs them.
set -u
velm="$1"
reference="$2"
fail=0
check() {  # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
work=$(mktemp -d)
export VELM_MACHINE="$work/machine"
trap 'rm -rf "$work"' EXIT
cp "$reference" "$work/reference.mdf"

# show
out=$("$velm" model show "$work/reference.mdf")
check "show exits 0" $?
features=$(printf '%s\n' "$out" | grep -c '^feature ')
[ "$features" -eq 272 ]; check "show prints 272 feature lines (got $features)" $?
"$velm" model show "$work/missing.mdf" >/dev/null 2>&1
[ $? -eq 1 ]; check "show of a missing file exits 1" $?
"$velm" model >/dev/null 2>&1
[ $? -eq 2 ]; check "model without a subcommand exits 2" $?
"$velm" model frobnicate "$work/reference.mdf" >/dev/null 2>&1
[ $? -eq 2 ]; check "an unknown subcommand exits 2" $?

# compile: the cache file lands beside the model file, the same bytes every time
"$velm" model compile "$work/reference.mdf" >/dev/null
check "compile exits 0" $?
[ -s "$work/reference.BCS" ]; check "compile writes reference.BCS beside the model" $?
cp "$work/reference.BCS" "$work/first.BCS"
sleep 0.01
"$velm" model compile "$work/reference.mdf" >/dev/null
cmp -s "$work/reference.BCS" "$work/first.BCS"; check "compiling twice gives identical cache files" $?
[ "$(od -An -tu4 -j32 -N4 "$work/reference.BCS" | tr -d ' ')" -eq "$(stat -c %s "$work/reference.BCS")" ]
check "the size field is the file's length" $?
"$velm" model compile "$work/missing.mdf" >/dev/null 2>&1
[ $? -eq 1 ]; check "compile of a missing file exits 1" $?
ls "$work" | grep -q '\.tmp$'; [ $? -ne 0 ]; check "no temporary file is left" $?

# dump: from the cache when it is usable, else compiled (and the cache written)
dump=$("$velm" model dump "$work/reference.mdf")
check "dump exits 0" $?
[ "$(printf '%s\n' "$dump" | head -1)" = "from cache" ]; check "dump after compile says 'from cache'" $?
printf '%s\n' "$dump" | grep -qx 'file version: 3.62'; check "dump shows the file version" $?
printf '%s\n' "$dump" | grep -qx 'features: 272'; check "dump counts 272 features" $?
printf '%s\n' "$dump" | grep -q '^exclusive VPD_IDC_EDIT_CHOICE_DUPLEX hide=(VPD_OptionDuplex == 0)'
check "dump shows conditions in infix" $?
printf '%s\n' "$dump" | grep -qx 'commands JobStart'; check "dump shows the command trees" $?
rm "$work/reference.BCS"
second=$("$velm" model dump "$work/reference.mdf")
[ "$(printf '%s\n' "$second" | head -1)" = "compiled" ]; check "dump without a cache says 'compiled'" $?
cmp -s "$work/reference.BCS" "$work/first.BCS"; check "dump wrote the same cache file" $?
[ "$(printf '%s\n' "$second" | tail -n +2)" = "$(printf '%s\n' "$dump" | tail -n +2)" ]
check "both dumps show the same image" $?
printf 'garbage' | dd of="$work/reference.BCS" bs=1 seek=5000 conv=notrunc 2>/dev/null
[ "$("$velm" model dump "$work/reference.mdf" | head -1)" = "compiled" ]; check "a damaged cache is compiled again" $?
cmp -s "$work/reference.BCS" "$work/first.BCS"; check "and the cache file is whole again" $?

# features opened again (a second word that is no variant number, or none
# after a variant): show and dump print each node's own command pair
regress="$(dirname "$reference")/../tests/data/models/regress"
for name in uaf_variant_word uaf_variant_zero uaf_variant_65536 uaf_reopen; do
  cp "$regress/$name.mdf" "$work/$name.mdf"
  out=$("$velm" model show "$work/$name.mdf" 2>&1)
  check "$name: show exits 0" $?
  printf '%s\n' "$out" | grep -q '^feature VPD_IDC_PRESET_CHOICE_COLOR .* command="@PJL SET SECOND = "|"\\r\\n"$'
  check "$name: show prints the later command pair" $?
  out=$("$velm" model dump "$work/$name.mdf" 2>&1)
  check "$name: dump exits 0" $?
  [ "$(printf '%s\n' "$out" | grep -c '^  command "@PJL SET \(SECOND\|RENDERMODE\) = " | "\\x0D\\x0A"$')" -eq \
    "$(printf '%s\n' "$out" | grep -c '^  command ')" ]
  check "$name: dump prints only the file's command texts" $?
done

# font lists and substitution pairs with words between their entries
cp "$regress/font_lists.mdf" "$work/font_lists.mdf"
out=$("$velm" model show "$work/font_lists.mdf")
printf '%s\n' "$out" | grep -qx 'device fonts: 3'; check "show counts every entry of a font list" $?
printf '%s\n' "$out" | grep -qx 'cartridge fonts: 1'; check "the list's own '}' ends the count" $?
[ "$(printf '%s\n' "$out" | grep -c '^    pair ')" -eq 2 ]; check "show counts every substitution pair" $?

# a Windows path of the machine
mkdir -p "$VELM_MACHINE/c/Models"
cp "$reference" "$VELM_MACHINE/c/Models/reference.mdf"
[ "$("$velm" model dump 'C:\Models\reference.mdf' | head -1)" = "compiled" ]; check "dump of a machine path compiles" $?
[ -s "$VELM_MACHINE/c/Models/reference.BCS" ]; check "and writes the cache on the machine" $?
[ "$("$velm" model dump 'C:\Models\reference.mdf' | head -1)" = "from cache" ]; check "then reads it" $?

exit $fail
