#!/bin/sh
# Starts the built game: in a window when a display exists, else a short headless demo
# that drives the game like a player and saves what the screen showed.
set -eu
build=${1:-build}
game="$build/bin/game"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${KESTRUNE_BACKEND:-sdl}" = sdl ]; then
  exec "$game"
fi
echo "No display found: running a headless demo (KESTRUNE_BACKEND=headless)."
export KESTRUNE_BACKEND=headless KESTRUNE_CLOCK=virtual
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export KESTRUNE_RUNTIME_DIR="$runtime"
"$game" &
pid=$!
ctl="$build/bin/kestrune-ctl"
if "$ctl" wait-window "Kestrune - Daduze" --timeout 20; then
  "$ctl" screenshot "$build/demo-start.png" && echo "saved $build/demo-start.png"
  "$ctl" close || true
fi
wait $pid || true
