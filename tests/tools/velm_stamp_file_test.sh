#!/usr/bin/env bash
# A person gives an image stamp and an overlay their files at the document
# sheet of the reference model. The browse button of each dialog opens the
# file dialog of its kind, and the chosen file is saved with the stamp. OK
# with no file, with a file that is not a bitmap (image stamp) or with a
# file that is missing or not an overlay (overlay) shows the message that
# says so and keeps the dialog open: no stamp is saved without its file.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add P --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?
docs="$VELM_MACHINE/c/Users/user/Documents"
mkdir -p "$docs"
# A 1 x 1 bitmap of 24 bits, a text file named as a bitmap, an overlay and a
# file of another kind.
printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x20\x40\xc0\0' > "$docs/logo.bmp"
printf 'not a picture\r\n' > "$docs/notes.bmp"
printf 'overlay form' > "$docs/form.vpo"
printf 'overlay form' > "$docs/form.txt"
not_bitmap='The file cannot be opened as a bitmap.'
bad_file='The name is not valid or the target cannot be written.'

# Runs a script on the document sheet; the output is in $out.
run() {  # name, steps
  printf '%s\n' "$2" > "$work/steps.txt"
  out=$("$velm" sheet P --document --script "$work/steps.txt"); rc=$?
  [ $rc -eq 0 ]; check "$1: the script runs" $?
}
# The dialog of that title is still open after step N: the tree printed
# after the step shows it, not hidden.
open_after() {  # step, title
  printf '%s\n' "$out" | awk -v s="step $1:" -v t="#32770 \"$2\"" \
    'index($0, s) == 1 {on = 1; next} on && /^step / {exit} on && $0 == t {found = 1} END {exit !found}'
}

# Image stamp: OK with no file, then with a file that is not a bitmap.
run "image stamp without a file" "page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_IMAGESTAMP
type VPD_IDC_STAMP_IMAGE_EDIT_NAME LOGO
ok
type VPD_IDC_STAMP_IMAGE_EDIT_FILE C:\\Users\\user\\Documents\\notes.bmp
ok
cancel
ok"
[ "$(printf '%s\n' "$out" | grep -c "^message box \"P\" \[OK\] answered 1: $not_bitmap\$")" -eq 2 ]
check "OK without a file and with a text file each say it is no bitmap" $?
open_after 4 "Image Stamp"; check "the image-stamp dialog stays open after OK without a file" $?
open_after 6 "Image Stamp"; check "the image-stamp dialog stays open after OK with a text file" $?
[ -z "$("$velm" stamp list P)" ]; check "no image stamp is saved without its bitmap" $?

# The browse button's file dialog gives it its bitmap; OK saves it.
run "image stamp through the file dialog" "page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_IMAGESTAMP
type VPD_IDC_STAMP_IMAGE_EDIT_NAME LOGO
click VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE
file C:\\Users\\user\\Documents\\logo.bmp
ok
ok"
printf '%s\n' "$out" | grep -qF '  EDIT #2341 "C:\\Users\\user\\Documents\\logo.bmp"'
check "the chosen bitmap shows in the file edit" $?
printf '%s\n' "$out" | grep -q '^message box'; [ $? -ne 0 ]; check "a bitmap brings no message" $?
[ "$("$velm" stamp list P)" = $'0\tkind 2\tLOGO\tC:\\Users\\user\\Documents\\logo.bmp' ]
check "the image stamp is saved with its bitmap" $?

# Overlay: OK with no file, a file of another kind, a missing overlay.
run "overlay without its file" "page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_OVERLAY
type VPD_IDC_OVERLAY_EDIT_NAME FORM
ok
type VPD_IDC_OVERLAY_EDIT_FILE C:\\Users\\user\\Documents\\form.txt
ok
type VPD_IDC_OVERLAY_EDIT_FILE C:\\Users\\user\\Documents\\gone.vpo
ok
cancel
ok"
[ "$(printf '%s\n' "$out" | grep -c "^message box \"P\" \[OK\] answered 1: $bad_file\$")" -eq 3 ]
check "OK without a file, with another kind and with a missing overlay each refuse it" $?
open_after 4 "Overlay" && open_after 6 "Overlay" && open_after 8 "Overlay"
check "the overlay dialog stays open after each" $?
[ "$("$velm" stamp list P | wc -l)" -eq 1 ]; check "no overlay is saved without its file" $?

run "overlay through the file dialog" "page VPD_IDD_EDIT
click VPD_IDC_EDIT_BUTTON_OVERLAY
type VPD_IDC_OVERLAY_EDIT_NAME FORM
click VPD_IDC_OVERLAY_BUTTON_REFERENCE
file C:\\Users\\user\\Documents\\form.vpo
ok
ok"
printf '%s\n' "$out" | grep -q '^message box'; [ $? -ne 0 ]; check "an overlay file brings no message" $?
"$velm" stamp list P | grep -qx $'1\tkind 3\tFORM\tC:\\\\Users\\\\user\\\\Documents\\\\form.vpo'
check "the overlay is saved with its file" $?

exit $fail
