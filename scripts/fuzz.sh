#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for a bounded time on
# its seed corpus.   scripts/fuzz.sh [seconds-per-fuzzer]
# Each fuzzer ends with one summary line. A fuzzer that finds something keeps
# its whole report in build-fuzz/findings/<fuzzer>.log and the input that
# triggered it (crash-*, leak-*, timeout-*, oom-*) next to it as
# build-fuzz/findings/<fuzzer>-*; the script then fails. The findings of the
# previous run are cleared first; the inputs a run discovers live in a
# temporary folder that is removed however the script ends.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=$here/build-fuzz
findings=$build/findings
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

CC=clang CXX=clang++ "$here/scripts/bootstrap.sh" "$build" \
  -DQM_BUILD_FUZZ=ON -DQM_SANITIZE=address,undefined -DQM_BUILD_BENCH=OFF -DQM_BUILD_EDITOR=OFF \
  -DQM_WERROR=ON
cmake --build "$build" --target qm_fuzzers sanitizer_canary
# The fuzzers find only what their sanitizers see: the tree's canary fails
# unless they are really compiled in.
ctest --test-dir "$build" -R '^SanitizerCanary\.' --no-tests=error --output-on-failure
rm -rf "$findings"
mkdir -p "$findings"

shopt -s nullglob
summary=()
failed=0
for fuzzer in "$build"/engine/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  seeds=$here/engine/fuzz/corpus/${name#fuzz_}
  corpus=$work/$name
  mkdir -p "$corpus"
  corpora=("$corpus")
  [ -d "$seeds" ] && corpora+=("$seeds")
  log=$findings/$name.log
  echo "fuzzing $name for ${seconds}s"
  start=$SECONDS
  status=pass
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "${corpora[@]}" >"$log" 2>&1; then
    status=FAIL
    failed=1
    cat "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -n 1)
  line="$name: $status in $((SECONDS - start))s, ${runs:-?} runs, ${added:-?} new inputs"
  if [ "$status" = FAIL ]; then
    line+="; report $log, inputs $findings/$name-*"
  else
    rm -f "$log"
  fi
  summary+=("$line")
done

if ((${#summary[@]} == 0)); then
  echo "fuzz: no fuzzer was built under $build/engine/fuzz" >&2
  exit 1
fi
echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
