#!/usr/bin/env bash
# Several users of one machine as a person tries them: machine settings, a
# second user with folders of its own, its copies of a printer's presets on
# a terminal server, and an administrator's later change reaching it.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" machine show | grep -qx 'user.name=user' && "$velm" machine show | grep -qx 'os.terminal=0'
check "machine show prints the settings" $?
"$velm" machine set os.terminal=1 'clock=2026-12-11 08:00:00' >/dev/null &&
  "$velm" machine show | grep -qx 'os.terminal=1' && "$velm" machine show | grep -qx 'clock=2026-12-11 08:00:00'
check "machine set changes settings" $?
before=$(cat "$VELM_MACHINE/machine.conf")
err=$("$velm" machine set os.major=7 clock=yesterday 2>&1); rc=$?
[ $rc -ne 0 ] && printf '%s\n' "$err" | grep -q 'clock must be a time' && [ "$(cat "$VELM_MACHINE/machine.conf")" = "$before" ]
check "a refused value changes nothing, not even the good ones before it" $?
err=$("$velm" --user '../x' machine show 2>&1); rc=$?
[ $rc -ne 0 ] && printf '%s\n' "$err" | grep -q 'not a user name'
check "a user name that is no folder name is refused" $?

"$velm" --user second machine show | grep -qx 'user.name=second' &&
  "$velm" --user second machine show | grep -qx 'user.admin=0' &&
  "$velm" --user second machine show | grep -qx 'user.profile=C:\\Users\\second' &&
  VELM_USER=second "$velm" machine show | grep -qx 'user.name=second' &&
  "$velm" machine show | grep -qx 'user.admin=1'
check "another user has its own settings, by --user or VELM_USER" $?

"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "printer add" $?
users="$VELM_MACHINE/c/Users"
[ -d "$VELM_MACHINE/C" ] && users="$VELM_MACHINE/C/Users"
out=$("$velm" --user second printer connect P); rc=$?
[ $rc -eq 0 ] && [ -d "$users/second" ] && [ -f "$users/second/_velm/velmlist.ini" ] &&
  grep -q 'DrvInstTime=20261211080000' "$users/second/_velm/velmlist.ini"
check "the second user's connection gives it its own driver ini" $?
[ ! -f "$users/user/_velm/velmlist.ini" ]
check "the first user has no copy of its own yet" $?

# The administrator changes the printer later (an outside program allows
# the change of administrator settings: printer data AdminChange); the
# second user's next open brings its copy up to date.
"$velm" machine set 'clock=2026-12-11 09:00:00' >/dev/null &&
  "$velm" printer upgrade P --from-version 2 >/dev/null &&
  "$velm" printer data P AdminChange --set REG_BINARY:01000000 >/dev/null
check "the administrator upgrades the printer" $?
"$velm" machine set 'clock=2026-12-11 09:30:00' >/dev/null &&
  "$velm" --user second devmode defaults P -o "$work/dm" >/dev/null &&
  grep -q 'DrvInstTime=20261211080000' "$users/second/_velm/velmlist.ini" &&
  "$velm" --user second printer can-print P --devmode "$work/dm" >/dev/null &&
  grep -q 'DrvInstTime=20261211093000' "$users/second/_velm/velmlist.ini"
check "the change reaches the second user at its next open" $?
exit $fail
