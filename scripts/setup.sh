#!/usr/bin/env bash
# Installs what is missing from Debian's packages and builds the viewer.
# Safe to run again. Usage: scripts/setup.sh [build-dir] [extra cmake args...]
# KOV_BUILD_TARGETS narrows the build (default: everything, tests included).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # Compilers and the build.
  build-essential cmake pkg-config
  # The viewer's libraries (GLU for gluErrorString).
  libglfw3-dev libglew-dev libglm-dev libassimp-dev libfreeimage-dev libglu1-mesa-dev
  # Tests: GoogleTest; Xlib for reading windows back from the X server;
  # XRandR's header, which <GLFW/glfw3native.h> includes for its X11 functions;
  # zlib for the bad-input tests' hand-made PNG files.
  libgtest-dev libx11-dev libxrandr-dev zlib1g-dev
  # The virtual display and Mesa's software OpenGL (llvmpipe); xvfb-run needs xauth.
  xvfb xauth libgl1-mesa-dri libglx-mesa0
  # Keys sent to the viewer's window (tests, scripts/run.sh) and its screenshots (import).
  xdotool imagemagick
  # The recording tool's encoder (scripts/record.sh: video, animated image; ffprobe in its tests).
  ffmpeg
  # The font of the recording's contact sheet labels (ImageMagick's montage).
  fonts-dejavu-core
  # The fuzzers: clang with libFuzzer and its sanitizer runtimes.
  clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir="${1:-build}"
shift || true
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${KOV_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
