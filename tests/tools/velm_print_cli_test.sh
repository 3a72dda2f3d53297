#!/usr/bin/env bash
# "velm print" as a person runs it: jobs into the machine's spool folder,
# the short dump of a job, and the refusals of bad arguments, each with a
# message and nothing printed. $2: make_test_pdf.
set -u
. "$(dirname "$0")/cli_common.sh" "$1"
make_pdf="$2"

"$velm" machine init "$VELM_MACHINE" >/dev/null
"$velm" printer add Office --model "$src/models/reference.mdf" >/dev/null
check "a printer of the reference model" $?
"$make_pdf" "$work/doc.pdf" 2 && "$make_pdf" "$work/letter.pdf" 1 612 792
check "documents" $?
"$velm" devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o "$work/raster.dm" >/dev/null
check "a raster DEVMODE" $?
spool="$VELM_MACHINE/c/Windows/System32/spool/PRINTERS"

# Without -o the stream is the job's file in the spool folder; each job
# takes a file of its own.
out=$("$velm" print Office "$work/doc.pdf" --devmode "$work/raster.dm"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx "job 1: 2 pages, $(stat -c %s "$spool/00001.SPL") bytes in [0-9]*\.[0-9][0-9] s to $spool/00001.SPL" && [ -s "$spool/00001.SPL" ]
check "the first job goes to 00001.SPL" $?
printf '%s\n' "$out" | grep -qx 'page 1: 4961 x 7016 pixels at 600 dpi, 1-bit, printable area 4761 x 6816 at (100,100), banded'
check "each page is reported with the job's geometry" $?
out=$("$velm" print Office "$work/doc.pdf" --devmode "$work/raster.dm" --pages 2); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -qx "job 2: 1 page, $(stat -c %s "$spool/00002.SPL") bytes in [0-9]*\.[0-9][0-9] s to $spool/00002.SPL" && [ -s "$spool/00002.SPL" ] &&
  [ "$(stat -c %s "$spool/00002.SPL")" -lt "$(stat -c %s "$spool/00001.SPL")" ]
check "the second job has the next id of the machine and a file of its own" $?

# The short dump: one line a block, data runs with their records counted.
out=$("$velm" job dump --summary "$spool/00001.SPL"); rc=$?
[ $rc -eq 0 ] && [ "$(printf '%s\n' "$out" | grep -c '^page-start ')" -eq 2 ] &&
  [ "$(printf '%s\n' "$out" | grep -c '^page-end ')" -eq 2 ] &&
  printf '%s\n' "$out" | grep -q '^job-start        F3  length 30        @PJL SET JOBNAME = "doc.pdf"$' &&
  [ "$(printf '%s\n' "$out" | grep -c ': 1 begin-page, 1 rop, 13 band image, 1 end-page$')" -eq 2 ]
check "job dump --summary" $?
# On a terminal the dump shows how far it has read, and clears that line at
# the end; with standard error elsewhere it shows nothing.
script -qec "'$velm' job dump --summary '$spool/00001.SPL' >/dev/null" "$work/tty.out" >/dev/null 2>&1 &&
  grep -q 'reading: 0 of 8 MB' "$work/tty.out" && grep -q $'\r\033\[K' "$work/tty.out" &&
  [ -z "$("$velm" job dump --summary "$spool/00001.SPL" 2>&1 >/dev/null)" ]
check "job dump shows its progress on a terminal only" $?
full=$("$velm" job dump "$spool/00001.SPL" | wc -l)
[ "$full" -gt "$(printf '%s\n' "$out" | wc -l)" ]; check "the full dump shows more" $?

# The printer's own DEVMODE prints in vector mode: the page goes out as
# drawing records (paths, clips, line attributes) and its two lines of text
# as strings of glyphs, not as bands; what the engine has no call for (here
# the translucent shape and the grey ramp) comes as images of their areas.
out=$("$velm" print Office "$work/doc.pdf" --pages 2 -o "$work/vector.job"); rc=$?
sum=$("$velm" job dump --summary "$work/vector.job"); rc2=$?
[ $rc -eq 0 ] && [ $rc2 -eq 0 ] && printf '%s\n' "$out" | grep -q '^page 2: .*24-bit' &&
  printf '%s\n' "$out" | grep -q '^  drawn as [1-9][0-9]* fills, [1-9][0-9]* strokes, .* 2 glyph strings, 0 text runs as outlines, [2-9] areas rendered by MuPDF' &&
  printf '%s\n' "$sum" | grep -q '^data blocks .* path-lines, .* image, .*1 end-page$' &&
  ! printf '%s\n' "$sum" | grep -q 'band image'
check "a vector-mode page is drawing records" $?
# --mode raster prints the same page in bands with the printer's DEVMODE.
out=$("$velm" print Office "$work/doc.pdf" --pages 2 --mode raster -o "$work/raster.job"); rc=$?
sum=$("$velm" job dump --summary "$work/raster.job"); rc2=$?
[ $rc -eq 0 ] && [ $rc2 -eq 0 ] && printf '%s\n' "$out" | grep -q '^page 2: .*, banded$' &&
  printf '%s\n' "$sum" | grep -q 'band image' && ! printf '%s\n' "$sum" | grep -q 'path'
check "--mode raster bands the page" $?
rm -f "$work/vector.job"

# A paper of another size is printed where it lies, cut to the paper.
out=$("$velm" print Office "$work/letter.pdf" --devmode "$work/raster.dm" -o "$work/letter.job"); rc=$?
[ $rc -eq 0 ] && printf '%s\n' "$out" | grep -q '^page 1: 5100 x 6600 pixels at 600 dpi' &&
  "$velm" job dump "$work/letter.job" >/dev/null
check "a Letter document on A4" $?

# Refusals: a message, a non-zero exit, no job file.
before=$(ls "$spool" | wc -l)
refused() {  # name, expected exit, message part, args...
  local name="$1" want="$2" part="$3"
  shift 3
  local err
  err=$("$velm" print "$@" 2>&1 >/dev/null)
  local rc=$?
  [ $rc -eq "$want" ] && printf '%s\n' "$err" | grep -qF -- "$part"
  check "$name" $?
}
refused "an unknown printer" 1 "no printer Nobody" Nobody "$work/doc.pdf"
refused "a missing document" 1 "missing.pdf" Office "$work/missing.pdf"
printf 'no pdf at all' > "$work/junk.pdf"
refused "a file that is no PDF" 1 "junk.pdf" Office "$work/junk.pdf"
refused "pages past the end" 1 "pages 2-3 are not in the document (2 pages)" Office "$work/doc.pdf" --pages 2-3
refused "a backward range" 1 "--pages takes A-B" Office "$work/doc.pdf" --pages 2-1
refused "page 0" 1 "--pages takes A-B" Office "$work/doc.pdf" --pages 0-1
refused "copies 0" 1 "--copies takes a number" Office "$work/doc.pdf" --copies 0
refused "copies past a DEVMODE's field" 1 "copies must lie between 1 and 32767" Office "$work/doc.pdf" --copies 40000
refused "copies that are no number" 1 "--copies takes a number" Office "$work/doc.pdf" --copies 2x
printf 'short' > "$work/short.dm"
refused "a DEVMODE file that is none" 1 "not a DEVMODE" Office "$work/doc.pdf" --devmode "$work/short.dm"
refused "an unknown option" 2 "usage: velm print" Office "$work/doc.pdf" --frob
refused "no document" 2 "usage: velm print" Office
VELM_MACHINE="$work/none" refused "no machine" 1 "no machine in $work/none" Office "$work/doc.pdf"
[ "$(ls "$spool" | wc -l)" -eq "$before" ]; check "refused jobs leave no file in the spool folder" $?

exit $fail
