#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for a bounded time on
# its seed corpus.   scripts/fuzz.sh [seconds-per-fuzzer]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=$here/build-fuzz
CC=clang CXX=clang++ "$here/scripts/bootstrap.sh" "$build" \
  -DQM_BUILD_FUZZ=ON -DQM_SANITIZE=address,undefined -DQM_BUILD_BENCH=OFF -DQM_BUILD_EDITOR=OFF
cmake --build "$build" --target qm_fuzzers
shopt -s nullglob
for fuzzer in "$build"/engine/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  seeds=$here/engine/fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  echo "fuzzing $name for ${seconds}s"
  corpora=("$work")
  [ -d "$seeds" ] && corpora+=("$seeds")
  "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "${corpora[@]}" 2>&1 | tail -n 12
  rm -rf "$work"
done
