#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest (the cross build's test emulator). Now and then Wine
# fails to start a program at all: wine64 exits at once with a non-zero status and prints nothing
# (seen in CI three times, each at the start of the tests right after a build, in 10 ms where a
# run of the same test takes 40; never reproduced on demand in 900 starts). A test program prints
# before it can pass or fail, so a run that failed having printed nothing never reached it: it is
# started once more, and the first attempt is said on standard error with its status, so that the
# log keeps what Wine did. Anything that printed, passed or failed, is left as it was.
set -u
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine64
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err"
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "wine-start: Wine did not start $(basename "$1") (status $status, nothing printed);" \
    "starting it again" >&2
  "$wine" "$@" >"$out" 2>"$err"
  status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
