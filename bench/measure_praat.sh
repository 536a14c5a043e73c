#!/bin/sh
# Mean F0 and F1/F2 of clean Klatt vowels (A, i, u of a male, a female and a
# child voice) by `ardv-cli measure` (McCandless and snake formants) and by
# Praat over the same stretches, with the true values: the differences from
# Praat in %, against the aims of 2 % (F0) and 10 % (F1, F2).
# usage: bench/measure_praat.sh ARDV_CLI
set -eu
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "voice  vowel | true F0 F1 F2 | Praat F0 F1 F2 | ours: F0 (diff %); McCandless F1 F2 (diff %); snake F1 F2 (diff %)"
for voice in male female child; do
  python3 "$here/measure_vowels.py" "$work" "$voice" 3 > "$work/$voice.truth"
  "$cli" synth "$work/$voice.kle" -o "$work/$voice-plain.wav" > /dev/null
  "$cli" labels "$work/$voice-plain.wav" --import textgrid "$work/$voice.TextGrid" -o "$work/$voice.wav" > /dev/null
  floor=""; pfloor=75; ceiling=5000
  [ "$voice" = female ] && { pfloor=100; ceiling=5500; }
  [ "$voice" = child ] && { floor="--voice-f0-floor 250"; pfloor=150; ceiling=8000; }
  for method in mccandless snake; do
    # shellcheck disable=SC2086
    "$cli" measure "$work/$voice.wav" --phonemes 'A;i;u' $floor --method $method -o "$work/$voice-$method.csv" > /dev/null
  done
  while read -r label f0 f1 f2 f3 start end; do
    praat=$(praat --run "$here/praat/measure.praat" "$work/$voice.wav" "$start" "$end" "$pfloor" "$ceiling")
    python3 - "$work/$voice" "$label" "$voice" "$f0 $f1 $f2" "$praat" << 'PY'
import csv, sys
base, label, voice, truth, praat = sys.argv[1:6]
theirs = [float(v) for v in praat.split()]
def row(method):
    return next(r for r in csv.DictReader(open(f"{base}-{method}.csv")) if r["label"] == label)
def pct(o, t):
    return f"{o:7.1f} ({100 * (o - t) / t:+5.1f})"
m, s = row("mccandless"), row("snake")
cells = [pct(float(m["f0_mean_hz"]), theirs[0])]
for r in (m, s):
    cells.append(pct(float(r["f1_mid_mean_hz"]), theirs[1]) + " " + pct(float(r["f2_mid_mean_hz"]), theirs[2]))
t = " ".join(truth.split())
print(f"{voice:6} {label:5} | {t:14} | {praat:20} | " + "; ".join(cells))
PY
  done < "$work/$voice.truth"
done
