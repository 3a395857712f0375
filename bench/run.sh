#!/usr/bin/env bash
# Times Read All and Write All against the simulated printer on a pseudo-terminal.
#   bench/run.sh                   builds the release preset and runs 11 rounds
#   bench/run.sh BUILD_DIR [ARGS]  uses an existing build directory; ARGS go to tq9000-bench
#                                  (--runs N, --sim PATH)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ge 1 ] && [ -d "$1" ]; then
  build="$1"
  shift
else
  build=build/release
  cmake --preset release >/dev/null
fi
cmake --build "$build" --target tq9000-bench tq9000-sim -j "$(nproc)" >/dev/null
exec "$build/bench/tq9000-bench" "$@"
