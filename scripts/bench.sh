#!/usr/bin/env bash
# Builds the frame benchmark in its own build directory and runs it from the
# repository root (on a virtual X display when there is none). The figures go
# to the terminal and, as JSON, to bench/results/.
#
# Usage: scripts/bench.sh [kov_frame_bench options: --frames N --warmup N --dt S
#                          --scene DIR --per-asset-frames N]
# The program's defaults are 300 measured frames after 30 of warm-up, with a
# time step of 1/60 s. On Mesa's llvmpipe a frame of the scene takes about
# 130 ms on two quiet cores (docs/performance.md); its current figures come
# from the shorter --frames 12 --warmup 3 --per-asset-frames 4.
# Environment: KOV_BENCH_BUILD (build directory, default build-bench),
#              KOV_BENCH_OUT (JSON path, default bench/results/frame-<host>-<UTC time>.json).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${KOV_BENCH_BUILD:-build-bench}"
scripts/setup.sh --run "$build_dir" -DKOV_BUILD_GENERATOR=OFF
cmake --build "$build_dir" -j"$(nproc)" --target kov_frame_bench

mkdir -p bench/results
out="${KOV_BENCH_OUT:-bench/results/frame-$(hostname -s)-$(date -u +%Y%m%dT%H%M%SZ).json}"
bench=("$build_dir/bench/kov_frame_bench" --json "$out" "$@")

if [ -n "${DISPLAY:-}" ]; then
  "${bench[@]}"
else
  scripts/own-display.sh "${bench[@]}"
fi
echo "Figures written to $out"
