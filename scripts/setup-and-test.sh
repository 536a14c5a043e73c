#!/usr/bin/env bash
# Installs what is missing, builds Ardelovox with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then runs each fuzz target for
# a bounded time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

install_packages

echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
configure_and_build "$ARDV_ROOT/build-test" -DCMAKE_BUILD_TYPE=Debug -DARDV_SANITIZE=ON -DARDV_BUILD_GUI=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$ARDV_ROOT/build-test" && ctest --output-on-failure -j"$JOBS")

echo "== Fuzz targets"
"$ARDV_ROOT/scripts/run-fuzzers.sh" "${FUZZ_SECONDS:-20}"
echo "== All tests passed"
