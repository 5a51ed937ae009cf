#!/usr/bin/env bash
# Runs every benchmark program of a build folder (default build/release).
set -euo pipefail
build=${1:-build/release}
found=0
for program in "$build"/bench/bench_*; do
  [[ -x "$program" ]] || continue
  found=1
  echo "== $(basename "$program")"
  "$program"
done
[[ $found -eq 1 ]] || echo "no benchmarks built in $build"
