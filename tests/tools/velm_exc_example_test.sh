#!/bin/bash
# The C example loads the query library by its module loader, opens a printer
# of the reference model and prints the forced changes of an update.
. "$(dirname "$0")/cli_common.sh" "$1"
example="$2"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" >/dev/null
printf '@PJL SET TRAY = TRAY1 \r\n@PJL SET DUPLEX = ON \r\n@PJL SET APLPAGESIZE = A4 \r\n@PJL SET APLPAGELAYOUT = PORTRAIT \r\n@PJL SET PAPER = A4 \r\n' >"$work/base.txt"

out=$("$example" Office "$work/base.txt" "@PJL SET APLPAGESIZE = A6")
check "example runs" $?
[ "$out" = "@PJL SET DUPLEX = OFF" ]
check "the forced change" $?
[ "$out" = "@PJL SET DUPLEX = OFF" ] || printf '%s\n' "$out"

out=$("$example" Office "$work/base.txt" "@PJL SET APLPAGESIZE = A5")
[ "$out" = "no forced changes" ]
check "no forced change" $?

"$example" Nobody "$work/base.txt" "@PJL SET APLPAGESIZE = A5" >/dev/null 2>&1
[ $? -eq 1 ]
check "unknown printer" $?
exit $fail
