#!/bin/sh
# One session of the Linux tq9000-sim for a Windows program under Wine, started by the program's
# test (Wine runs Unix programs that a Windows process starts). The simulator's terminal becomes
# COM1: by re-pointing LINK, the link that Wine's HKLM\Software\Wine\Ports\COM1 names
# (prepare-prefix.sh), or reachable through a LINK inside DIR for a device of the test's own (a mock
# USB printer, MockUsbPrinter.h); the session holds until DIR/done appears, then the simulator
# writes its features (DIR/state) and what it printed (DIR/printed), a LINK inside DIR is removed
# (Wine cannot delete a link whose terminal has gone), and DIR/ended gets its exit status.
#   printer-session.sh SIM DIR LINK [SIMULATOR OPTIONS...]
# A test that dies leaves no simulator behind for long: the session ends by itself after two
# minutes.
set -u
sim=$1 dir=$2 link=$3
shift 3
"$sim" "$@" --state-file "$dir/state" --print-log "$dir/printed" -- sh -c '
  ln -sfn "$TQ9000_COM1" "$1" && : >"$2/ready" || exit 1
  i=0
  while [ ! -e "$2/done" ] && [ $i -lt 2400 ]; do sleep 0.05; i=$((i + 1)); done' \
  session "$link" "$dir" >"$dir/log" 2>&1
status=$?
case $link in "$dir"/*) rm -f "$link" ;; esac
echo $status >"$dir/ended"
