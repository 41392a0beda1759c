#!/usr/bin/env bash
# Runs a command as a headless login session would: on a virtual X display of
# its own (Xvfb with Mesa's software OpenGL), so that no other process shares
# its windows, pointer, focus or screen contents, and with a private runtime
# directory (XDG_RUNTIME_DIR, mode 0700, removed afterwards). Without that
# directory the Wayland client library, which GLFW 3.4 tries before X11,
# prints an error on the program's standard error. WAYLAND_DISPLAY is cleared
# so that a desktop's compositor is never reached: the command gets X only.
# Xvfb picks a free display number itself (-displayfd), which unlike xvfb-run
# -a cannot race with a start beside it; it ends with its last client
# (-terminate) even if this script is killed, so a command that starts
# several clients lets its long-lived one connect before short ones come and
# go (scripts/run.sh waits for the viewer). CTest runs every GL test
# executable, and its test discovery, through this; the scripts run the
# viewer, the benchmarks, the recorder and the fuzzers through it where there
# is no display. Usage: scripts/own-display.sh COMMAND [ARG...]
set -uo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kov-display-XXXXXX")
xvfb=
stop() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap stop EXIT
mkdir -m 0700 "$scratch/runtime"
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -terminate \
  3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
# Xvfb writes the display's number once it accepts connections.
if ! read -r number <"$scratch/display"; then
  echo "own-display.sh: Xvfb did not start:" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi
env -u WAYLAND_DISPLAY DISPLAY=":$number" XDG_RUNTIME_DIR="$scratch/runtime" "$@"
