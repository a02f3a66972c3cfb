#!/usr/bin/env bash
# Builds everything and starts the editor.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/bootstrap.sh" "$here/build"
cmake --build "$here/build"
if [ -x "$here/build/editor/quillmere" ]; then
  exec "$here/build/editor/quillmere" "$@"
fi
echo "Built:"
find "$here/build" -maxdepth 2 \( -name '*.so' -o -name '*.a' -o -name '*.p' \) -printf '  %P\n' | sort
echo "The editor is not part of this build yet."
