#!/usr/bin/env bash
# How late a read that times out is reported, and what it costs while it waits: 1000 reads of a
# silent pseudo-terminal, each with the 10 ms deadline every reply gets.
#   bench/timeouts.sh                builds the release preset and runs it
#   bench/timeouts.sh BUILD_DIR [N]  uses an existing build directory, N reads
# With strace installed it also counts the system calls of each timed-out read.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/release
if [ $# -ge 1 ] && [ -d "$1" ]; then
  build="$1"
  shift
else
  cmake --preset release >/dev/null
fi
reads="${1:-1000}"
cmake --build "$build" --target tq9000-timeout-bench -j "$(nproc)" >/dev/null
"$build/bench/tq9000-timeout-bench" --reads "$reads"
if command -v strace >/dev/null; then
  trace=$(mktemp)
  strace -f -c -o "$trace" "$build/bench/tq9000-timeout-bench" --reads 200 >/dev/null
  awk '$NF ~ /^(read|poll|ppoll|ioctl|nanosleep|clock_nanosleep)$/ { printf "%s per read: %.1f\n", $NF, $4 / 200 }' "$trace"
  rm -f "$trace"
fi
