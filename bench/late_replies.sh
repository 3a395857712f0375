#!/usr/bin/env bash
# What the quiet period after an unanswered request costs a healthy run and a failing one, and
# whether a reply too late for one run ever answers the next (bench/late_replies.py says how).
#   bench/late_replies.sh                        builds the release preset and runs it
#   bench/late_replies.sh BUILD_DIR [ARGS]       uses an existing build directory; ARGS go to
#                                                late_replies.py (--baseline CTL, --runs N, --chains N)
# For the cost of a change, build the commit before it elsewhere and pass its tq9000ctl as
# --baseline: the two are run in turn against the same simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_TARGETS="tq9000ctl tq9000-sim"
. bench/build-targets.sh "$@"
exec python3 bench/late_replies.py "$build/cli/tq9000ctl" "$build/sim/tq9000-sim" "${bench_args[@]}"
