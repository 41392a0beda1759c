#!/usr/bin/env bash
# Builds the viewer and its tests and runs the whole suite through CTest on a
# virtual X display (Mesa's llvmpipe). Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)" "$@"
