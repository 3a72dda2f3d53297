#!/usr/bin/env bash
# The host's machine and printer commands, run as a person runs them.
set -u
velm="$1"
fail=0
check() {  # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
machine="$dir/m"
printf '*Model\n' > "$dir/small.mdf"

out=$("$velm" --machine "$machine" printer list 2>&1)
[ $? -eq 1 ]; check "printer list without a machine fails" $?
printf '%s\n' "$out" | grep -q -- "--machine DIR" && printf '%s\n' "$out" | grep -q "VELM_MACHINE=DIR"
check "the message names both ways to use a machine" $?

# A full disk: machine init fails saying so and leaves nothing behind, and
# the folder is not taken for a machine afterwards.
small="$dir/small-disk"
mkdir "$small"
out=$(unshare -m sh -c 'mount -t tmpfs -o size=300k tmpfs "$1" && "$2" machine init "$1/m" 2>&1
                        echo "rc=$?"; ls -A "$1"' sh "$small" "$velm")
printf '%s\n' "$out" | grep -qx 'rc=1'; check "machine init on a full disk fails" $?
printf '%s\n' "$out" | grep -q 'the disk is full'; check "it says the disk is full" $?
[ "$(printf '%s\n' "$out" | sed '/^rc=/,$!d;/^rc=/d')" = "" ]; check "it leaves nothing on the disk" $?

out=$("$velm" machine init "$machine")
check "machine init" $?
printf '%s\n' "$out" | grep -qF -- "--machine $machine" && printf '%s\n' "$out" | grep -qF "VELM_MACHINE=$machine"
check "machine init says how to use the machine" $?
! ls -A "$dir" | grep -q '\.init-'; check "no building folder left beside" $?
[ -f "$machine/c/Windows/System32/UserEnv.dll" ]; check "system modules installed" $?
grep -qx 'os.major=6' "$machine/machine.conf"; check "default settings written" $?

"$velm" --machine "$machine" printer add "Office [2]" --model "$dir/small.mdf" >/dev/null
check "printer add" $?
"$velm" --machine "$machine" printer add "Office [2]" --model "$dir/small.mdf" >/dev/null 2>&1
[ $? -eq 1 ]; check "adding the same printer again fails" $?
export VELM_MACHINE="$machine"
"$velm" printer list | grep -qP '^Office \[2\]\tVELM Driver$'; check "printer list (VELM_MACHINE)" $?
[ -f "$machine/c/Windows/System32/spool/drivers/w32x86/3/small.mdf" ]; check "model copied as data file" $?

# Driver files are installed beside and renamed (identical ones are left
# alone), never rewritten in place: a process that holds the old model file
# open still reads it whole.
drivers="$machine/c/Windows/System32/spool/drivers/w32x86/3"
model_inode=$(stat -c %i "$drivers/small.mdf")
"$velm" printer add "Second" --model "$dir/small.mdf" >/dev/null
check "printer add of a second printer" $?
[ "$(stat -c %i "$drivers/small.mdf")" = "$model_inode" ]; check "an identical model file is left alone" $?
mkdir "$dir/v2" && printf '*Model
*Other: x
' > "$dir/v2/small.mdf"
exec 3< "$drivers/small.mdf"
"$velm" printer add "Third" --model "$dir/v2/small.mdf" >/dev/null
check "printer add with a changed model file" $?
[ "$(cat <&3)" = "*Model" ]; check "a reader of the old model file keeps it whole" $?
exec 3<&-
cmp -s "$dir/v2/small.mdf" "$drivers/small.mdf"; check "the changed model file is installed" $?
! ls -A "$drivers" | grep -q '^\.~'; check "no temporary file left in the driver directory" $?

show=$("$velm" printer show "Office [2]")
check "printer show exits 0" $?
line() { printf '%s\n' "$show" | grep -P "^$1 +" | sed -E "s/^$1 +//"; }
[ "$(line 'printer name')" = "Office [2]" ]; check "show: printer name" $?
[ "$(line 'driver name')" = "VELM Driver" ]; check "show: driver name" $?
[ "$(line 'remote')" = "0" ]; check "show: remote" $?
[ "$(line 'bidi')" = "0" ]; check "show: bidi" $?
[ "$(line 'language code')" = "us" ]; check "show: language code without HelpFileName" $?
[ "$(line 'driver ini')" = 'C:\_velm\velmlist.ini' ]; check "show: driver ini" $?
[ "$(line 'driver directory')" = 'C:\Windows\System32\spool\drivers\w32x86\3\' ]; check "show: driver directory" $?
[ "$(line 'per-user data directory')" = 'C:\Users\user\_velm' ]; check "show: per-user data directory" $?

"$velm" printer data "Office [2]" HelpFileName --set 'REG_SZ:VELMgm.hlp'
check "data --set REG_SZ" $?
"$velm" printer data "Office [2]" Permission --set REG_DWORD:4294967295
check "data --set REG_DWORD" $?
"$velm" printer data "Office [2]" Blob --set 'REG_BINARY:00 ff 1A'
check "data --set REG_BINARY" $?
[ "$("$velm" printer data "Office [2]" helpfilename)" = "$(printf 'REG_SZ\tVELMgm.hlp')" ]; check "data read REG_SZ" $?
[ "$("$velm" printer data "Office [2]" Permission)" = "$(printf 'REG_DWORD\t4294967295')" ]; check "data read REG_DWORD" $?
[ "$("$velm" printer data "Office [2]" Blob)" = "$(printf 'REG_BINARY\t00ff1a')" ]; check "data read REG_BINARY" $?
list=$("$velm" printer data "Office [2]")
printf '%s\n' "$list" | grep -qx "$(printf 'HelpFileName\tREG_SZ\tVELMgm.hlp')" &&
  printf '%s\n' "$list" | grep -qx "$(printf 'Permission\tREG_DWORD\t4294967295')" &&
  printf '%s\n' "$list" | grep -qx "$(printf 'Blob\tREG_BINARY\t00ff1a')" &&
  [ "$(printf '%s\n' "$list" | cut -f1 | sort -f | uniq -di | wc -l)" -eq 0 ]
check "data list: each value once, the written ones as written" $?
"$velm" printer data "Office [2]" Permission --set REG_DWORD:12x >/dev/null 2>&1
[ $? -eq 2 ]; check "malformed data refused" $?
[ "$("$velm" printer data "Office [2]" Permission)" = "$(printf 'REG_DWORD\t4294967295')" ]; check "refused write kept the value" $?
"$velm" printer data "Office [2]" Missing >/dev/null 2>&1
[ $? -eq 1 ]; check "missing value" $?
[ "$("$velm" printer show "Office [2]" | grep -P '^language code' | awk '{print $3}')" = "gm" ]; check "show: language code from HelpFileName" $?

sed -i 's/^os.terminal=0/os.terminal=1/' "$machine/machine.conf"
"$velm" printer show "Office [2]" | grep -qP '^terminal server +1$'; check "show: terminal server from the machine" $?
"$velm" printer show "Office [2]" | grep -qP '^driver ini +C:\\Users\\user\\_velm\\velmlist.ini$'; check "show: per-user driver ini under terminal services" $?
sed -i 's/^user.admin=1/user.admin=0/' "$machine/machine.conf"
"$velm" printer show "Office [2]" | grep -qP '^administrator +0$'; check "show: administrator from the machine" $?
"$velm" printer show "Nobody" >/dev/null 2>&1
[ $? -eq 1 ]; check "show of an unknown printer fails" $?
exit $fail
