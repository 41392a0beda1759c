#!/usr/bin/env bash
# The Windows build, cross-compiled and run: builds the viewer for 64-bit
# Windows with Debian's MinGW-w64 GCC from the same CMakeLists.txt (through
# cmake/windows/mingw-w64-x86_64.cmake, warnings as errors) against the
# libraries scripts/windows-deps.sh cross-builds once into a cache, into
# build-windows/kov.exe. Then it runs that under Wine on a virtual display of
# its own, in a private Wine prefix removed afterwards, beside the Linux
# viewer (build/kov), and checks:
#   - the console transcript equals the Linux viewer's line for line
#     (carriage returns aside);
#   - the frame after a few seconds is the Linux viewer's frame, lit and with
#     its shadows (at most a small share of pixels apart: what moves between
#     two frames taken a moment apart);
#   - Escape ends it with status 0;
#   - a fragment stage that compiles but cannot link makes it print "failed
#     to link shader" twice, run the console pause (the command interpreter's
#     PAUSE, three times) and end with status 255, its transcript otherwise
#     the Linux viewer's.
# Installs what it needs from Debian's packages; safe to run again.
# KOV_WINDOWS_KEEP=DIR keeps the screenshots and transcripts in DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD

scripts/install-packages.sh build-essential cmake pkg-config dpkg-dev \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libglm-dev libutfcpp-dev \
  wine wine64 xvfb libgl1-mesa-dri libglx-mesa0 xdotool imagemagick

echo "== the Windows build's libraries"
started=$SECONDS
prefix=$(scripts/windows-deps.sh | tail -n 1)
echo "($((SECONDS - started)) s) $prefix"

echo "== build-windows/kov.exe"
started=$SECONDS
# Paths into an earlier prefix stay in CMake's cache: start afresh with a new one.
if [ "$(cat build-windows/deps-prefix 2>/dev/null || true)" != "$prefix" ]; then
  rm -rf build-windows
  mkdir -p build-windows
  echo "$prefix" >build-windows/deps-prefix
fi
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$project/cmake/windows/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-windows -j"$(nproc)" --target kov
echo "($((SECONDS - started)) s)"

echo "== the Linux viewer, for reference"
# build/ as the test command left it, or as the run command makes it.
if [ -f build/CMakeCache.txt ]; then
  cmake --build build -j"$(nproc)" --target kov >/dev/null
else
  KOV_BUILD_TARGETS=kov scripts/setup.sh --run build >/dev/null
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kov-windows-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
keep=${KOV_WINDOWS_KEEP:-}
[ -n "$keep" ] && mkdir -p "$keep"

# Copies of the scene: one whose normal-mapping program cannot link (its
# fragment stage compiles but has no main), and one whose shadow volumes are
# empty (its geometry stage emits nothing), the reference for which pixels
# are in shadow.
for copy in unlinkable unshadowed; do
  mkdir -p "$scratch/$copy"
  cp -r shaders models textures "$scratch/$copy/"
done
printf '#version 330 core\nout vec4 colour;\nvoid notMain() { colour = vec4(1.0); }\n' \
  >"$scratch/unlinkable/shaders/normalMapping.frag"
printf '#version 330 core\nlayout(triangles_adjacency) in;\nlayout(triangle_strip, max_vertices = 3) out;\nvoid main() {}\n' \
  >"$scratch/unshadowed/shaders/shadow.geom"

echo "== under Wine"
export WINEPREFIX="$scratch/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export KOV_SCRATCH="$scratch"
started=$SECONDS
env -u DISPLAY -u WAYLAND_DISPLAY wineboot --init >/dev/null 2>&1
wineserver -w

