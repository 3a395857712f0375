#!/usr/bin/env bash
# Runs the tq9000_printer module with ansible-playbook against tq9000-sim on this machine: a
# first run writes, a second writes nothing, check mode writes nothing, a silent printer, a
# malformed profile and a missing tq9000ctl fail the task with what went wrong; then the example
# playbook with its own ansible.cfg. What each simulator holds at the end (its state file) is the
# proof of what was written. Then the module's unit tests.
#   contrib/ansible/tests/run.sh [BUILD_DIR]     (default build/debug: its cli/ and sim/)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
ansible_dir="$(dirname "$here")"
build="$(cd "${1:-build/debug}" && pwd)"
export PATH="$build/cli:$build/sim:$PATH"
export ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1

if ! command -v ansible-playbook >/dev/null; then
  echo "ansible-playbook not found (apt-get install ansible-core)" >&2
  exit 1
fi
for tool in tq9000ctl tq9000-sim; do
  command -v "$tool" >/dev/null || { echo "$tool not found in $build" >&2; exit 1; }
done

# The Python that ansible-playbook runs on, which has Ansible's libraries for the unit tests.
ansible_python="$(ansible --version | sed -n 's/^ *python version = .*(\(.*\))$/\1/p')"

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export ANSIBLE_LOCAL_TEMP="$work/ansible-tmp" ANSIBLE_REMOTE_TEMP="$work/ansible-remote-tmp"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Starts a simulator that serves until stopped; its terminal's path is in $pty. The simulator
# writes its state file when it exits, so each case stops it before reading the file.
start_sim() {
  local state="$1"; shift
  tq9000-sim --state-file "$state" "$@" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  for _ in $(seq 100); do
    pty="$(head -n 1 "$work/sim.out")"
    [ -n "$pty" ] && return 0
    sleep 0.05
  done
  echo "tq9000-sim printed no terminal path: $(cat "$work/sim.err")" >&2
  exit 1
}

stop_sim() {
  kill -TERM "$sim_pid"
  wait "$sim_pid" || true
  sim_pid=""
}

# Runs one play; its output goes to $work/NAME.log, its recap line to the terminal.
play() {
  local name="$1"; shift
  local start=$SECONDS status=0
  ansible-playbook "$@" >"$work/$name.log" 2>&1 || status=$?
  printf '%-10s exit %d, %2d s: %s\n' "$name" "$status" $((SECONDS - start)) \
    "$(grep -E '^(localhost|till)' "$work/$name.log" | tail -n 1 | tr -s ' ')"
  return 0
}

expect_recap() {  # NAME "ok=1 changed=1 ... failed=0"
  grep -E '^localhost +:' "$work/$1.log" | tail -n 1 | tr -s ' ' | grep -qF "$2" ||
    { fail "$1: recap is not '$2'"; cat "$work/$1.log" >&2; }
}

expect_log() {  # NAME TEXT
  grep -qF -- "$2" "$work/$1.log" || { fail "$1: no '$2' in the output"; cat "$work/$1.log" >&2; }
}

expect_msg() {  # NAME TEXT: TEXT in the failed task's msg, JSON-escaped as the output shows it
  grep -oE '"msg": "([^"\\]|\\.)*"' "$work/$1.log" | grep -qF -- "$2" ||
    { fail "$1: no '$2' in the task's msg"; cat "$work/$1.log" >&2; }
}

expect_state() {  # NAME STATE_FILE "ID VALUE"...
  local name="$1" state="$2"; shift 2
  for line in "$@"; do
    grep -qx "$line" "$state" || fail "$name: the printer does not hold '$line' (state file $state)"
  done
}

expect_unwritten() {  # NAME STATE_FILE
  cmp -s "$work/untouched.state" "$2" ||
    fail "$1: the printer was written to: $(diff "$work/untouched.state" "$2" | tr '\n' ' ')"
}

