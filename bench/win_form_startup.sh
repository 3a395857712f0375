#!/usr/bin/env bash
# Start-up cost of the Win32 form under Wine and a virtual X server: the time from starting the
# program to the form's first complete paint (median of ten starts, Wine's server already running
# as it is on a desktop), and the size of tq9000_config_app.exe stripped, with the DLLs it imports.
# tq9000-form-start-bench runs the program's own form and answers the start-up notice unseen; see
# bench/FormStartBench.cpp. Run by hand; it reports and asserts nothing.
#   bench/win_form_startup.sh [BUILD_DIR]    (a Windows build; needs Xvfb and wine64)
set -euo pipefail

build="${1:-$(dirname "$0")/../build/windows}"
bench="$build/bench/tq9000-form-start-bench.exe"
app="$build/app/win32/tq9000_config_app.exe"
wine="${WINE:-/usr/lib/wine/wine64}"
runs=10
for f in "$bench" "$app"; do
  [ -f "$f" ] || { echo "no $f (build it in a Windows build, or give the build folder)" >&2; exit 1; }
done
export WINEPREFIX="${WINEPREFIX:-/tmp/wine-tq9000-bench}" WINEDEBUG=-all

# A display of our own, whatever DISPLAY says.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r display <&3
xvfb_pid=$(pgrep -n -x Xvfb)
export DISPLAY=":$display"
# The server stays between starts, as in a desktop session (one already running serves as well).
wineserver -p5 2>/dev/null || true
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

"$wine" "$bench" >/dev/null  # the prefix's first start creates and warms it; not counted
times="" mains=""
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  read -r main painted < <("$wine" "$bench" | tr -d '\r' | awk '{ t[$1] = $2 } END { print t["main"], t["first-paint"] }')
  times+="$(( (painted - start) / 1000000 ))"$'\n'
  mains+="$(( (main - start) / 1000000 ))"$'\n'
done
printf 'first paint: median %s ms (runs: %s)\n' "$(printf '%s' "$times" | median)" \
  "$(printf '%s' "$times" | tr '\n' ' ' | sed 's/ $//')"
printf '  of which Wine starting the program, to main(): median %s ms\n' \
  "$(printf '%s' "$mains" | median)"

stripped=$(mktemp --suffix=.exe)
x86_64-w64-mingw32-strip -o "$stripped" "$app"
printf 'tq9000_config_app.exe stripped: %s bytes; imports: %s\n' "$(stat -c %s "$stripped")" \
  "$(x86_64-w64-mingw32-objdump -p "$stripped" | awk '/DLL Name/ { printf "%s ", $3 }')"
rm -f "$stripped"
