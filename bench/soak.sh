#!/usr/bin/env bash
# Soak bench: N tq9000ctl actions (default 10,000) against tq9000-sim. Each run is one tq9000ctl
# process with a short script of actions, under its own simulated printer that holds random values
# and has one fault knob set, the knobs taking turns: late replies, split replies, garbage ahead of
# replies, surplus bytes after them, oversized texts, silence, a hang-up mid-command, replies near
# the read deadline. Runs go several at a time, each pair on its own pseudo-terminal.
#
# bench/soak.py plans the runs and judges what they left: every value an action showed without a
# failure against the printer's store, the store after every write-all against what was meant,
# every exit status against the messages. This script runs them and measures each one: exit
# status, wall time against its bound, maximum resident memory, and for every 40th run (a long
# one) the open descriptors and memory of both programs over its life.
#
#   bench/soak.sh [N]     builds tq9000-sim and tq9000ctl (debug preset) and runs N actions
# Environment: SOAK_JOBS (runs at a time, default 16), SOAK_SEED (the plan's seed, default random),
# SOAK_BUILD (build directory, default build/debug), SOAK_KEEP=1 keeps the run folders.
# Exits 1 on a wrong value reported as success, a crash, a hang, or an exit status that disagrees
# with the messages; the run folders are then kept and their path printed.
set -euo pipefail
cd "$(dirname "$0")/.."

commands="${1:-10000}"
jobs="${SOAK_JOBS:-16}"
seed="${SOAK_SEED:-$RANDOM}"
build="${SOAK_BUILD:-build/debug}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
fi
cmake --build "$build" --target tq9000-sim tq9000ctl >/dev/null
sim="$(cd "$build" && pwd)/sim/tq9000-sim"
ctl="$(cd "$build" && pwd)/cli/tq9000ctl"

# tq9000ctl's maximum resident memory, when GNU time is there to tell it.
measure=()
if [ -x /usr/bin/time ]; then
  measure=(/usr/bin/time -f %M -o rss)
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/tq9000-soak.XXXXXX")"

# The first child of a process, from /proc; empty once it has none.
child_of() {
  local kids=""
  read -r kids _ 2>/dev/null <"/proc/$1/task/$1/children" || true
  echo "$kids"
}

count_fds() {
  local fds=(/proc/"$1"/fd/*)
  [ -L "${fds[0]}" ] && echo "${#fds[@]}"
}

resident_kb() {
  local key value _
  while read -r key value _; do
    if [ "$key" = VmRSS: ]; then
      echo "$value"
    fi
  done 2>/dev/null <"/proc/$1/status"
}

# Every 50 ms while the run lasts: "SIM_FDS CTL_FDS CTL_RSS_KB". The run is timeout, then the
# simulator, then (under GNU time) tq9000ctl.
sample() {
  local run="$1" simulator="" program="" line
  while kill -0 "$run" 2>/dev/null; do
    [ -n "$simulator" ] || simulator="$(child_of "$run")"
    if [ -n "$simulator" ] && [ -z "$program" ]; then
      program="$(child_of "$simulator")"
      if [ -n "$program" ] && [ ${#measure[@]} -gt 0 ]; then
        program="$(child_of "$program")"
      fi
    fi
    if [ -n "$program" ]; then
      line="$(count_fds "$simulator") $(count_fds "$program") $(resident_kb "$program")" || true
      echo "$line"
    fi
    sleep 0.05
  done
}

# One run, in its own folder: sim.args and ctl.args hold one argument a line; the run leaves out
# (standard output and error together, in order), state, printed, rss, and result: the exit status
# and the wall time in ms. timeout ends a true hang well past the run's bound (status 124).
run_one() {
  local dir="$1" sim_args ctl_args bound long rc=0 start end
  mapfile -t sim_args <"$dir/sim.args"
  mapfile -t ctl_args <"$dir/ctl.args"
  read -r bound <"$dir/bound_ms"
  read -r long <"$dir/long"
  start=$EPOCHREALTIME
  if [ -f "$dir/edge.sh" ]; then
    # A run at the edge of the process: its script runs tq9000ctl as it says, under the simulator.
    (
      cd "$dir"
      exec timeout -k 2 "$((bound * 3 / 1000 + 2))" "$sim" "${sim_args[@]}" --state-file state \
        --print-log printed -- /bin/bash edge.sh "$ctl" >out 2>&1
    ) &
  else
    (
      cd "$dir"
      exec timeout -k 2 "$((bound * 3 / 1000 + 2))" "$sim" "${sim_args[@]}" --state-file state \
        --print-log printed -- "${measure[@]}" "$ctl" "${ctl_args[@]}" >out 2>&1
    ) &
  fi
  local run=$!
  if [ "$long" = 1 ]; then
    sample "$run" >"$dir/samples"
  fi
  wait "$run" || rc=$?
  end=$EPOCHREALTIME
  echo "$rc $(((${end/[.,]/} - ${start/[.,]/}) / 1000))" >"$dir/result"
}

# Worker w takes runs w, w + jobs, w + 2 jobs, ...
worker() {
  local w="$1" i=0 dir
  for dir in "$work"/runs/*/; do
    if ((i++ % jobs == w)); then
      run_one "${dir%/}"
    fi
  done
}

python3 bench/soak.py plan "$work" "$commands" "$seed" "$ctl"
planned=("$work"/runs/*)
echo "soak: ${#planned[@]} runs of tq9000ctl, $jobs at a time, in $work"
load_before="$(cut -d' ' -f1 /proc/loadavg)"
start=$EPOCHREALTIME
for ((w = 0; w < jobs; w++)); do
  worker "$w" &
  sleep 0.03 # so that the first runs do not all start their processes in the same instant
done
wait
end=$EPOCHREALTIME
wall_ms=$(((${end/[.,]/} - ${start/[.,]/}) / 1000))

status=0
python3 bench/soak.py check "$work" "$jobs" "$((wall_ms / 1000)).$((wall_ms % 1000 / 100))" \
  "$load_before, $(cut -d' ' -f1 /proc/loadavg)" || status=$?
if [ "$status" -eq 0 ] && [ "${SOAK_KEEP:-0}" != 1 ]; then
  rm -rf "$work"
else
  echo "run folders kept in $work"
fi
exit "$status"
