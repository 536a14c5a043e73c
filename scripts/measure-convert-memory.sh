#!/usr/bin/env bash
# Converts a raw 16 kHz 16-bit file of SIZE_MB megabytes (default 1024) to WAV
# with ardv-cli, once plain (little-endian) and once converting (12-bit
# big-endian), and reports each conversion's time and peak resident memory
# next to the time `cp` takes for the same file.
#   usage: scripts/measure-convert-memory.sh [BUILD_DIR] [SIZE_MB]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
build="${1:-$ARDV_ROOT/build-release}"
size_mb="${2:-1024}"
cli="$build/bin/ardv-cli"
if [ ! -x "$cli" ]; then
  cmake -S "$ARDV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DARDV_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j"$JOBS" --target ardv-cli ardv_data >/dev/null
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/ardv-convert-XXXXXX")"
trap 'rm -rf "$work"' EXIT

echo "== Writing a ${size_mb} MB raw file"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$work/in.raw"

measure() {  # measure LABEL COMMAND...
  local label="$1"
  shift
  sync
  /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null
  local wall rss
  wall="$(grep 'Elapsed (wall clock)' "$work/time.txt" | awk '{print $NF}')"
  rss="$(grep 'Maximum resident set size' "$work/time.txt" | awk '{print $NF}')"
  printf '%-34s wall %8s   peak RSS %6d kB (%.1f MB)\n' "$label" "$wall" "$rss" "$(echo "$rss / 1024" | bc -l)"
}

measure "cp" cp "$work/in.raw" "$work/cp.raw"
rm -f "$work/cp.raw"
measure "convert pcm16le-16k -> WAV" "$cli" convert "$work/in.raw" "$work/out.wav" --profile pcm16le-16k
rm -f "$work/out.wav"
measure "convert pcm12be-16k -> WAV" "$cli" convert "$work/in.raw" "$work/out.wav" --profile pcm12be-16k
rm -f "$work/out.wav"
# cp once more: the first run also waits for the new input file to reach the disk.
measure "cp (again)" cp "$work/in.raw" "$work/cp.raw"
