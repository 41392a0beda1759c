#!/usr/bin/env bash
# Builds and runs the viewer from the repository root. On a desktop (X11, or
# Wayland) it opens the window there. Without a display it runs on a virtual
# X display of its own (scripts/own-display.sh), takes screenshots of the
# window, ends it with Escape and prints where the screenshots are.
set -euo pipefail
cd "$(dirname "$0")/.."
KOV_BUILD_TARGETS=kov scripts/setup.sh --run build

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/kov
fi

shots="${KOV_SCREENSHOT_DIR:-$PWD/screenshots}"
mkdir -p "$shots"
export KOV_SHOTS="$shots"
scripts/own-display.sh bash -c '
  ./build/kov > "$KOV_SHOTS/console.txt" 2>&1 &
  pid=$!
  # The display ends with its last client, so nothing else connects before
  # the viewer has: its first console lines come once its window is open.
  for _ in $(seq 1200); do
    [ -s "$KOV_SHOTS/console.txt" ] || ! kill -0 $pid 2>/dev/null && break
    sleep 0.1
  done
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name "^KOV$" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    echo "The viewer did not open its window; its console:" >&2
    cat "$KOV_SHOTS/console.txt" >&2
    exit 1
  fi
  for t in 3 6 9; do
    sleep 3
    import -window "$wid" "$KOV_SHOTS/kov-${t}s.png"
  done
  # Held down until the viewer ends: it reads keys between frames, and a
  # software-rendered frame can outlast a quick press and release.
  xdotool keydown --window "$wid" Escape
  wait $pid
'
echo "Screenshots of the window (after 3, 6 and 9 seconds): $shots/kov-3s.png $shots/kov-6s.png $shots/kov-9s.png"
echo "The console transcript: $shots/console.txt"
