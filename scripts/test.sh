#!/usr/bin/env bash
# Builds the viewer and its tests and runs the whole suite through CTest, each
# test executable on a virtual X display of its own (Mesa's llvmpipe; see
# scripts/own-display.sh); then the same suite built with the
# sanitizers (scripts/test-sanitized.sh), a short pass of every fuzzer
# (scripts/fuzz.sh --short) and the Windows build, cross-compiled and run
# under Wine (scripts/test-windows.sh). Arguments go to the first CTest run
# only. KOV_TEST_SANITIZED=0, KOV_TEST_FUZZ=0 or KOV_TEST_WINDOWS=0 leave out
# those stages. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
(cd build && ctest --output-on-failure -j"$(nproc)" "$@")

if [ "${KOV_TEST_SANITIZED:-1}" != 0 ]; then
  echo "== the suite under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer"
  scripts/test-sanitized.sh
fi
if [ "${KOV_TEST_FUZZ:-1}" != 0 ]; then
  echo "== a short pass of every fuzzer"
  scripts/fuzz.sh --short
fi
if [ "${KOV_TEST_WINDOWS:-1}" != 0 ]; then
  echo "== the Windows build, cross-compiled and run under Wine"
  scripts/test-windows.sh
fi
