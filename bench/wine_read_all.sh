#!/usr/bin/env bash
# Read All of tq9000ctl.exe under Wine against tq9000-sim: Read All's own time against its 1.2 s
# floor, the whole process's wall and processor time, and the wineserver's share
# (bench/wine_read_all.py says how each is taken). Over COM1:, or with --usb over a mock USB
# printer plugged into the prefix (tests/wine/README.md).
#   bench/wine_read_all.sh [--usb] [WINDOWS_BUILD_DIR [RUNS]]   default build/windows (built
#                                                               beforehand), 11 runs
# tq9000-sim comes from the release preset; the Wine prefix is scripts/wine-com1.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."

usb=()
if [ "${1:-}" = "--usb" ]; then
  shift
  usb=(--usb)
fi
windows_build="${1:-build/windows}"
runs="${2:-11}"
exe="$(realpath "$windows_build/cli/tq9000ctl.exe" 2>/dev/null || true)"
if [ ! -f "$exe" ]; then
  echo "wine_read_all: no $windows_build/cli/tq9000ctl.exe: build the windows preset first" >&2
  exit 1
fi
if [ ${#usb[@]} -gt 0 ]; then
  tool="$(realpath "$windows_build/tests/win32/usb/tq9000-usb-printer.exe" 2>/dev/null || true)"
  if [ ! -f "$tool" ]; then
    echo "wine_read_all: no tq9000-usb-printer.exe in $windows_build: build the windows preset" >&2
    exit 1
  fi
  usb+=("$tool")
fi
cmake --preset release >/dev/null
cmake --build --preset release --target tq9000-sim -j "$(nproc)" >/dev/null

. scripts/wine-com1.sh
tq_wine_map_com1
tq_wine_keep_server
python3 bench/wine_read_all.py build/release/sim/tq9000-sim "$exe" "$runs" "$tq_wine_server" \
  "${usb[@]}"
