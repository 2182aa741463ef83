#!/bin/sh
# Runs every benchmark program of the build and prints its figures.
set -eu
build=${1:-build}
found=0
for b in "$build"/bench/*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ "$found" = 1 ] || echo "no benchmarks built yet"
