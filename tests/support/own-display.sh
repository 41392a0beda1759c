#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb with Mesa's software
# OpenGL), so that no other test process shares its windows, pointer, focus or
# screen contents. CTest runs every GL test executable, and its test
# discovery, through this. Xvfb picks a free display number itself
# (-displayfd), which unlike xvfb-run -a cannot race with a start beside it;
# it ends with its last client (-terminate) even if this script is killed.
set -uo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kov-display-XXXXXX")
xvfb=
stop() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap stop EXIT
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
DISPLAY=":$number" "$@"
