# shellcheck shell=bash
# Sourced by the scripts that run tq9000ctl.exe under Wine against tq9000-sim: the Wine prefix
# with COM1: mapped to one symbolic link, which each run points at the simulator's terminal.
# Sets WINEPREFIX (from TQ_WINEPREFIX, default ~/.cache/tq9000/wine, as scripts/windows.sh),
# TQ9000_WINE (the 64-bit loader) and TQ9000_WINE_COM1 (the link), and gives these steps:
#   tq_wine_make_prefix   makes the prefix if there is none yet (about 20 s)
#   tq_wine_map_com1      makes the prefix if needed and maps COM1 to the link
#   tq_wine_start_server  one persistent server for the run, and a check that Wine took the
#                         mapping; tq_wine_stop_server stops it again if it was started here
#   tq_wine_keep_server   both: started now, stopped when the script exits
#
# COM1 is the prefix's registry port (HKLM\Software\Wine\Ports, value COM1). Wine reads that value
# only when its server starts, as dosdevices/com1; a running server keeps the old mapping. So the
# value names one link and is written once, before the server starts; writing the registry per run
# (about 0.4 s even with a server up) would need a server start each time.

export WINEPREFIX="${TQ_WINEPREFIX:-$HOME/.cache/tq9000/wine}"
# Without Wine's menu builder. It would copy each Start-menu shortcut an installer makes into the
# Linux desktop's menus (~/.local/share/applications/wine, and icons), where no uninstall removes
# it; and, started with the session's first program, it may open Wine's desktop with that
# program's environment: without a display, a desktop on which no later program's windows show.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
TQ9000_WINE=/usr/lib/wine/wine64
# Sourced before Wine may be installed: Debian's package puts the loader at the first path.
[ -x "$TQ9000_WINE" ] || TQ9000_WINE="$(command -v wine64 || echo "$TQ9000_WINE")"
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
tq_wine_make_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "creating the Wine prefix $WINEPREFIX" >&2
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$TQ9000_WINE" wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
}

tq_wine_map_com1() {
  tq_wine_make_prefix
  tq_wine_com1_mapped && tq_wine_com1_registered && tq_wine_unmanaged && return 0
  "$(dirname "${BASH_SOURCE[0]}")/../tests/wine/prepare-prefix.sh" "$TQ9000_WINE_COM1" \
    "$TQ9000_WINE" </dev/null
}

# Windows drawn by Wine itself, not handed to a window manager (the form tests need it).
tq_wine_unmanaged() {
  grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null
}

# Detached from this shell's terminal and output, so that no run waits for a server to start or
# finds its output pipe held by one (a server that held a test's output pipe would keep CTest
# waiting for the test), and not a session leader itself: a leader would take the first terminal
# it opens (the simulator's, through COM1:) as its controlling terminal. A server already running
# for the prefix is used as it is (the new one then exits at once) and left running;
# tq_wine_server is the pid of ours, or empty.
tq_wine_start_server() {
  local attempt
  for attempt in 1 2 3; do
    setsid sh -c 'wineserver -f -p; :' </dev/null >/dev/null 2>&1 &
    tq_wine_server=$!
    sleep 0.5
    kill -0 "$tq_wine_server" 2>/dev/null && break
    tq_wine_server=""
    # Another server holds the prefix: one that is about to time out is waited for, a
    # persistent one is used.
    timeout 10 wineserver -w || break
  done
  # The first program of a server session starts Wine's services (several seconds, which should
  # be no test's time) and makes dosdevices/com1.
  "$TQ9000_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  if ! tq_wine_com1_mapped; then
    echo "Wine maps COM1: to $(readlink "$WINEPREFIX/dosdevices/com1"), not $TQ9000_WINE_COM1:" \
      "a wineserver for $WINEPREFIX started before the mapping; stop it (wineserver -k)" >&2
    exit 1
  fi
}

tq_wine_stop_server() {
  if [ -n "${tq_wine_server:-}" ] && kill -0 "$tq_wine_server" 2>/dev/null; then
    wineserver -k 2>/dev/null || true
    wait "$tq_wine_server" 2>/dev/null || true
  fi
}

tq_wine_keep_server() {
  tq_wine_start_server
  trap tq_wine_stop_server EXIT
}
