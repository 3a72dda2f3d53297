# What the host's command tests share; sourced with the path of velm:
#   . "$(dirname "$0")/cli_common.sh" "$1"
# gives velm, src (the source tree), check and its fail flag, patch, and a
# machine folder (VELM_MACHINE) and a work folder, both removed at exit.
velm="$1"
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
fail=0
check() {  # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
patch() {  # file, offset, printf bytes
  printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
export VELM_MACHINE=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$VELM_MACHINE" "$work"' EXIT
