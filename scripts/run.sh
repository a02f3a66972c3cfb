#!/usr/bin/env bash
# Builds everything and starts the editor.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/bootstrap.sh" "$here/build"
cmake --build "$here/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "quillmere: the editor needs a display; without one, run it on a virtual display: xvfb-run scripts/run.sh (Debian package xvfb)" >&2
  exit 1
fi
exec "$here/build/editor/quillmere" "$@"
