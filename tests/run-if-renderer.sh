#!/usr/bin/env bash
# Runs a command only where the OpenGL renderer that the environment selects
# on a virtual display (scripts/own-display.sh, a display of the probe's own)
# is the one named: otherwise says why and exits 77, which CTest reports as a
# skip. For drivers a Mesa may lack or be unable to start.
#
#   tests/run-if-renderer.sh NAME COMMAND [ARG...]
set -uo pipefail
name=$1
shift
renderer=$("$(dirname "$0")/../scripts/own-display.sh" glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p')
case "$renderer" in
  *"$name"*) exec "$@" ;;
esac
echo "skipped: the renderer is \"${renderer:-none: no context}\", not $name"
exit 77
