#!/usr/bin/env bash
# Builds everything and starts the editor.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/bootstrap.sh" "$here/build"
cmake --build "$here/build"
no_display() {
  echo "quillmere: the editor needs a display${1:-}; without one, run it on a virtual display: xvfb-run scripts/run.sh (Debian package xvfb)" >&2
  exit 1
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  no_display
fi
# A local X display named but not running (DISPLAY=:N with no server behind it).
if [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] &&
   [[ "${DISPLAY:-}" =~ ^:([0-9]+)(\.[0-9]+)?$ ]] &&
   [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[1]}" ]; then
  no_display " and no X server answers on $DISPLAY"
fi
exec "$here/build/editor/quillmere" "$@"
