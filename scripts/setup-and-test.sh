#!/usr/bin/env bash
# Installs what is missing, builds the programs as the first README command
# does (reusing its build) and Ardelovox with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then the package test and each
# fuzz target for a bounded time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

install_packages "${ARDV_RUN_PACKAGES[@]}" "${ARDV_TEST_PACKAGES[@]}"

echo "== Programs (Release, as the first README command builds them)"
build_programs

echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
configure_and_build "$ARDV_ROOT/build-test" -DCMAKE_BUILD_TYPE=Debug -DARDV_SANITIZE=ON -DARDV_BUILD_GUI=ON \
  -DARDV_BUILD_PYTHON=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$ARDV_ROOT/build-test" && ctest --output-on-failure -j"$JOBS")

echo "== Debian package"
if [ "$(id -u)" -eq 0 ]; then
  "$ARDV_ROOT/tests/package/package_test.sh" "$ARDV_ROOT/build"
else
  echo "The package test installs the package: run as root, or sudo $ARDV_ROOT/tests/package/package_test.sh $ARDV_ROOT/build"
  [ "${CI:-}" != true ] || exit 1
fi

echo "== Fuzz targets"
"$ARDV_ROOT/scripts/run-fuzzers.sh" "${FUZZ_SECONDS:-20}"
echo "== All tests passed"
