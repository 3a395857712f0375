#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest (the cross build's test emulator), and starts it
# once more when the run failed because of Wine itself rather than the program:
# - Wine did not start the program at all: wine64 exited at once, non-zero, having printed nothing
#   (seen in CI three times, each at the start of the tests right after a build, in 10 ms where a
#   run of the same test takes 40; never reproduced on demand in 900 starts). A test program
#   prints before it can pass or fail, so such a run never reached it.
# - Wine's X11 driver died of an X protocol error ("X Error of failed request: BadWindow"), seen
#   once in CI in a form test over USB and not in 13 runs of it since. Win32 calls cannot make X
#   requests of their own, so such an error is Wine's.
# The first attempt is said on standard error with its status and last line, so that the log
# keeps what Wine did; any other run, passed or failed, counts as it is.
set -u
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine64
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT

run() {
  "$wine" "$@" >"$out" 2>"$err"
}

# Why the run failed for Wine's own reasons, or nothing.
wine_failure() {  # status
  [ "$1" -ne 0 ] || return 0
  if [ ! -s "$out" ] && [ ! -s "$err" ]; then
    echo "Wine did not start it (status $1, nothing printed)"
  elif grep -q "^X Error of failed request" "$out" "$err"; then
    echo "Wine's X11 driver died (status $1: $(grep -h -m1 "^X Error" "$out" "$err"))"
  fi
}

run "$@"
status=$?
why="$(wine_failure "$status")"
if [ -n "$why" ]; then
  cat "$out"
  cat "$err" >&2
  echo "wine-start: $(basename "$1"): $why; starting it again" >&2
  run "$@"
  status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