# Runs a viewer (its command in $1) from the current folder on the display
# until a screenshot is taken $3 seconds after its window opened, then ends
# it with Escape: its transcript goes to $2.out, its frame to $2.png, its
# exit status to $2.status. Each run gets a display of its own (the display
# ends with its last client).
run_and_shoot() {
  local name=$2
  $1 >"$KOV_SCRATCH/$name.out" 2>"$KOV_SCRATCH/$name.err" </dev/null &
  local pid=$! wid=""
  # Nothing else may connect before the viewer has (the display would end
  # with that short client): its first console lines come once its window is open.
  for _ in $(seq 1200); do
    [ -s "$KOV_SCRATCH/$name.out" ] || ! kill -0 $pid 2>/dev/null && break
    sleep 0.1
  done
  for _ in $(seq 100); do
    wid=$(xdotool search --name "^KOV\$" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] || ! kill -0 $pid 2>/dev/null && break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    echo "$name: no window; its console:" >&2
    cat "$KOV_SCRATCH/$name.out" "$KOV_SCRATCH/$name.err" >&2
    return 1
  fi
  sleep "$3"
  import -window "$wid" "$KOV_SCRATCH/$name.png"
  # Wine reads keys from the focused window only (no window manager here).
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  xdotool keydown --window "$wid" Escape
  xdotool keydown Escape
  # A viewer that does not end within a minute is stopped: status "none".
  for _ in $(seq 600); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  local status=0
  if kill -0 $pid 2>/dev/null; then
    kill $pid
    wait $pid || true
    status=none
  else
    wait $pid || status=$?
  fi
  echo "$status" >"$KOV_SCRATCH/$name.status"
}
# The same for a run that ends by itself (status 124 if it has not within two minutes).
run_to_end() {
  local status=0
  timeout 120 $1 >"$KOV_SCRATCH/$2.out" 2>"$KOV_SCRATCH/$2.err" </dev/null || status=$?
  echo "$status" >"$KOV_SCRATCH/$2.status"
}
export -f run_and_shoot run_to_end
exe="wine $project/build-windows/kov.exe"
scripts/own-display.sh bash -c "run_and_shoot ./build/kov linux 5"
scripts/own-display.sh bash -c "run_and_shoot '$exe' windows 5"
(cd "$scratch/unshadowed" && "$project/scripts/own-display.sh" bash -c "run_and_shoot '$project/build/kov' unshadowed 5")
wineserver -k 2>/dev/null || true
(cd "$scratch/unlinkable" && "$project/scripts/own-display.sh" bash -c "run_to_end '$exe' unlinkable-windows")
wineserver -k 2>/dev/null || true
(cd "$scratch/unlinkable" && "$project/scripts/own-display.sh" bash -c "run_to_end '$project/build/kov' unlinkable-linux")
echo "(Wine runs: $((SECONDS - started)) s)"
[ -n "$keep" ] && cp "$scratch"/*.out "$scratch"/*.png "$scratch"/*.status "$keep/"

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# The console pause's prompt, as Windows' and Wine's command interpreters
# print it (no end-of-line when standard input is at its end).
pause_prompt='Press any key to continue'
unix_lines() { tr -d '\r' <"$1"; }
without_pauses() { unix_lines "$1" | sed -E "s/$pause_prompt[ .]*//g"; }

status=$(cat "$scratch/windows.status")
[ "$status" = 0 ] && pass "Escape ends the Windows viewer with status 0" \
  || fail "the Windows viewer ended with status $status after Escape"
if diff <(unix_lines "$scratch/linux.out") <(unix_lines "$scratch/windows.out") >"$scratch/transcript.diff"; then
  pass "the transcript equals the Linux viewer's ($(wc -l <"$scratch/linux.out") lines)"
else
  fail "the transcript differs from the Linux viewer's:"
  head -n 40 "$scratch/transcript.diff"
fi

# The frame: the Linux viewer's, but for what moves between two frames taken
# a moment apart (pixels further apart than 10 % in any channel: about 1 %,
# up to 3 % where Wine takes longer to start; a frame with black textures is
# 68 % apart)...
# A frame that cannot be compared (a missing screenshot, or one of another
# size, which compare would search for inside the other) fails.
size_of() { identify -format '%wx%h' "$1" 2>/dev/null || echo "no picture"; }
linux_size=$(size_of "$scratch/linux.png")
windows_size=$(size_of "$scratch/windows.png")
total=0
apart=$(compare -metric AE -fuzz 10% "$scratch/linux.png" "$scratch/windows.png" null: 2>&1) || true
if [ "$linux_size" != "$windows_size" ] || [ "$linux_size" = "no picture" ] || ! [[ "${apart%% *}" =~ ^[0-9][0-9.e+]*$ ]]; then
  fail "the frame cannot be compared with the Linux viewer's (Windows: $windows_size, Linux: $linux_size): $apart"
