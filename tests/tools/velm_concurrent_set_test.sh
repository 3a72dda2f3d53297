#!/usr/bin/env bash
# Nine "velm printer set" processes, each setting one setting of one printer,
# run at once (five rounds): every one answers done, and every value is
# stored afterwards, on the document side (driver ini, two of them bits of
# the one packed job-action key) and on the printer side (printer data).
. "$(dirname "$0")/cli_common.sh" "$1"
"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/tests/data/models/small.mdf" >/dev/null
check "a printer of the small model" $?
[ $fail -eq 0 ] || exit 1
cp -a "$VELM_MACHINE" "$work/fresh"

settings=(vdmPrnMethod=2 vdmActionProof=1 vdmActionSecurity=1 vdmAPIUseFlag=3 vdmFrontFunc=7
          'wdmOvlPath=C:\ovl' vdmTray1Paper=70 vdmLogging=5 vdmSourceOptionTypeDuplex=1)
ini_keys=(PrnMethod=2 APIUseFlag=3 FrontFunc=7 'OverlayDataPath=C:\ovl')
data_values=($'Tray1Paper\tREG_BINARY\t4600' $'Logging\tREG_DWORD\t5' $'Duplex\tREG_BINARY\t01000000')

lost=0
for round in 1 2 3 4 5; do
  rm -rf "$VELM_MACHINE"
  cp -a "$work/fresh" "$VELM_MACHINE"
  pids=()
  for i in "${!settings[@]}"; do
    "$velm" printer set Office "${settings[$i]}" >"$work/out.$i" 2>&1 &
    pids+=($!)
  done
  for i in "${!pids[@]}"; do
    if ! wait "${pids[$i]}" || ! grep -q '^1 setting saved for Office$' "$work/out.$i"; then
      echo "round $round: '${settings[$i]}' did not answer done: $(cat "$work/out.$i")"
      lost=$((lost + 1))
    fi
  done
  ini=$(find "$VELM_MACHINE" -iname velmlist.ini -exec cat {} \; | tr -d '\r')
  data=$("$velm" printer data Office)
  for key in "${ini_keys[@]}"; do
    grep -qxF "$key" <<<"$ini" || { echo "round $round: $key lost"; lost=$((lost + 1)); }
  done
  action=$(sed -n 's/^vdmAction=//p' <<<"$ini")
  # Security is bit 0 of the word, proof bit 1.
  [ -n "$action" ] && [ $(( action & 3 )) -eq 3 ] || { echo "round $round: action bits lost (vdmAction=$action)"; lost=$((lost + 1)); }
  for value in "${data_values[@]}"; do
    grep -qxF "$value" <<<"$data" || { echo "round $round: ${value%%$'\t'*} lost"; lost=$((lost + 1)); }
  done
done
[ $lost -eq 0 ]; check "nine saves at once, five rounds: each answers done and every value stays" $?
exit $fail
