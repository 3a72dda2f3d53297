#!/bin/bash
# velm drv PRINTER status: status items read and written through the
# VELMDrv exports, with the answer, the changed-items mask and the record
# read back after the write.
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" >/dev/null

out=$("$velm" drv Office status get 9)
check "get copies" $?
[ "$(printf '%s\n' "$out" | head -3)" = "$(printf 'status 9: 32\n  version=3\n  v1=1')" ]
check "one copy, version 3" $?

out=$("$velm" drv Office status set 9 v1=4)
check "set copies" $?
printf '%s\n' "$out" | grep -q '^status set 9: 0$' && printf '%s\n' "$out" | grep -q '^  v1=4$'
check "the record after the write holds 4" $?
printf '%s\n' "$out" | grep -q '^mask: \(00 \)\{31\}00$'
check "copies change no other item" $?

# N-up (4 up) and duplex (long edge, left) with their function on: the
# reference model offers both (capabilities 24 and 25 answer 1).
for item in "14 v1=33" "15 v1=3"; do
  set -- $item
  out=$("$velm" drv Office status set "$1" function=1 "$2")
  check "item $1 written with its function on" $?
  printf '%s\n' "$out" | grep -q "^status set $1: 0\$" && printf '%s\n' "$out" | grep -q '^  function=1$' &&
    printf '%s\n' "$out" | grep -q "^  $2\$"
  check "item $1 reads back on, with $2" $?
  [ "$("$velm" drv Office caps $((10 + $1)))" = "caps $((10 + $1)): 1" ]
  check "capability $((10 + $1)) answers 1" $?
done

out=$("$velm" drv Office status set 2 v1=9999)
[ $? -eq 1 ]
check "a tray the model lacks fails" $?
printf '%s\n' "$out" | grep -q '^status set 2: -1$' && printf '%s\n' "$out" | grep -q '^  v1=7$'
check "a refused tray leaves the tray" $?

out=$("$velm" drv Office status set 10 method=0 flags=1 userId=abc1)
check "set a user id with the normal method" $?
printf '%s\n' "$out" | grep -q '^  userId="abc1"$'
check "the user id reads back" $?
printf '%s\n' "$out" | grep -q '^mask: 00 00 00 40 '
check "the user-id item (26) is reported changed" $?

out=$("$velm" drv Office status set 16 version=1 kind=0)
check "a version-1 watermark record" $?
printf '%s\n' "$out" | grep -q '^status 16: 412$'
check "the working entry now reads as version 2" $?
[ "$("$velm" drv Office status get 16 version=1 | head -1)" = "status 16: 372" ]
check "a version-1 read answers 372 bytes" $?
"$velm" drv Office status get 16 version=3 >/dev/null
[ $? -eq 1 ]
check "a version above the library's fails" $?

"$velm" drv Office status set 10 userId=123456789 2>/dev/null
[ $? -eq 1 ]
check "a text longer than its field is refused before the write" $?
"$velm" drv Office status set 9 nosuch=1 2>/dev/null
[ $? -eq 1 ]
check "an unknown field fails" $?
"$velm" drv Office status get 36 >/dev/null
[ $? -eq 1 ]
check "item 36 does not exist" $?
"$velm" drv Office status frob 2 2>/dev/null
[ $? -eq 2 ]
check "an unknown status operation is a usage error" $?

exit $fail
