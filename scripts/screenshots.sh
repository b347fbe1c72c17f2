#!/usr/bin/env bash
# Starts the editor under Xvfb on a copy of the sample ROM, opens it through the
# real Open dialog shown at start, and saves screenshots of the main window, the
# help window and the About box into docs/screenshots/.
#   scripts/screenshots.sh          build if needed, then shoot
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/docs/screenshots"

if [ -z "${KELP_IN_XVFB:-}" ]; then
  "$here/scripts/install-deps.sh"
  cmake --preset default -S "$here" >/dev/null
  cmake --build "$here/build/default" --target kelpview_zadidez -- -j2 >/dev/null
  KELP_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x700x24" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill "$editor" "$wm" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$here/samples/txt.bin" "$work/txt.bin"
mkdir -p "$out"

# A window manager, so the windows carry their frames and titles.
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5

cd "$work"
KELP_STARTUP_TIMING=1 "$here/build/default/bin/kelpview_zadidez" &
editor=$!

window() { # title pattern -> the first visible window with it, waiting up to 10 s
  local id
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | awk 'NR == 1')" || true
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "no window titled $1" >&2
  return 1
}
shoot() { # window id, file name
  sleep 0.6
  import -frame -window "$1" "$out/$2"
  echo "wrote docs/screenshots/$2"
}

# The Open dialog appears by itself; choose txt.bin through it.
dialog="$(window Open)"
xdotool windowactivate --sync "$dialog"
sleep 0.3
xdotool type --delay 30 "txt.bin"
sleep 0.5
xdotool key Return
sleep 0.5
# The first Return may only take the file-name completer's suggestion.
if xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1; then
  xdotool key Return
fi
main="$(window 'kelpview ColorEditor Ver0.04')"
xdotool windowmove --sync "$main" 40 40
xdotool windowactivate --sync "$main"
# A first click on a blank spot: Qt under Xvfb takes the window's first click as
# a focus click only.
xdotool mousemove --window "$main" 520 350
sleep 0.2
xdotool click 1
shoot "$main" main-window.png

# Menu bar commands are clicked where the menu bar shows them.
# The pointer rests a moment first: a click arriving with the pointer's first
# motion into the window is not taken as a menu click.
click_menu() {
  xdotool mousemove --window "$main" "$1" 9
  sleep 0.3
  xdotool mousemove_relative 1 0
  xdotool click 1
}

# Help (&H)
click_menu 156
help="$(window OnlineHelp)"
shoot "$help" help-window.png
xdotool windowactivate --sync "$help"
xdotool key Escape

# About (&A)
xdotool windowactivate --sync "$main"
click_menu 213
about="$(window 'About\.\.\.')"
shoot "$about" about-box.png
xdotool key Return
sleep 0.3
