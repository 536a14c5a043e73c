#!/usr/bin/env bash
# Screenshots of the main window under a virtual display: the bundled example
# (or FILE) with each spectrogram kind, in grey and in colour, with a selection.
# usage: scripts/screenshot.sh [BUILD_DIR] [OUT_DIR] [FILE]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
OUT="${2:-$BUILD/screenshots}"
FILE="${3:-$ROOT/data/examples/example.wav}"
ARDV="$BUILD/bin/ardv"

if [ ! -x "$ARDV" ]; then
  echo "screenshot.sh: $ARDV not found; configure with -DARDV_BUILD_GUI=ON and build first" >&2
  exit 1
fi
command -v xvfb-run >/dev/null || { echo "screenshot.sh: xvfb-run is missing (apt-get install xvfb xauth)" >&2; exit 1; }
mkdir -p "$OUT"

# Qt keeps some allocations until exit; a sanitizer build should not fail on them.
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
names=(x wide-band narrow-band reassigned linear-prediction cepstral critical-bands)
for kind in 1 2 3 4 5 6; do
  for palette in gray colour; do
    png="$OUT/${kind}-${names[$kind]}-${palette}.png"
    xvfb-run -a -s "-screen 0 1280x800x24" \
      "$ARDV" --screenshot "$png" --kind "$kind" "--$palette" --select 500 900 "$FILE"
    echo "$png"
  done
done
# Critical bands on the perceptual axis (frequency labels through the Bark scale).
png="$OUT/6-critical-bands-perceptual.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 6 --gray --perceptual "$FILE"
echo "$png"
# Narrow band with F0 for the screen drawn over it.
png="$OUT/f0-narrow-band.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 2 --gray --f0 "$FILE"
echo "$png"
# Narrow band with F0 for the screen and the energy curve, each with its
# scale (they come with it; 604 and 11842 would hide them).
png="$OUT/f0-energy-narrow-band.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 2 --gray --f0 \
  --command 911 "$FILE"
echo "$png"
# Zoomed in on "brown" (500..900 ms), wide and narrow band.
for kind in 1 2; do
  png="$OUT/zoom-${kind}-${names[$kind]}.png"
  xvfb-run -a -s "-screen 0 1280x800x24" \
    "$ARDV" --screenshot "$png" --kind "$kind" --gray --select 500 900 --zoom "$FILE"
  echo "$png"
done
# The phonetic annotator on "aU" of "brown" and the editing tools window,
# beside the main window (annotation.png, -annotator.png, -tools.png).
png="$OUT/annotation.png"
xvfb-run -a -s "-screen 0 1280x800x24" \
  "$ARDV" --screenshot "$png" --kind 1 --gray --select 500 900 --zoom --annotator 600 --tools "$FILE"
echo "$png ${png%.png}-annotator.png ${png%.png}-tools.png"
# Formants over the wide band: McCandless F1-F3 tracks, LPC roots, true-envelope peaks.
for cmd in 61 63 11855; do
  png="$OUT/formants-${cmd}-wide-band.png"
  xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 1 --gray --command "$cmd" "$FILE"
  echo "$png"
done
# The workbench states: readouts under a pointer at 700 ms / 1500 Hz with the
# pointer line and the boundary lines, a see-through selection, the
# navigation keys (zoom by 2, a page on, show all) and the energy readout.
shot() {
  local png="$OUT/$1.png"; shift
  xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" "$@" "$FILE"
  echo "$png"
}
shot readouts --kind 1 --gray --select 500 900 --pointer 700 1500
shot readouts-colour-f0 --kind 2 --colour --f0 --select 500 900 --pointer 700 200
shot selection-tint --kind 1 --gray --select 500 900 --tint --pointer 650 800
shot zoom-by-two --kind 1 --gray --key + --key + --pointer 1000 500
shot page-down --kind 1 --gray --key + --key + --key PgDown
shot end-key --kind 1 --gray --key + --key + --key + --key End
shot show-all --kind 1 --gray --key Ctrl+A
shot energy-readout --kind 1 --gray --command 911 --pointer 700 1000
# The spectral slice of the frame under the pointer, in the vowel of "brown"
# (spectral-slice.png, spectral-slice-slice.png).
shot spectral-slice --kind 1 --gray --command 66 --pointer 700 1500
# Levels down from the loudest cell of the view (70 dB), wide band in colour.
shot relative-range --kind 1 --colour --range 70 --pointer 700 1500
# The formant window in synthesized-only mode on the vowel example: one F2
# point dragged up at 148 ms, F2 redrawn flat at 1400 Hz over 380..560 ms,
# then synthesized (formant.png and formant-klatt.png).
png="$OUT/formant.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --klatt "$ROOT/data/examples/vowels-aiu.kle" \
  --klatt-drag 148 1090 1600 --klatt-draw 380 560 1400
