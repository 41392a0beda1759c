#!/usr/bin/env bash
# Records the demonstration's flight: builds the recording tool kov_record
# (tools/recorder), which draws the real frame with a fixed time step, and
# turns its frames into
#   kov-flight.mp4         the video: every frame at 1024 x 768, H.264
#   kov-flight.webp        the animated image: every 4th frame at 640 x 480,
#                          as many a second (4 times faster than the scene)
#   kov-flight-sheet.png   the contact sheet: 12 frames across the flight,
#                          each labelled with its scene time
#   kov-flight-frames.tsv  one line a frame: scene time, flight state, eye,
#                          checksum of its pixels
# in recording/ (or --out DIR). Runs on a virtual display when there is none.
#
# Usage: scripts/record.sh [--out DIR] [--fps N] [--start S] [--end S|rest] [--frames N]
# The whole flight (0 to 110.7 s of scene time at 10 frames a second, 1108
# frames) takes about 10 minutes of CPU time with the software renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
out=recording
span=()
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --fps | --start | --end | --frames) span+=("$1" "$2"); shift 2 ;;
    *) echo "usage: scripts/record.sh [--out DIR] [--fps N] [--start S] [--end S|rest] [--frames N]" >&2; exit 2 ;;
  esac
done
fps=10
for ((i = 0; i < ${#span[@]}; i += 2)); do [ "${span[i]}" = --fps ] && fps=${span[i+1]}; done

# KOV_RECORDER names a kov_record already built (the tests give theirs);
# otherwise it is built here.
recorder=${KOV_RECORDER:-}
if [ -z "$recorder" ]; then
  KOV_BUILD_TARGETS=kov_record scripts/setup.sh build
  recorder=build/tools/recorder/kov_record
fi
record() {
  if [ -n "${DISPLAY:-}" ]; then "$recorder" "$@"; else scripts/own-display.sh "$recorder" "$@"; fi
}
mkdir -p "$out"
work=$(mktemp -d "$out/.record-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The contact sheet's frames, spread evenly from the first to the last.
count=$(record "${span[@]}" --count)
sheet=12; [ "$count" -lt "$sheet" ] && sheet=$count
picks=()
for ((j = 0; j < sheet; j++)); do
  picks+=($(( sheet == 1 ? 0 : (2 * j * (count - 1) + sheet - 1) / (2 * (sheet - 1)) )))
done
select=$(printf 'eq(n\\,%s)+' "${picks[@]}"); select=${select%+}
echo "record.sh: $count frames at $fps a second of scene time"

# One pass of the encoder: the video, the animated image and the sheet's frames.
record "${span[@]}" --list "$work/frames.tsv" |
  ffmpeg -hide_banner -nostats -loglevel error -y \
    -f rawvideo -pix_fmt rgb24 -video_size 1024x768 -framerate "$fps" -i pipe:0 \
    -map 0:v -c:v libx264 -preset medium -crf 20 -pix_fmt yuv420p -movflags +faststart "$work/video.mp4" \
    -map 0:v -vf "select=not(mod(n\\,4)),setpts=N/($fps*TB),scale=640:-2:flags=lanczos" \
      -c:v libwebp_anim -lossless 0 -quality 80 -compression_level 6 -loop 0 -f webp "$work/animated.webp" \
    -map 0:v -vf "select=$select" -fps_mode passthrough "$work/sheet-%02d.png"

# Each tile's label: its scene time, with as many decimals as the time step
# needs (one at 10 frames a second, two at 4), and the flight's stretch.
decimals=0
for ((power = 1; decimals < 3 && power % fps != 0; power *= 10)); do decimals=$((decimals + 1)); done
stretches=(waiting "first glide" pause "second glide" pause "last glide" "at rest")
tiles=()
for ((j = 0; j < sheet; j++)); do
  read -r seconds state < <(awk -F"\t" -v f="${picks[j]}" -v d="$decimals" '$1 == f { printf "%.*f %d\n", d, $2, $3 }' "$work/frames.tsv")
  tiles+=(-label "t = $seconds s, ${stretches[state]}" "$work/sheet-$(printf %02d $((j + 1))).png")
done
# No time stamps in the sheet: two runs give the same bytes.
montage -font DejaVu-Sans -pointsize 14 -fill '#e8e8e8' -background '#202020' -scale 256x192 "${tiles[@]}" \
  -tile 4x -geometry +4+4 -depth 8 -define png:exclude-chunks=date,time "png:$work/sheet.png"

mv "$work/video.mp4" "$out/kov-flight.mp4"
mv "$work/animated.webp" "$out/kov-flight.webp"
mv "$work/sheet.png" "$out/kov-flight-sheet.png"
mv "$work/frames.tsv" "$out/kov-flight-frames.tsv"
ls -l "$out"/kov-flight*
