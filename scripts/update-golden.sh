#!/usr/bin/env bash
# Renders the demonstration scene at the moments the golden tests check and
# writes the results as the new reference images in tests/golden/.
# Run it after a deliberate change to what the scene looks like (models,
# textures, shaders, lighting, camera flight), look at the images, commit them.
#
#   scripts/update-golden.sh [build directory]   (default: build-golden)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-golden}"

cmake -S "$root" -B "$build" -DKOV_BUILD_GENERATOR=OFF >/dev/null
cmake --build "$build" -j2 --target kov_render_tests
cd "$root"
KOV_UPDATE_GOLDEN=1 scripts/own-display.sh "$build/tests/kov_render_tests" --gtest_filter='Golden.*'
ls -l "$root"/tests/golden/