echo "${png%.png}-klatt.png"
# The F0 contour window on the example, its stretch 0.5..1.5 s (the main
# window's selection) raised a minor seventh (Page Up, Down, Down), and the
# F1-F2 plane of the vowel example (contour-contour.png, plane-plane.png).
shot contour --kind 2 --gray --select 500 1500 --command 605 --key PgUp --key Down --key Down
echo "$OUT/contour-contour.png"
png="$OUT/plane.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --klatt "$ROOT/data/examples/vowels-aiu.kle" \
  --klatt-command 1043
echo "${png%.png}-plane.png"
# The bundled example's copy in the formant window: `ardv-cli copy-synth` makes
# the tracks (F0, McCandless formants, fitted parallel amplitudes), the window
# shows them over the example's wide band, zoomed on the whole signal, and
# synthesizes them (copy.png and copy-klatt.png).
example="$ROOT/data/examples/example.wav"
copy="$OUT/example-copy.kle"
"$BUILD/bin/ardv-cli" copy-synth "$example" -o "$copy"
png="$OUT/copy.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 1 --gray --select 0 2610 --zoom \
  --klatt "$copy" "$example"
echo "${png%.png}-klatt.png"
# The same copy through the window's own commands: the formant listing of
# `ardv-cli formants --format for` opened, "&Get F0", every piece selected,
# "Copy &synthesis", then synthesized (window-copy.png, window-copy-klatt.png).
listing="$OUT/example.for"
"$BUILD/bin/ardv-cli" formants "$example" --format for -o "$listing"
png="$OUT/window-copy.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 1 --gray --select 0 2610 --zoom \
  --klatt-copy "$listing" "$example"
echo "${png%.png}-klatt.png"
# Snake tracking in the formant window on the example ("From scratch", 11847),
# then every piece registered onto the LPC peaks ("&All" 1012, "with &LPC"
# 1004, "&None" 1013): window-snake-klatt.png, window-register-klatt.png.
png="$OUT/window-snake.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 1 --gray --select 0 2610 --zoom \
  --klatt-command 11847 "$example"
echo "${png%.png}-klatt.png"
png="$OUT/window-register.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 1 --gray --select 0 2610 --zoom \
  --klatt-command 11847 --klatt-command 1012 --klatt-command 1004 --klatt-command 1013 "$example"
echo "${png%.png}-klatt.png"
# Pitch marks over the waveform of "brown fox" (918 then 915), and the narrow
# band with F0 of the example slowed down 1.5 times and raised by 1.3
# (`ardv-cli modify`, PSOLA): marks.png, modified-time-1.5.png, modified-f0-1.3.png.
shot marks --kind 1 --gray --select 500 900 --zoom --command 918 --command 915
for change in "time 1.5 1" "f0 1 1.3"; do
  set -- $change
  wav="$OUT/modified-$1.wav"
  "$BUILD/bin/ardv-cli" modify "$FILE" "$wav" --time "$2" --f0 "$3"
  png="$OUT/modified-$1-$([ "$1" = time ] && echo "$2" || echo "$3").png"
  xvfb-run -a -s "-screen 0 1280x800x24" "$ARDV" --screenshot "$png" --kind 2 --gray --f0 "$wav"
  echo "$png"
done
# Measurements: the panel on the selected "aU" of "brown" (561..668 ms) and
# the table of every phoneme segment (measurement.png, measurement-segments.png).
shot measurement --kind 1 --gray --select 561 668 --command 11891 --command 11892
echo "$OUT/measurement-segments.png"
