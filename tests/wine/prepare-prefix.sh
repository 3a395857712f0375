#!/bin/sh
# Prepares a Wine prefix for the Windows tests that need more than Wine's defaults:
# - COM1: leads to LINK, a symbolic link that each test session re-points to its own simulator's
#   terminal (printer-session.sh);
# - windows are not handed to an X window manager: under Xvfb there is none, and Wine would wait
#   2 s at every hidden or closed window for one to answer; Wine then draws the frames itself.
# Wine reads both when its server starts, so the server is stopped here: start the persistent one
# after this (not as a session leader, so that opening a terminal for COM1: does not make it the
# server's controlling terminal: `setsid sh -c 'wineserver -f -p; :' &`).
#   WINEPREFIX=... prepare-prefix.sh LINK [WINE]
set -eu
link=$1
wine=${2:-wine}
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$link" /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
wineserver -k 2>/dev/null || true
wineserver -w
