#!/usr/bin/env bash
# tq9000ctl.exe end to end under Wine: the Linux end-to-end tests of tq9000ctl, built from the
# debug preset with tq9000-sim, run the Windows program from the Windows build instead of the
# Linux one (tests/integration/cli/RunProcess.h says how). Fails when any test fails.
#   scripts/windows-e2e.sh [WINDOWS_BUILD_DIR]     default build/windows, built beforehand
# The Wine prefix is WINEPREFIX, or ~/.cache/tq9000/wine, made on first use (about 20 s).
#
# COM1: is the prefix's registry port (HKLM\Software\Wine\Ports, COM1) naming one symbolic link
# that every run points at the simulator's terminal. Wine reads that value only when its server
# starts (it becomes dosdevices/com1), so it is set once and the server restarted; re-writing the
# registry per run would cost a server start each time. With one link the runs are serial: the
# test program runs as one process.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${1:-build/windows}"
exe="$(realpath "$windows_build/cli/tq9000ctl.exe" 2>/dev/null || true)"
if [ ! -f "$exe" ]; then
  echo "windows-e2e: no $windows_build/cli/tq9000ctl.exe: build the windows preset first" >&2
  exit 1
fi

cmake --preset debug >/dev/null
cmake --build --preset debug --target tq9000-sim cli_sim_tests -j "$(nproc)" >/dev/null
tests=build/debug/tests/integration/cli/cli_sim_tests

export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/tq9000/wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64)"
com1_link="$WINEPREFIX/tq9000-com1"
ports='HKLM\Software\Wine\Ports'

mkdir -p "$(dirname "$WINEPREFIX")"
[ -f "$WINEPREFIX/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1; wineserver -w; }

# A server that started before COM1 named the link maps COM1: elsewhere (Wine's default is
# /dev/ttyS0, which may well open): end it, so that the one started below reads the mapping.
if [ "$(readlink "$WINEPREFIX/dosdevices/com1" || true)" != "$com1_link" ]; then
  "$wine" reg add "$ports" /v COM1 /t REG_SZ /d "$com1_link" /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
fi

# One persistent server, detached from this shell's terminal and output, so that no test waits
# for a server to start or finds its output pipe held by one.
# A server already running for the prefix is used as it is (the new one then exits at once),
# and left running.
setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
server=$!
sleep 0.5
kill -0 "$server" 2>/dev/null || server=""
trap '[ -z "$server" ] || { wineserver -k || true; wait "$server" || true; }' EXIT

"$wine" "$exe" --version >/dev/null
if [ "$(readlink "$WINEPREFIX/dosdevices/com1" || true)" != "$com1_link" ]; then
  echo "windows-e2e: Wine did not map COM1: to $com1_link" >&2
  exit 1
fi

echo "tq9000ctl.exe under Wine against tq9000-sim ($exe)"
TQ9000_CTL_EXE="$exe" TQ9000_WINE="$wine" TQ9000_WINE_COM1="$com1_link" \
  timeout 900 "$tests" --gtest_brief=1
