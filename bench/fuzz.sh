#!/usr/bin/env bash
# Fuzz bench: builds the fuzz preset (clang, libFuzzer, ASan and UBSan) and runs every fuzz target
# for RUNS executions (default 10 million), one target after the other, starting from the corpus
# kept in the tree (tests/fuzz/corpus/<target>/: a few meaningful seeds, then what earlier runs
# found). What a run finds goes to a scratch folder first; only the inputs that add coverage are
# merged back into the kept folder (libFuzzer's -merge=1), so it stays small.
#   bench/fuzz.sh [RUNS]    prints, per target: executions, seconds, cov and ft at the end, the
#                           kept corpus's size, and crashes (their inputs are kept under
#                           build/fuzz/bench/). Exits 1 if any target crashed.
# FUZZ_MERGE=0 leaves the kept corpus as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-10000000}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
out=build/fuzz/bench
rm -rf "$out"
mkdir -p "$out"

# A number from the log: FIELD in "#N DONE cov: C ft: F corp: ...", libFuzzer's last status line,
# or the final statistic named FIELD.
number_in() {
  local log="$1" field="$2" line
  line="$(grep -E "^#[0-9]+[[:space:]]+DONE|^stat::$field:" "$log" | grep -E "(^|[ :])$field:" |
    tail -n 1)" || true
  [[ "$line" =~ $field:\ +([0-9]+) ]] && echo "${BASH_REMATCH[1]}" || echo "?"
}

crashed=0
printf '%-22s %12s %9s %6s %7s %8s %8s\n' target executions seconds cov ft corpus crashes
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  kept="tests/fuzz/corpus/$name"
  scratch="$out/$name.found"
  log="$out/$name.log"
  mkdir -p "$kept" "$scratch"
  start=$EPOCHREALTIME
  status=0
  "$target" -runs="$runs" -print_final_stats=1 -artifact_prefix="$out/$name-" \
    "$scratch" "$kept" >"$log" 2>&1 || status=$?
  end=$EPOCHREALTIME
  seconds=$(((${end/[.,]/} - ${start/[.,]/}) / 1000000))
  if [ "${FUZZ_MERGE:-1}" = 1 ]; then
    "$target" -merge=1 "$kept" "$scratch" >>"$log" 2>&1
  fi
  crashes="$(find "$out" -maxdepth 1 -name "$name-*" -type f | wc -l)"
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    crashed=1
  fi
  printf '%-22s %12s %9s %6s %7s %8s %8s\n' "$name" \
    "$(number_in "$log" number_of_executed_units)" "$seconds" "$(number_in "$log" cov)" \
    "$(number_in "$log" ft)" "$(find "$kept" -type f | wc -l)" "$crashes"
done
exit "$crashed"
