#!/usr/bin/env bash
# Builds the editor (installing what it needs on first use) and starts it.
#   ./run.sh            start in a folder holding a copy of the bundled sample ROM
#   ./run.sh FOLDER|ROM start in that folder (or the ROM's folder)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps.sh"
cmake --preset default -S "$here" >/dev/null
# The bundled picture plug-in is built beside the editor, where its plug-in search finds it.
echo "Building the editor in build/default (the first build takes a few minutes)..." >&2
cmake --build "$here/build/default" --target kelpview_zadidez kelpview-cli kelpimage -- -j2 >&2
editor="$here/build/default/bin/kelpview_zadidez"

if [ $# -ge 1 ]; then
  target="$1"
  [ -d "$target" ] || target="$(dirname "$target")"
else
  target="${XDG_DATA_HOME:-$HOME/.local/share}/kelpview/sample"
  mkdir -p "$target"
  # The user's own edits of the sample are kept.
  [ -f "$target/txt.bin" ] || cp "$here/samples/txt.bin" "$target/txt.bin"
fi
cd "$target"
exec "$editor" "${@:2}"
