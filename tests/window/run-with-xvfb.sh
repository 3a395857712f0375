#!/usr/bin/env bash
# Runs a program against a virtual X server of its own, started for it and stopped after it, so that
# window tests run side by side, on a desktop or on a machine with no display at all (CI).
#   tests/window/run-with-xvfb.sh XVFB PROGRAM [ARGUMENTS...]
# Xvfb picks a free display number itself and reports it (-displayfd): two runs started at the same
# moment cannot race for one number, as they can when a script guesses a free number first.
set -uo pipefail
xvfb="$1"
shift

scratch="$(mktemp -d)"
server=""
program=""
stop() {
    for pid in $program $server; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$scratch/display"
"$xvfb" -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/log" &
server=$!
# The read ends with the server's report, or at once if it dies first (its end of the pipe closes).
if ! read -r -t 60 display <"$scratch/display" || [ -z "$display" ]; then
    echo "run-with-xvfb: Xvfb did not start:" >&2
    cat "$scratch/log" >&2
    exit 1
fi

# In the background, so that a signal (CTest's timeout) reaches the trap at once and stops both.
DISPLAY=":$display" "$@" &
program=$!
wait "$program"
status=$?
program=""
exit "$status"
