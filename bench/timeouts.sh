#!/usr/bin/env bash
# How late a read that times out is reported, and what it costs while it waits: 1000 reads of a
# silent pseudo-terminal, each with the 10 ms deadline every reply gets.
#   bench/timeouts.sh                builds the release preset and runs it
#   bench/timeouts.sh BUILD_DIR [N]  uses an existing build directory, N reads
# With strace installed it also counts the system calls of each timed-out read.
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_TARGETS=tq9000-timeout-bench
. bench/build-targets.sh "$@"
reads="${bench_args[0]:-1000}"
"$build/bench/tq9000-timeout-bench" --reads "$reads"
if command -v strace >/dev/null; then
  trace=$(mktemp)
  strace -f -c -o "$trace" "$build/bench/tq9000-timeout-bench" --reads 200 >/dev/null
  awk '$NF ~ /^(read|poll|ppoll|ioctl|nanosleep|clock_nanosleep)$/ { printf "%s per read: %.1f\n", $NF, $4 / 200 }' "$trace"
  rm -f "$trace"
fi
