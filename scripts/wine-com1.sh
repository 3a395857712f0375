# shellcheck shell=bash
# Sourced by the scripts that run tq9000ctl.exe under Wine against tq9000-sim: the Wine prefix
# with COM1: mapped to one symbolic link, which each run points at the simulator's terminal.
# Sets WINEPREFIX (from TQ_WINEPREFIX, default ~/.cache/tq9000/wine, as scripts/windows.sh),
# TQ9000_WINE (the 64-bit loader) and TQ9000_WINE_COM1 (the link), and gives two steps:
#   tq_wine_map_com1     makes the prefix if needed (about 20 s) and maps COM1 to the link
#   tq_wine_keep_server  one persistent server for the run (stopped at exit if started here),
#                        and a check that Wine took the mapping
#
# COM1 is the prefix's registry port (HKLM\Software\Wine\Ports, value COM1). Wine reads that value
# only when its server starts, as dosdevices/com1; a running server keeps the old mapping. So the
# value names one link and is written once, before the server starts; writing the registry per run
# (about 0.4 s even with a server up) would need a server start each time.

export WINEPREFIX="${TQ_WINEPREFIX:-$HOME/.cache/tq9000/wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
TQ9000_WINE=/usr/lib/wine/wine64
[ -x "$TQ9000_WINE" ] || TQ9000_WINE="$(command -v wine64)"
export TQ9000_WINE
export TQ9000_WINE_COM1="$WINEPREFIX/tq9000-com1"

tq_wine_com1_mapped() {
  [ "$(readlink "$WINEPREFIX/dosdevices/com1" || true)" = "$TQ9000_WINE_COM1" ]
}

# What the next server will map: the value as the last server saved it in system.reg.
tq_wine_com1_registered() {
  awk -v want="\"COM1\"=\"$TQ9000_WINE_COM1\"" '
    /^\[/ { ports = ($0 ~ /^\[Software\\\\Wine\\\\Ports\]/) }
    ports && $0 == want { found = 1 }
    END { exit !found }' "$WINEPREFIX/system.reg"
}

# (tests/wine/prepare-prefix.sh also keeps Wine's windows away from a window manager.)
# A server that started before COM1 named the link maps COM1: elsewhere (Wine's default is
# /dev/ttyS0, which may well open): it is ended, so that the next one reads the mapping.
tq_wine_map_com1() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$TQ9000_WINE" wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  tq_wine_com1_mapped && tq_wine_com1_registered && tq_wine_unmanaged && return 0
  "$(dirname "${BASH_SOURCE[0]}")/../tests/wine/prepare-prefix.sh" "$TQ9000_WINE_COM1" \
    "$TQ9000_WINE" </dev/null
}

# Windows drawn by Wine itself, not handed to a window manager (the form tests need it).
tq_wine_unmanaged() {
  grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null
}

# Detached from this shell's terminal and output, so that no run waits for a server to start or
# finds its output pipe held by one. A server already running for the prefix is used as it is
# (the new one then exits at once) and left running.
tq_wine_keep_server() {
  setsid sh -c 'wineserver -f -p; :' </dev/null >/dev/null 2>&1 &
  tq_wine_server=$!
  sleep 0.5
  if kill -0 "$tq_wine_server" 2>/dev/null; then
    trap 'wineserver -k 2>/dev/null || true; wait "$tq_wine_server" || true' EXIT
  else
    tq_wine_server=""
  fi
  # The first program of a server session starts Wine's services and makes dosdevices/com1.
  "$TQ9000_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  if ! tq_wine_com1_mapped; then
    echo "Wine maps COM1: to $(readlink "$WINEPREFIX/dosdevices/com1"), not $TQ9000_WINE_COM1:" \
      "a wineserver for $WINEPREFIX started before the mapping; stop it (wineserver -k)" >&2
    exit 1
  fi
}
