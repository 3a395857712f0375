#!/usr/bin/env bash
# Times Read All and Write All against the simulated printer on a pseudo-terminal.
#   bench/run.sh                   builds the release preset and runs 11 rounds
#   bench/run.sh BUILD_DIR [ARGS]  uses an existing build directory; ARGS go to tq9000-bench
#                                  (--runs N, --sim PATH)
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_TARGETS="tq9000-bench tq9000-sim"
. bench/build-targets.sh "$@"
exec "$build/bench/tq9000-bench" "${bench_args[@]}"
