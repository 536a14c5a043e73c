#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 20), starting from the seeds in fuzz/corpus/<name>. Fails on any crash,
# leak or sanitizer report.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
seconds="${1:-20}"
dir="$ARDV_ROOT/build-fuzz"

CC=clang CXX=clang++ cmake -S "$ARDV_ROOT" -B "$dir" "${ARDV_LAUNCHER[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DARDV_BUILD_FUZZ=ON -DARDV_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$JOBS"

shopt -s nullglob
targets=("$dir"/fuzz/*_fuzz)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets built" >&2
  exit 1
fi
failed=0
for target in "${targets[@]}"; do
  name="$(basename "$target")"
  seeds="$ARDV_ROOT/fuzz/corpus/${name%_fuzz}"
  work="$dir/corpus/$name"
  mkdir -p "$work"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "-- $name for ${seconds}s"
  if ! (cd "$dir" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 "$work" >"$dir/$name.log" 2>&1); then
    echo "FAILED: $name (see $dir/$name.log)"
    tail -n 40 "$dir/$name.log"
    failed=1
  fi
done
exit $failed
