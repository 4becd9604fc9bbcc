#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build (preset fuzz: clang, the libraries
# instrumented for coverage, AddressSanitizer and UndefinedBehaviorSanitizer) for
# SECONDS each, starting from its saved corpus fuzz/corpus/<corpus>/, which is only
# read: inputs that add coverage collect in build-fuzz/new-corpus/<corpus>/. Prints
# each target's executions, time and coverage; fails when a target finds a fault (the
# input is then in build-fuzz/artifacts/) or stops early.
#
#   fuzz/run_fuzz.sh [SECONDS [LIBFUZZER_FLAG...]]     SECONDS defaults to 60
#
# Needs clang with libFuzzer (Debian: clang, libclang-rt-dev) and cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p build-fuzz/artifacts

passed=0
failed=0
while read -r target corpus; do
  new=build-fuzz/new-corpus/$corpus
  log=build-fuzz/$target.log
  mkdir -p "$new"
  status=0
  "./build-fuzz/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" "$@" \
    "$new" "fuzz/corpus/$corpus" >"$log" 2>&1 || status=$?
  runs=$(awk '/^stat::number_of_executed_units/ {print $2}' "$log")
  time=$(awk '/^stat::slowest_unit_time_sec/ {print $2}' "$log")
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1)
  if [[ "$status" == 0 && -n "$runs" ]]; then
    echo "  ok: $target: $runs executions in ${seconds} s, ${coverage:-no coverage line}" \
      "(slowest input ${time:-?} s), $(ls "$new" | wc -l) new inputs in $new"
    passed=$((passed + 1))
  else
    echo "  FAILED: $target (exit $status):"
    grep -vE '^#[0-9]+' "$log" | tail -40 | sed 's/^/    /'
    failed=$((failed + 1))
  fi
done <build-fuzz/fuzz_targets.txt

echo "fuzzing: $passed passed, $failed failed"
[[ "$failed" == 0 && "$passed" -gt 0 ]]
