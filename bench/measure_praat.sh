#!/bin/sh
# Mean F0 and F1/F2 of clean Klatt vowels (a, i, u of a male, a female and a
# child voice) by `ardv-cli measure` and by Praat over the same stretches:
# the relative differences, against the aims of 2 % (F0) and 10 % (F1, F2).
# usage: bench/measure_praat.sh ARDV_CLI
set -eu
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'voice vowel  F0 ours praat diff%%   F1 ours praat diff%%   F2 ours praat diff%%\n'
for voice in male female child; do
  python3 "$here/measure_vowels.py" "$work" "$voice" 3 > "$work/$voice.truth"
  "$cli" synth "$work/$voice.kle" -o "$work/$voice-plain.wav" > /dev/null
  "$cli" labels "$work/$voice-plain.wav" --import textgrid "$work/$voice.TextGrid" -o "$work/$voice.wav" > /dev/null
  floor=""; ceiling=5000
  [ "$voice" = female ] && ceiling=5500
  [ "$voice" = child ] && { floor="--voice-f0-floor 250"; ceiling=8000; }
  # shellcheck disable=SC2086
  "$cli" measure "$work/$voice.wav" --phonemes 'a;i;u' $floor -o "$work/$voice.csv" > /dev/null
  while read -r label f0 f1 f2 f3 start end; do
    praat=$(praat --run "$here/praat/measure.praat" "$work/$voice.wav" "$start" "$end" "$ceiling")
    python3 - "$work/$voice.csv" "$label" "$praat" "$voice" << 'PY'
import csv, sys
path, label, praat, voice = sys.argv[1], sys.argv[2], sys.argv[3].split(), sys.argv[4]
row = next(r for r in csv.DictReader(open(path)) if r["label"] == label)
ours = [float(row["f0_mean_hz"]), float(row["f1_mid_mean_hz"]), float(row["f2_mid_mean_hz"])]
theirs = [float(v) for v in praat]
cells = []
for o, t in zip(ours, theirs):
    cells.append(f"{o:8.1f} {t:8.1f} {100 * (o - t) / t:+6.1f}")
print(f"{voice:6} {label:5} " + "   ".join(cells))
PY
  done < "$work/$voice.truth"
done
