#!/usr/bin/env bash
# Read All of tq9000ctl.exe under Wine against tq9000-sim: Read All's own time against its 1.2 s
# floor, the whole process's wall and processor time, and the wineserver's share
# (bench/wine_read_all.py says how each is taken).
#   bench/wine_read_all.sh [WINDOWS_BUILD_DIR [RUNS]]   default build/windows (built beforehand), 11
# tq9000-sim comes from the release preset; the Wine prefix is scripts/wine-com1.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${1:-build/windows}"
runs="${2:-11}"
exe="$(realpath "$windows_build/cli/tq9000ctl.exe" 2>/dev/null || true)"
if [ ! -f "$exe" ]; then
  echo "wine_read_all: no $windows_build/cli/tq9000ctl.exe: build the windows preset first" >&2
  exit 1
fi
cmake --preset release >/dev/null
cmake --build --preset release --target tq9000-sim -j "$(nproc)" >/dev/null

. scripts/wine-com1.sh
tq_wine_map_com1
tq_wine_keep_server
python3 bench/wine_read_all.py build/release/sim/tq9000-sim "$exe" "$runs" "$tq_wine_server"
