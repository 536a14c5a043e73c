#!/bin/sh
# Copy synthesis of real read speech, measured by Praat on the copy and on
# the original: per speaker, the median F0, F1 and F2 over the frames where
# the original is voiced (Praat's ac pitch, Burg formants with the same
# settings on both) and the copy's difference in %, against the aims of 2 %
# (F0) and 5 % (F1, F2); and the share of those frames where the copy's F1
# and F2 lie within 10 % of the original's.
# Voices: the spoken words of KTuberling (Debian's ktuberling; each language
# one speaker, joined into one file per speaker) and the real-speech set of
# tests/prosody/real_speech; sox converts them (16 kHz, or 8 kHz as they are).
# Needs sox, praat, python3 and (for its words) ktuberling, Debian packages
# all; speakers whose files are missing are left out.
# usage: bench/copy_synth_real.sh ARDV_CLI [copy-synth options...]
set -eu
cli=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
real="$here/../tests/prosody/real_speech"
kt=/usr/share/ktuberling/sounds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name class rate source (KTuberling: its language's first 12 words; or
# one WAV of the real-speech set)
speakers() {
  cat << 'LIST'
en-m male 16000 kt en
ga-m male 16000 kt ga
morig-m male 8000 real morig
hts1a-m male 8000 real hts1a
ro-f female 16000 kt ro
uk-f female 16000 kt uk
forig-f female 8000 real forig
gl-h child 16000 kt gl
nl-c child 8000 kt nl
fi-c child 8000 kt fi
LIST
}

echo "speaker class  Hz | F0 orig copy diff% | F1 orig copy diff% | F2 orig copy diff% | frames | F1 F2 within 10%"
speakers | while read -r name class rate kind lang; do
  in="$work/$name.wav"
  if [ "$kind" = kt ] && [ ! -d "$kt/$lang" ]; then
    echo "$name: $kt/$lang is missing (Debian's ktuberling)"
    continue
  fi
  if [ "$kind" = real ]; then
    sox -D "$real/$lang.wav" -r "$rate" -c 1 -b 16 "$in"
  else
    parts=""
    # shellcheck disable=SC2012
    for f in $(ls "$kt/$lang" | head -n 12); do
      sox -D "$kt/$lang/$f" -r "$rate" -c 1 -b 16 "$work/$name-${f%.*}.wav" pad 0.1 0.1 2> /dev/null
      parts="$parts $work/$name-${f%.*}.wav"
    done
    # shellcheck disable=SC2086
    sox $parts "$in"
  fi
  "$cli" copy-synth "$in" -o "$work/$name.kle" --synth "$work/$name-copy.wav" "$@" > /dev/null
  case $class in
    male) floor=75 top=300 ceiling=5000 ;;
    female) floor=100 top=500 ceiling=5500 ;;
    *) floor=150 top=700 ceiling=6500 ;;
  esac
  praat --run "$here/praat/copy_frames.praat" "$in" "$work/$name-copy.wav" $floor $top $ceiling > "$work/$name.frames"
  python3 - "$work/$name.frames" "$name" "$class" "$rate" << 'PY'
import statistics, sys
path, name, cls, rate = sys.argv[1:5]
cols = [[] for _ in range(6)]
for line in open(path):
    v = line.split()
    if len(v) != 7 or "--undefined--" in v[1:]:
        continue
    for i in range(6):
        cols[i].append(float(v[i + 1]))
cells = []
for i in range(0, 6, 2):
    a, b = statistics.median(cols[i]), statistics.median(cols[i + 1])
    cells.append(f"{a:6.1f} {b:6.1f} {100 * (b - a) / a:+5.1f}")
near = [100 * sum(abs(b / a - 1) < 0.1 for a, b in zip(cols[i], cols[i + 1])) / len(cols[i]) for i in (2, 4)]
print(f"{name:7} {cls:6} {rate:5} | " + " | ".join(cells) + f" | {len(cols[0])} | {near[0]:3.0f} {near[1]:3.0f}")
PY
done | tee "$work/table"
# How many speakers meet each aim.
awk -F'|' 'NF > 4 { n++; split($2, a, " "); split($3, b, " "); split($4, c, " ")
  f0 += (a[3] < 0 ? -a[3] : a[3]) <= 2; f1 += (b[3] < 0 ? -b[3] : b[3]) <= 5; f2 += (c[3] < 0 ? -c[3] : c[3]) <= 5
  split($6, w, " "); w1 += w[1]; w2 += w[2] }
  END { if (n) printf "within the aims: F0 %d/%d, F1 %d/%d, F2 %d/%d; frames within 10 %%: F1 %.1f %%, F2 %.1f %%\n",
                      f0, n, f1, n, f2, n, w1 / n, w2 / n }' "$work/table"
