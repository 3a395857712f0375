#!/usr/bin/env bash
# Start-up cost of the desktop form under a virtual X server: the time from starting the program
# to the form's first paint (median of ten starts), and the resident memory of the running form.
# The program's start-up probe answers the start-up notice unseen and reports the paint; see
# app/wx/StartupProbe.h. Run by hand; it reports and asserts nothing.
#   bench/app_startup.sh [path/to/tq9000_config_app]     (needs Xvfb)
set -euo pipefail

app="${1:-$(dirname "$0")/../build/release/app/wx/tq9000_config_app}"
runs=10
[ -x "$app" ] || { echo "no program at $app (build tq9000_config_app, or give its path)" >&2; exit 1; }

# A display of our own, whatever DISPLAY says.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r display <&3
xvfb_pid=$(pgrep -n -x Xvfb)
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
export DISPLAY=":$display" NO_AT_BRIDGE=1

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs the program with GDK_GL as given: "unset" leaves it to the program (which turns the probe
# off); an empty value is GTK's own default, probe included, which the program leaves alone.
run_app() {  # GDK_GL, probe mode
  if [ "$1" = unset ]; then
    exec env -u GDK_GL TQ9000_STARTUP_PROBE="$2" "$app"
  else
    exec env GDK_GL="$1" TQ9000_STARTUP_PROBE="$2" "$app"
  fi
}

# Milliseconds from exec to first paint, once per run.
first_paint_ms() {
  local start painted
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    painted=$(run_app "$1" exit | awk '/^first-paint/ { print $2 }')
    echo $(( (painted - start) / 1000000 ))
  done
}

# Resident memory (MB) of the form, painted and then idle.
resident_mb() {
  local pid
  run_app "$1" hold >/dev/null & pid=$!
  sleep 2
  awk '/^VmRSS/ { printf "%.1f\n", $2 / 1024 }' "/proc/$pid/status"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

report() {  # label, GDK_GL value
  local times
  times=$(first_paint_ms "$2")
  printf '%-36s first paint: median %s ms (runs: %s)   resident: %s MB\n' "$1" \
    "$(echo "$times" | median)" "$(echo "$times" | tr '\n' ' ' | sed 's/ $//')" "$(resident_mb "$2")"
}

report "as shipped (OpenGL probe off)" unset
report "GTK's default (probe on, GDK_GL='')" ""
