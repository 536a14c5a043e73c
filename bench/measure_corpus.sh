#!/bin/sh
# Speed and memory of `ardv-cli measure` over a corpus of 1,000 labelled
# recordings of 3 s (16 kHz Klatt vowels of three voices, 7 segments each):
# files/s for duration and F0 alone and for every figure, with the peak
# memory, and the same on 250 files (memory must not grow with the corpus).
# Build ardv-cli in Release (cmake -DCMAKE_BUILD_TYPE=Release; only the
# ardv-cli target) and run on a quiet machine.
# usage: bench/measure_corpus.sh ARDV_CLI [FILES]
set -eu
cli=$1
count=${2:-1000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/small"
for voice in male female child; do
  python3 "$here/measure_vowels.py" "$work" "$voice" 3 > /dev/null
  "$cli" synth "$work/$voice.kle" -o "$work/$voice-plain.wav" > /dev/null
  "$cli" labels "$work/$voice-plain.wav" --import textgrid "$work/$voice.TextGrid" -o "$work/$voice.wav" > /dev/null
done
i=0
while [ $i -lt "$count" ]; do
  for voice in male female child; do
    [ $i -lt "$count" ] && cp "$work/$voice.wav" "$work/corpus/$(printf '%05d' $i)-$voice.wav"
    [ $i -lt $((count / 4)) ] && cp "$work/$voice.wav" "$work/small/$(printf '%05d' $i)-$voice.wav"
    i=$((i + 1))
  done
done
run() {
  name=$1; dir=$2; shift 2
  /usr/bin/time -f "%e %U %M" -o "$work/time" "$cli" --threads 1 measure "$work/$dir" "$@" -o "$work/out.csv" > "$work/summary"
  read -r wall user mem < "$work/time"
  files=$(ls "$work/$dir" | wc -l)
  echo "$name: $(cat "$work/summary"); $files files in ${wall} s wall, ${user} s user: $(echo "$files / $user" | bc) files/s (cpu), peak ${mem} KB"
}
run "duration and F0" corpus --measures f0
run "every figure" corpus
run "every figure, a quarter of the files" small