cp "$ansible_dir/examples/profiles/harbour.json" "$work/site.json"
# ClampDelay on line 2 out of range: the module must fail with tq9000ctl's file, line and field.
sed 's/"ClampDelay": "20"/"ClampDelay": "99"/' "$work/site.json" >"$work/bad.json"
# The store of a simulator nobody wrote to, to compare the read-only cases with.
tq9000-sim --state-file "$work/untouched.state" -- true
# What harbour.json holds, as the simulator stores it: ClampDelay 20, PrinterOptions 0x41, and
# ValidationOptions 0xA0 carrying LinesToSkip 5.
harbour_state=("76 20" "88 65" "100 165")

export ANSIBLE_CONFIG="$here/ansible.cfg"
test_play=("$here/apply.yml" -i "localhost," -e "ansible_python_interpreter=$ansible_python")

start_sim "$work/check.state"
play check "${test_play[@]}" --check --diff -e "tq9000_com1=$pty profile=$work/site.json"
stop_sim
expect_recap check "ok=1 changed=1 unreachable=0 failed=0"
expect_log check "-76 ClampDelay 15"
expect_log check "+76 ClampDelay 20"
expect_unwritten check "$work/check.state"

start_sim "$work/apply.state"
play first "${test_play[@]}" -e "tq9000_com1=$pty profile=$work/site.json"
play second "${test_play[@]}" -e "tq9000_com1=$pty profile=$work/site.json"
stop_sim
expect_recap first "ok=1 changed=1 unreachable=0 failed=0"
expect_recap second "ok=1 changed=0 unreachable=0 failed=0"
expect_state apply "$work/apply.state" "${harbour_state[@]}"

start_sim "$work/silent.state" --silent
play silent "${test_play[@]}" -e "tq9000_com1=$pty profile=$work/site.json"
stop_sim
expect_recap silent "ok=0 changed=0 unreachable=0 failed=1"
expect_msg silent \
  "tq9000_config_app: read timed out -9\ntq9000_config_app: read error\nCaption: fatal write error"
expect_msg silent "tq9000ctl: not run after the failure: diff $work/site.json --json"

start_sim "$work/malformed.state"
play malformed "${test_play[@]}" -e "tq9000_com1=$pty profile=$work/bad.json"
stop_sim
expect_recap malformed "ok=0 changed=0 unreachable=0 failed=1"
expect_msg malformed "bad.json: line 2: ClampDelay takes a whole number from 0 to 40"
expect_unwritten malformed "$work/malformed.state"

play missing "${test_play[@]}" -e "tq9000_com1=/dev/null profile=$work/site.json" \
  -e executable=tq9000ctl-not-installed
expect_recap missing "ok=0 changed=0 unreachable=0 failed=1"
expect_msg missing "tq9000ctl not found: no tq9000ctl-not-installed on PATH"

# The example playbook as shipped, with its ansible.cfg, on one till of store_harbour that is
# this machine: the simulator is named by the module's port option, the profile folder is a
# scratch one, and no become (CI runs as root, with no sudo).
printf '%s\n' '[store_harbour]' 'localhost ansible_connection=local' '[terminals:children]' \
  store_harbour >"$work/inventory.ini"
start_sim "$work/example.state"
ANSIBLE_CONFIG="$ansible_dir/examples/ansible.cfg" play example \
  "$ansible_dir/examples/apply-profile.yml" -i "$work/inventory.ini" \
  -e "ansible_python_interpreter=$ansible_python ansible_become=false" \
  -e "tq9000_port=$pty tq9000_profile_dir=$work/etc/tq9000"
stop_sim
expect_recap example "ok=3 changed=3 unreachable=0 failed=0"
expect_state example "$work/example.state" "${harbour_state[@]}"

"$ansible_python" -m unittest discover -s "$here" -p 'test_*.py' 2>&1 | tail -n 3 ||
  fail "unit tests"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "tq9000_printer: all checks passed"
