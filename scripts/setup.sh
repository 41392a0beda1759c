#!/usr/bin/env bash
# Installs what is missing from Debian's packages and builds the project.
# Safe to run again; the same on Debian 12 and 13 (no package is pinned to one
# release's version).
#
#   scripts/setup.sh [--run] [build-dir] [extra cmake args...]
#
# --run: only what building the viewer and running it headless need
# (scripts/run.sh, scripts/bench.sh); the build then leaves the tests out.
# Without it: everything the tests, the fuzzers and the recorder need too.
# KOV_BUILD_TARGETS narrows the build (default: everything configured).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=all
if [ "${1:-}" = --run ]; then
  mode=run
  shift
fi

packages=(
  # Compilers and the build.
  build-essential cmake pkg-config
  # The viewer's libraries (GLU for gluErrorString). Debian 12's Assimp names
  # libz.so in its CMake package without depending on zlib1g-dev.
  libglfw3-dev libglew-dev libglm-dev libassimp-dev libfreeimage-dev libglu1-mesa-dev zlib1g-dev
  # The virtual display and Mesa's software OpenGL (llvmpipe).
  xvfb libgl1-mesa-dri libglx-mesa0
  # Keys sent to the viewer's window (scripts/run.sh, tests) and its screenshots (import).
  xdotool imagemagick
)
if [ "$mode" = all ]; then
  packages+=(
    # Tests: GoogleTest; Xlib for reading windows back from the X server;
    # XRandR's header, which <GLFW/glfw3native.h> includes for its X11 functions.
    libgtest-dev libx11-dev libxrandr-dev
    # The golden frames on zink over lavapipe (Mesa's Vulkan drivers), and
    # glxinfo, which tells whether that driver makes a context.
    mesa-vulkan-drivers mesa-utils
    # The Wayland test: a headless compositor, its virtual keyboard and
    # screenshots, and the window decorations GLFW draws there through libdecor
    # (without a plugin libdecor complains on standard error).
    sway wtype grim libdecor-0-plugin-1-cairo
    # The recording tool's encoder (scripts/record.sh: video, animated image; ffprobe in its tests).
    ffmpeg
    # The font of the recording's contact sheet labels (ImageMagick's montage).
    fonts-dejavu-core
    # The fuzzers: the release's clang, with libFuzzer and its sanitizer runtimes.
    clang libclang-rt-dev
  )
fi
scripts/install-packages.sh "${packages[@]}"

build_dir="${1:-build}"
shift || true
tests=ON
[ "$mode" = run ] && tests=OFF
# Given each time: build/ is shared by the two commands, and CMake keeps the
# last value of an option.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOV_BUILD_TESTS="$tests" "$@" >/dev/null
targets=()
for t in ${KOV_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
