#!/bin/sh
# Mean F1/F2 over the middle half of the clean Klatt vowels of
# bench/measure_praat.sh (A, i, u of a male, a female and a child voice),
# tracked by `ardv-cli formants` at the automatic ceiling (or at --ceiling
# HZ given after the program), against Praat over the same stretches: the
# differences in %, and whether both are within the 10 % aim.
# usage: bench/measure_auto_ceiling.sh ARDV_CLI [formants options...]
set -eu
cli=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for voice in male female child; do
  python3 "$here/measure_vowels.py" "$work" "$voice" 3 > "$work/$voice.truth"
  "$cli" synth "$work/$voice.kle" -o "$work/$voice.wav" > /dev/null
  floor=""; pfloor=75; ceiling=5000
  [ "$voice" = female ] && { pfloor=100; ceiling=5500; }
  [ "$voice" = child ] && { floor="--voice-f0-floor 250"; pfloor=150; ceiling=8000; }
  # shellcheck disable=SC2086
  "$cli" formants "$work/$voice.wav" $floor "$@" -o "$work/$voice.tsv"
  while read -r label _f0 f1 f2 _f3 start end; do
    praat=$(praat --run "$here/praat/measure.praat" "$work/$voice.wav" "$start" "$end" "$pfloor" "$ceiling")
    python3 - "$work/$voice.tsv" "$start" "$end" "$f1 $f2" "$praat" "$voice" "$label" << 'PY'
import sys
path, start, end, truth, praat, voice, label = sys.argv[1:8]
s, e = float(start) * 1000, float(end) * 1000
d = e - s
mid = [[float(v) for v in line.split()] for line in open(path)]
mid = [r for r in mid if s + d / 4 <= r[0] <= e - d / 4]
ours = [sum(r[k] for r in mid) / len(mid) for k in (1, 2)]
theirs = [float(v) for v in praat.split()][1:3]
diff = [100 * (o - t) / t for o, t in zip(ours, theirs)]
ok = "within 10 %" if all(abs(x) <= 10 for x in diff) else ""
print(f"{voice:6} {label:2} | true {truth:10} | Praat {theirs[0]:5.0f} {theirs[1]:5.0f} | ours {ours[0]:5.0f} {ours[1]:5.0f}"
      f" ({diff[0]:+6.1f} {diff[1]:+6.1f}) {ok}")
PY
  done < "$work/$voice.truth"
done
