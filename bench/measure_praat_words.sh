#!/bin/sh
# Mean F0 and F1/F2 over the middle half of vowels of spoken words (KTuberling's
# sounds, several voices; Debian package ktuberling-data) by `ardv-cli measure`
# and by Praat over the same stretches. Each vowel was labelled by its voiced
# stretch (Praat's To Pitch (ac)) within 15 dB of the word's loudest frame.
# Praat's formant ceiling is 5000 Hz below a median F0 of 160 Hz, 5500 above;
# ours gets --voice-f0-floor 250 above a median of 250 Hz.
# usage: bench/measure_praat_words.sh ARDV_CLI [SOUNDS_DIR]
set -eu
cli=$1
sounds=${2:-/usr/share/ktuberling/sounds}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "word | median F0 | Praat F0 F1 F2 | ours F0 F1 F2 | differences % F0 F1 F2"
# word, vowel start and end (s), median F0 of the stretch (Hz)
while read -r word start end median; do
  name=$(echo "$word" | tr / _)
  sox -D "$sounds/$word.ogg" -r 16000 -c 1 -b 16 "$work/$name-plain.wav"
  total=$(soxi -D "$work/$name-plain.wav")
  cat > "$work/$name.TextGrid" << GRID
File type = "ooTextFile"
Object class = "TextGrid"

xmin = 0
xmax = $total
tiers? <exists>
size = 1
item []:
    item [1]:
        class = "IntervalTier"
        name = "phonemes"
        xmin = 0
        xmax = $total
        intervals: size = 3
        intervals [1]:
            xmin = 0
            xmax = $start
            text = "#"
        intervals [2]:
            xmin = $start
            xmax = $end
            text = "A"
        intervals [3]:
            xmin = $end
            xmax = $total
            text = "#"
GRID
  "$cli" labels "$work/$name-plain.wav" --import textgrid "$work/$name.TextGrid" -o "$work/$name.wav" > /dev/null 2>&1
  ceiling=5500; floor=""
  [ "$(echo "$median < 160" | bc)" = 1 ] && ceiling=5000
  [ "$(echo "$median > 250" | bc)" = 1 ] && floor="--voice-f0-floor 250"
  praat=$(praat --run "$here/praat/measure.praat" "$work/$name.wav" "$start" "$end" 75 "$ceiling")
  # shellcheck disable=SC2086
  "$cli" measure "$work/$name.wav" --phonemes A $floor -o "$work/$name.csv" > /dev/null
  python3 - "$work/$name.csv" "$name" "$median" "$praat" << 'PY'
import csv, sys
path, name, median, praat = sys.argv[1:5]
theirs = [float(v) for v in praat.split()]
r = next(csv.DictReader(open(path)))
ours = [float(r[k]) if r[k] else float("nan") for k in ("f0_mean_hz", "f1_mid_mean_hz", "f2_mid_mean_hz")]
diff = " ".join(f"{100 * (o - t) / t:+6.1f}" for o, t in zip(ours, theirs))
print(f"{name:20} | {median:6} | {praat:22} | {ours[0]:7.1f} {ours[1]:7.1f} {ours[2]:7.1f} | {diff}")
PY
done << 'LIST'
en/pizzeria_cheese 0.111 0.321 151.8
en/shoe 0.214 0.394 174.3
en/tv_car 0.325 0.695 232.5
en/moon_star 0.292 0.462 180.2
en/tv_tree 0.615 0.915 263.8
en/shorts 0.253 0.423 128.9
en/ball 0.324 0.484 194.0
de/ball 0.053 0.303 127.8
de/moon_star 0.291 0.591 131.1
de/hat 0.054 0.264 179.3
de/shoes 0.261 0.581 143.7
de/pizzeria_cheese 0.142 0.422 155.7
LIST
