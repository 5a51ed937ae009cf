#!/usr/bin/env bash
# make fuzz: builds the fuzz targets with clang, libFuzzer and the address and undefined-behaviour
# sanitizers in build/fuzz, then runs each in turn for FUZZ_SECONDS (default 600). Corpora grow in
# build/fuzz/corpus/TARGET, seeded from fuzz/seeds/TARGET and the demo disk; what a run finds goes
# to build/fuzz/findings/TARGET and its log to build/fuzz/logs/TARGET.log. FUZZ_TARGETS picks
# targets; JOBS sets the build's parallelism. Fails when any target found anything.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-600}
read -r -a targets <<<"${FUZZ_TARGETS:-disk_config font_layout effect texture_loader module_loader stream_loader}"
build=build/fuzz

# The files of the demo disk each target starts from besides its own seeds.
declare -A disk=(
  [disk_config]="data/disk.cfg"
  [font_layout]="data/disk.cfg"
  [effect]="data/gui.fx"
  [texture_loader]="data/cloudring.png"
)

cmake -S . -B "$build" -DORVELL_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELL_TESTS=OFF -DORVELL_BENCH=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]/%/_fuzzer}"

export LSAN_OPTIONS="suppressions=$PWD/cmake/sanitizers/lsan.supp"
failed=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings" "$build/logs"
  for file in ${disk[$target]:-}; do cp -n "$file" "$corpus/"; done
  echo "fuzz: $target for $seconds s"
  # One fuzzing process at a time that carries on past a finding, so every target gets its time.
  "$build/fuzz/${target}_fuzzer" "$corpus" "fuzz/seeds/$target" -fork=1 -ignore_crashes=1 \
    -ignore_timeouts=1 -ignore_ooms=1 -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" >"$build/logs/$target.log" 2>&1 || failed=1
  grep -E "^#[0-9]+: " "$build/logs/$target.log" | tail -1 || true
  if [[ -n "$(ls -A "$findings")" ]]; then
    echo "fuzz: $target findings: $(ls "$findings" | tr '\n' ' ')(in $findings)"
    failed=1
  fi
done
exit $failed