else
  total=$(identify -format '%[fx:w*h]' "$scratch/linux.png")
  share=$(awk -v a="${apart%% *}" -v t="$total" 'BEGIN { printf "%.2f", 100 * a / t }')
  if awk -v s="$share" 'BEGIN { exit !(s <= 6) }'; then
    pass "the frame is the Linux viewer's: $share % of its pixels apart"
  else
    fail "the frame is not the Linux viewer's: $share % of its pixels apart (at most 6 %)"
  fi
fi
# ... and with its shadows: a shadowed pixel receives the light once where an
# unshadowed one receives it twice, so against the frame without shadow
# volumes it has about half the brightness. Two frames a moment apart without
# volumes have a few hundred such pixels; the Linux viewer's has thousands.
shadowed() {
  local count
  count=$(convert "$1" "$scratch/unshadowed.png" -colorspace gray \
    -fx 'v > 0.12 && u / v > 0.4 && u / v < 0.6 ? 1 : 0' -format '%[fx:round(mean * w * h)]\n' info: 2>/dev/null |
    grep -E '^[0-9]+$' | tail -n 1) || count=0
  echo "${count:-0}"
}
linux_shadowed=$(shadowed "$scratch/linux.png")
windows_shadowed=$(shadowed "$scratch/windows.png")
if [ "$total" -gt 0 ] && [ "$linux_shadowed" -ge $((total / 200)) ] && [ "$windows_shadowed" -ge $((linux_shadowed / 2)) ]; then
  pass "the frame has its shadows: $windows_shadowed pixels at half brightness (Linux: $linux_shadowed)"
else
  fail "the frame lacks its shadows: $windows_shadowed pixels at half brightness (Linux: $linux_shadowed, at least $((total / 200)))"
fi

status=$(cat "$scratch/unlinkable-windows.status")
[ "$status" = 255 ] && pass "a program that cannot link ends it with status 255" \
  || fail "a program that cannot link ended it with status $status, not 255"
linked=$(without_pauses "$scratch/unlinkable-windows.out" | grep -c '^failed to link shader$' || true)
[ "$linked" = 2 ] && pass "\"failed to link shader\" printed twice" \
  || fail "\"failed to link shader\" printed $linked times, not twice"
count_pauses() { unix_lines "$scratch/unlinkable-windows.out" | grep -o "$pause_prompt" | wc -l; }
pauses=$(count_pauses)
# Once in about thirty runs, on a loaded machine, one of Wine's command
# interpreters left no prompt in the transcript (never reproduced alone):
# only then the run is made once more. A pause the viewer skips is missing
# from both runs.
if [ "$pauses" != 3 ]; then
  echo "the console pause ran $pauses times; the failed start under Wine once more"
  wineserver -k 2>/dev/null || true
  (cd "$scratch/unlinkable" && "$project/scripts/own-display.sh" bash -c "run_to_end '$exe' unlinkable-windows")
  wineserver -k 2>/dev/null || true
  pauses=$(count_pauses)
fi
[ "$pauses" = 3 ] && pass "the console pause ran three times" || fail "the console pause ran $pauses times, not 3"
if diff <(unix_lines "$scratch/unlinkable-linux.out") <(without_pauses "$scratch/unlinkable-windows.out") \
     >"$scratch/unlinkable.diff"; then
  pass "the failed start's transcript is the Linux viewer's, its pauses aside"
else
  fail "the failed start's transcript differs from the Linux viewer's:"
  head -n 40 "$scratch/unlinkable.diff"
fi

if [ "$failures" -ne 0 ]; then
  echo "The Windows build: $failures check(s) failed"
  exit 1
fi
echo "The Windows build: every check passed"
