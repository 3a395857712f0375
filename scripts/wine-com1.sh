# shellcheck shell=bash
# Sourced by the scripts that run tq9000ctl.exe under Wine against tq9000-sim: readies the Wine
# prefix and one persistent server for it, with COM1: mapped to a symbolic link that each run
# points at the simulator's terminal. Sets WINEPREFIX (kept if given; else ~/.cache/tq9000/wine,
# made on first use in about 20 s), TQ9000_WINE (the 64-bit loader) and TQ9000_WINE_COM1 (the
# link), and stops the server at exit if it started it.
#
# COM1 is the prefix's registry port (HKLM\Software\Wine\Ports, value COM1). Wine reads that value
# only when its server starts, as dosdevices/com1; a running server keeps the old mapping. So the
# value names one link, is written once, and the server restarted then; writing the registry per
# run (about 0.4 s even with a server up) would need a server start each time.

export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/tq9000/wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
TQ9000_WINE=/usr/lib/wine/wine64
[ -x "$TQ9000_WINE" ] || TQ9000_WINE="$(command -v wine64)"
export TQ9000_WINE
export TQ9000_WINE_COM1="$WINEPREFIX/tq9000-com1"

tq_wine_com1_mapped() {
  [ "$(readlink "$WINEPREFIX/dosdevices/com1" || true)" = "$TQ9000_WINE_COM1" ]
}

mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$TQ9000_WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# A server that started before COM1 named the link maps COM1: elsewhere (Wine's default is
# /dev/ttyS0, which may well open): end it, so that the one started below reads the mapping.
if ! tq_wine_com1_mapped; then
  "$TQ9000_WINE" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$TQ9000_WINE_COM1" \
    /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
fi

# One persistent server, detached from this shell's terminal and output, so that no run waits for
# a server to start or finds its output pipe held by one. A server already running for the prefix
# is used as it is (the new one then exits at once) and left running.
setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
tq_wine_server=$!
sleep 0.5
kill -0 "$tq_wine_server" 2>/dev/null || tq_wine_server=""
trap '[ -z "$tq_wine_server" ] || { wineserver -k || true; wait "$tq_wine_server" || true; }' EXIT

# The first program of a new server session makes dosdevices/com1 from the registry.
"$TQ9000_WINE" cmd /c exit >/dev/null 2>&1 || true
if ! tq_wine_com1_mapped; then
  echo "Wine did not map COM1: to $TQ9000_WINE_COM1" >&2
  exit 1
fi
