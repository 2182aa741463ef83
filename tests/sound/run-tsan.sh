#!/bin/sh
# Builds and runs the sound threading tests under ThreadSanitizer in their own build
# folder (build-tsan by default); fails on any race report. Usage: run-tsan.sh [folder]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build-tsan"}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKS_TSAN=ON >/dev/null
cmake --build "$build" --target sound_tsan -j"$(nproc)"
TSAN_OPTIONS="halt_on_error=1 ${TSAN_OPTIONS:-}" KESTRUNE_BACKEND=headless "$build/tests/sound_tsan"
