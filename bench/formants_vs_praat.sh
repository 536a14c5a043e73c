#!/bin/sh
# CPU and wall time of `ardv-cli formants` (automatic ceiling, and the
# design's 5000 Hz) against Praat's To Formant (burg) on the same 60-s files
# at 16 kHz, run in turn (ours, Praat, ours, Praat ...) so that a drift of
# the machine's speed touches both: real speech (the two 16 kHz recordings
# of tests/prosody/real_speech, repeated) and our synthesizer's vowels
# (data/examples/vowels-aiu.kle, repeated). Prints the medians and the
# median of the pairwise ratios; peak memory of ours.
# usage: bench/formants_vs_praat.sh ARDV_CLI [RUNS]
set -eu
cli=$1
runs=${2:-7}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
real="$root/tests/prosody/real_speech"
sox "$real/speech16a.wav" "$real/speech16b.wav" "$work/twelve.wav"
sox "$work/twelve.wav" "$work/speech.wav" repeat 9
"$cli" synth "$root/data/examples/vowels-aiu.kle" -o "$work/aiu.wav" > /dev/null
sox "$work/aiu.wav" "$work/vowels.wav" repeat 65
# time CMD...: "user+system wall peak-KB" of one run
timed() { /usr/bin/time -f "%U %S %e %M" -o "$work/t" "$@" > /dev/null 2>&1; awk '{print $1 + $2, $3, $4}' "$work/t"; }
for file in speech vowels; do
  for ceiling in auto 5000; do
    : > "$work/pairs"
    i=0
    while [ "$i" -lt "$runs" ]; do
      ours=$(timed "$cli" formants "$work/$file.wav" --ceiling "$ceiling" -o "$work/out.tsv")
      theirs=$(timed praat --run "$here/praat/formant.praat" "$work/$file.wav")
      echo "$ours $theirs" >> "$work/pairs"
      i=$((i + 1))
    done
    python3 - "$file" "$ceiling" "$work/pairs" << 'PY'
import statistics, sys
name, ceiling, path = sys.argv[1:4]
rows = [[float(v) for v in line.split()] for line in open(path)]
med = lambda k: statistics.median(r[k] for r in rows)
ratio = lambda a, b: statistics.median(r[a] / r[b] for r in rows if r[b] > 0)
print(f"{name:7} --ceiling {ceiling:4}: ours cpu {med(0):.3f} s wall {med(1):.3f} s peak {med(2) / 1024:.1f} MiB;"
      f" Praat cpu {med(3):.3f} s wall {med(4):.3f} s; ours/Praat cpu {ratio(0, 3):.2f} wall {ratio(1, 4):.2f}")
PY
  done
done
