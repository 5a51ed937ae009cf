#!/usr/bin/env bash
# Runs every benchmark program of a build folder (default build/release), then the sync
# measurement and the start-up race on a private sound server (bench/sync/sync.py).
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
# Both run even when the first finds the program out of bounds; the status tells.
status=0
"$(dirname "$0")/sync/sync.py" --build "$build" || status=1
"$(dirname "$0")/sync/sync.py" --build "$build" --startup || status=1
exit $status
