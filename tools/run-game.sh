#!/bin/sh
# Starts the built game: in a window when a display exists, else a short headless demo
# that plays like a player (title page, then a race with the throttle held) and saves
# what the screen showed as PNG pictures in the build folder.
set -eu
build=${1:-build}
game="$build/bin/game"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${KESTRUNE_BACKEND:-sdl}" = sdl ]; then
  exec "$game"
fi
echo "No display found: running a headless demo (KESTRUNE_BACKEND=headless)."
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
out=$(cd "$build" && pwd)
export KESTRUNE_BACKEND=headless KESTRUNE_CLOCK=virtual KESTRUNE_RUNTIME_DIR="$runtime"

cat > "$runtime/title.txt" <<SCRIPT
1500 screenshot $out/demo-title.png
1700 tap 120 272
3500 screenshot $out/demo-intro.png
3700 close
SCRIPT
KESTRUNE_SCRIPT="$runtime/title.txt" KESTRUNE_MSGBOX=yes "$game" || true

cat > "$runtime/race.txt" <<SCRIPT
4000 key UP down
9000 key LEFT down
9600 key LEFT up
12000 screenshot $out/demo-race.png
12200 close
SCRIPT
KESTRUNE_SCRIPT="$runtime/race.txt" "$game" "ARG:race /Level:0, Racer:0,PlayerName:Demo, useOpenGL:0" || true

for picture in demo-title demo-intro demo-race; do
  [ -f "$out/$picture.png" ] && echo "saved $out/$picture.png"
done
