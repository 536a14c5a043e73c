#!/bin/sh
# Whole-file F0 of 10 minutes of real speech against Praat's To Pitch (ac),
# the two run in turn, pair by pair: wall and processor seconds and peak
# memory of each run (GNU time), then the median of Praat / ours.
# The signal: every file of tests/prosody/real_speech at 16 kHz, joined and
# repeated to 10 minutes.
# usage: bench/f0_vs_praat.sh ARDV_CLI [PAIRS] [EXTRA ardv-cli f0 OPTIONS...]
set -eu
cli=$1
pairs=${2:-5}
[ $# -ge 2 ] && shift 2 || shift 1
here=$(cd "$(dirname "$0")" && pwd)
set_dir="$here/../tests/prosody/real_speech"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "$set_dir"/*.wav; do
  sox "$f" -r 16000 "$work/$(basename "$f")"
done
sox "$work"/*.wav "$work/once.wav"
once=$(soxi -D "$work/once.wav")
times=$(python3 -c "import math; print(math.ceil(600 / $once))")
sox "$work/once.wav" "$work/long.wav" repeat $((times - 1)) trim 0 600
echo "signal: $(soxi -D "$work/long.wav") s at 16 kHz"
run() {  # label command...
  label=$1; shift
  /usr/bin/time -f "$label %e %U %S %M" -a -o "$work/times" "$@" > /dev/null 2>&1
}
run ours "$cli" f0 "$work/long.wav" -o "$work/long.pit" "$@"  # warm-up
run praat praat --run "$here/praat/pitch.praat" "$work/long.wav"
: > "$work/times"
i=0
while [ $i -lt "$pairs" ]; do
  run ours "$cli" f0 "$work/long.wav" -o "$work/long.pit" "$@"
  run praat praat --run "$here/praat/pitch.praat" "$work/long.wav"
  i=$((i + 1))
done
python3 - "$work/times" << 'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.split() and l.split()[0] in ("ours", "praat")]
ours = [r for r in rows if r[0] == "ours"]
praat = [r for r in rows if r[0] == "praat"]
def med(rs, i): return statistics.median(float(r[i]) for r in rs)
for name, rs in (("ours", ours), ("Praat", praat)):
    cpu = statistics.median(float(r[2]) + float(r[3]) for r in rs)
    print(f"{name:6} wall {med(rs, 1):.3f} s  cpu {cpu:.3f} s  peak {med(rs, 4) / 1024:.1f} MB")
ratios = [float(p[1]) / max(float(o[1]), 1e-3) for o, p in zip(ours, praat)]
cpu = [(float(p[2]) + float(p[3])) / max(float(o[2]) + float(o[3]), 1e-3) for o, p in zip(ours, praat)]
print(f"Praat / ours, pair by pair (median of {len(ratios)}): wall {statistics.median(ratios):.2f} x, cpu {statistics.median(cpu):.2f} x")
PY
