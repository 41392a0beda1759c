#!/usr/bin/env bash
# Draws one frame of the flight stage by stage, from the real frame, into the
# pictures that docs/how-it-works.md shows: builds kov_stages
# (tools/recorder/stages.cpp), runs it at 13 s of scene time (on a virtual
# display when there is none) and turns its pictures into 640 x 480 PNGs.
# The same build on the same Mesa gives the same bytes on every run.
#
# Usage: scripts/stages.sh [OUTDIR]     (default: docs/stages)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/stages}
seconds=13

KOV_BUILD_TARGETS=kov_stages scripts/setup.sh build
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/kov-stages-XXXXXX")
trap 'rm -rf "$work"' EXIT
stages=(build/tools/recorder/kov_stages --time "$seconds" "$work")
if [ -n "${DISPLAY:-}" ]; then "${stages[@]}"; else scripts/own-display.sh "${stages[@]}"; fi

png() { # SOURCE NAME [IMAGEMAGICK OPTIONS...]: a 640 x 480 PNG without time stamps
  local source=$1 name=$2
  shift 2
  convert "$work/$source" -filter Triangle -resize 640x480 "$@" -strip \
    -define png:exclude-chunks=date,time "png24:$out/$name"
}
png 1-depth.pgm 1-depth.png
png 2-volumes.ppm 2-volumes.png
# The stencil counts with their legend in a strip beneath.
legend=(-background '#202020' -gravity south -splice 0x30 -gravity northwest -font DejaVu-Sans -pointsize 14)
x=12
for entry in '0:#505050:none (lit twice)' '1:rgb(60,120,255):1' '2:rgb(250,170,40):2' '3:rgb(255,60,60):3 or more'; do
  IFS=: read -r _ colour text <<<"$entry"
  legend+=(-fill "$colour" -draw "rectangle $x,488 $((x + 16)),502" -fill '#e8e8e8' -annotate "+$((x + 22))+486" "$text")
  x=$((x + 40 + 9 * ${#text}))
done
png 3-stencil.ppm 3-stencil.png "${legend[@]}"
png 4-lit.ppm 4-lit.png
png 5-additive.ppm 5-additive.png
png 6-final.ppm 6-final.png
ls -l "$out"
