#!/usr/bin/env bash
# tq9000ctl.exe end to end under Wine: the Linux end-to-end tests of tq9000ctl, built from the
# debug preset with tq9000-sim, run the Windows program from the Windows build instead of the
# Linux one (tests/integration/cli/RunProcess.h says how). Fails when any test fails.
#   scripts/windows-e2e.sh [WINDOWS_BUILD_DIR]     default build/windows, built beforehand
# The Wine prefix is TQ_WINEPREFIX's, or ~/.cache/tq9000/wine (scripts/wine-com1.sh), and its
# server the one running for it, if any. With one COM1: the runs are serial: the test program runs
# as one process, not as parallel ctest entries. scripts/windows.sh runs this as its stage e2e.
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

. scripts/wine-com1.sh
tq_wine_map_com1
tq_wine_keep_server

echo "tq9000ctl.exe under Wine against tq9000-sim ($exe)"
TQ9000_CTL_EXE="$exe" timeout 900 build/debug/tests/integration/cli/cli_sim_tests --gtest_brief=1
