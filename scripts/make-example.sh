#!/usr/bin/env bash
# Regenerates the bundled example data/examples/example.wav: builds the core
# libraries, compiles scripts/make-example/make_example.cpp against them and
# the espeak-ng library, and runs it. Not part of the default build.
#   scripts/make-example.sh [OUTPUT.wav] ["sentence"]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build-example}"
output="${1:-$root/data/examples/example.wav}"

if ! dpkg-query -W -f='${Status}' libespeak-ng-dev 2>/dev/null | grep -q "install ok installed"; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libespeak-ng-dev espeak-ng-data
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DARDV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target ardv_signal
g++ -std=c++20 -O2 -Wall -Wextra -I"$root" "$root/scripts/make-example/make_example.cpp" \
  "$build/signal/libardv_signal.a" "$build/annotation/libardv_annotation_model.a" \
  "$build/platform/libardv_platform.a" -lespeak-ng -o "$build/make-example"
shift || true
"$build/make-example" "$output" "$@"
