#!/usr/bin/env bash
# Installs what is missing, builds, and runs the utility against the built-in simulated printer.
# With a display, the desktop form opens attached to the simulator; without one, the same session
# runs headless through tq9000ctl (Read All, show the form, Get feature 88, Status / Test Print).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target tq9000-sim tq9000ctl \
  $( [ -n "${DISPLAY:-}" ] && echo tq9000_config_app )

bin() { find build/release -type f -executable -name "$1" -print -quit; }
sim=$(bin tq9000-sim)

if [ -n "${DISPLAY:-}" ]; then
  exec "$sim" -- "$(bin tq9000_config_app)"
fi
echo "No display: running the same session headless with tq9000ctl." >&2
exec "$sim" -- "$(bin tq9000ctl)" read-all show get 88 status
