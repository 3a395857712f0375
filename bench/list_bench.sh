#!/usr/bin/env bash
# Times `tq9000ctl list` with 1,000 tty devices: on a synthetic /sys and /dev tree and on this
# machine, then on a umockdev test bed of the same devices.
#   bench/list_bench.sh                   builds the release preset, 21 runs of each
#   bench/list_bench.sh BUILD_DIR [ARGS]  uses an existing build directory; ARGS go to
#                                         tq9000-list-bench (--ttys N, --runs N)
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_TARGETS="tq9000-list-bench"
. bench/build-targets.sh "$@"
"$build/bench/tq9000-list-bench" "${bench_args[@]}"
umockdev-wrapper "$build/bench/tq9000-list-bench" --umockdev "${bench_args[@]}"
