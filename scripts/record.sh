#!/usr/bin/env bash
# Records the demonstration's whole flight with the recording tool
# (tools/recorder): builds kov_record and runs it from the repository root,
# on a virtual X display (Xvfb, Mesa's llvmpipe) when there is none.
# The outputs go to recording/ unless --out names another folder:
#   kov-flight.mp4         the video: every frame at 1024 x 768, 10 frames per
#                          second of scene time, H.264
#   kov-flight.webp        the animated image: every 4th frame at 640 x 480,
#                          10 a second (4 times faster than the scene)
#   kov-flight-sheet.png   the contact sheet: 12 frames across the flight,
#                          each labelled with its scene time
#   kov-flight-frames.tsv  one line a frame: scene time, flight state, eye,
#                          checksum of its pixels
#
# Usage: scripts/record.sh [kov_record options, e.g. --start 10 --end 40]
# The whole flight (0 to 110.7 s of scene time, 1108 frames) takes about
# 10.5 minutes of CPU time with the software renderer: some 6 minutes on two
# idle cores, 23.5 measured on two cores shared with other work.
set -euo pipefail
cd "$(dirname "$0")/.."
KOV_BUILD_TARGETS=kov_record scripts/setup.sh build

record=(./build/tools/recorder/kov_record --out recording "$@")
if [ -n "${DISPLAY:-}" ]; then
  exec "${record[@]}"
fi
exec scripts/own-display.sh "${record[@]}"
