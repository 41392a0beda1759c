#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/, -DKOV_FUZZ=ON) and runs
# each one from its seed corpus in fuzz/corpus/<target>/ on a virtual X display.
#
#   scripts/fuzz.sh --short   a quick pass for the test command: every target
#                             runs its committed corpus (seeds and regression
#                             inputs) and then fuzzes for a few seconds
#   scripts/fuzz.sh --long    a longer campaign (KOV_FUZZ_SECONDS per target,
#                             default 1800) that keeps what it learns in
#                             build-fuzz/corpus/<target>/
#   scripts/fuzz.sh --long model_fuzz   only the named targets
#
# A finding stops the run with libFuzzer's report; the failing input is left
# in build-fuzz/artifacts/. Add it to fuzz/corpus/<target>/ as
# "regression-<what>", add a unit test under tests/ that reproduces it, and
# fix the code. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:---short}"
shift || true
case "$mode" in
  --short) seconds="${KOV_FUZZ_SECONDS:-10}" ;;
  --long) seconds="${KOV_FUZZ_SECONDS:-1800}" ;;
  *) echo "usage: $0 --short|--long [target...]" >&2; exit 2 ;;
esac
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(adjacency_fuzz obj_fuzz image_fuzz model_fuzz)

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing; run scripts/setup.sh, which installs the release's clang" >&2
  exit 1
fi
echo "fuzz.sh: $(clang++ --version | head -n 1)"

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOV_FUZZ=ON \
  -DKOV_BUILD_TESTS=OFF -DKOV_BUILD_BENCH=OFF -DKOV_BUILD_GENERATOR=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Leaks inside libraries the viewer cannot change are suppressed (each line
# of the file gives its reason); everything else stops the run.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  seeds="fuzz/corpus/$target"
  work="$build/corpus/$target"
  mkdir -p "$work"
  echo "== $target: ${seconds}s from $seeds"
  # -close_fd_mask=1: the loaders' console traces would drown the report.
  # -rss_limit_mb/-malloc_limit_mb: an image may declare a huge size; such an
  # allocation failing is handled (allocator_may_return_null) and is not a
  # finding, but the process must not grow without bound.
  scripts/own-display.sh "$build/fuzz/$target" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -malloc_limit_mb=4096 \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$work" "$seeds" 2>&1 | grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)' || { echo "$target found a failure" >&2; exit 1; }
done
