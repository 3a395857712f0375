#!/usr/bin/env bash
# Runs the collection tq9000.printer's modules, by their full names, with ansible-playbook against
# tq9000-sim on this machine. tq9000_printer: a first run writes, a second writes nothing, check
# mode writes nothing, a profile given inline (profile_content) is compared in check mode and
# applied with a backup of what the printer held, a silent printer, a malformed profile and a
# missing tq9000ctl fail the task with what went wrong. tq9000_printer_info reads the fields, the
# inventory and the status byte and prints nothing. Then both example playbooks with their own
# ansible.cfg. What each simulator holds at the end (its state file) is the proof of what was
# written. Then the modules' unit tests.
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
# Ansible finds a collection as ansible_collections/NAMESPACE/NAME under one of these folders.
mkdir -p "$work/collections/ansible_collections/tq9000"
ln -s "$ansible_dir" "$work/collections/ansible_collections/tq9000/printer"
export ANSIBLE_COLLECTIONS_PATH="$work/collections"

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
  printf '%-14s exit %d, %2d s: %s\n' "$name" "$status" $((SECONDS - start)) \
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

expect_files() {  # NAME COUNT FOLDER: exactly COUNT files in FOLDER
  local found
  found="$(find "$3" -type f 2>/dev/null | wc -l)"
  [ "$found" -eq "$2" ] || fail "$1: $found files in $3, not $2: $(find "$3" -type f | tr '\n' ' ')"
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

# The profile inline: check mode reports the change and writes nothing; the first run keeps the
# printer's old configuration (the simulator's defaults, ClampDelay 15) in a backup it names, which
# tq9000ctl loads back; the second finds nothing to change and saves no other backup.
content=(-e "profile_content_file=$work/site.json")
start_sim "$work/content-check.state"
play content-check "${test_play[@]}" --check --diff -e "tq9000_com1=$pty" "${content[@]}"
stop_sim
expect_recap content-check "ok=1 changed=1 unreachable=0 failed=0"
expect_log content-check "+76 ClampDelay 20"
expect_unwritten content-check "$work/content-check.state"

start_sim "$work/content.state"
play content-first "${test_play[@]}" -v -e "tq9000_com1=$pty backup_dir=$work/backups" \
  "${content[@]}"
play content-second "${test_play[@]}" -v -e "tq9000_com1=$pty backup_dir=$work/backups" \
  "${content[@]}"
backup="$(find "$work/backups" -name 'tq9000.*.json' | head -n 1)"
if [ -n "$backup" ]; then
  tq9000ctl --port "$pty" load "$backup" write-all 2>"$work/restore.err" ||
    fail "content-first: the backup does not load back: $(cat "$work/restore.err")"
fi
stop_sim
expect_recap content-first "ok=1 changed=1 unreachable=0 failed=0"
expect_recap content-second "ok=1 changed=0 unreachable=0 failed=0"
expect_log content-first "\"backup_file\": \"$backup\""
expect_files content-second 1 "$work/backups"
grep -qF '"ClampDelay": 15,' "$backup" || fail "content-first: the backup is not the old values"
expect_unwritten content-restored "$work/content.state"

# The info module reads, changes nothing and prints nothing; the play asserts what it returned.
start_sim "$work/info.state" --status 0x24 --print-log "$work/info.printed"
play info "$here/info.yml" -i "localhost," -e "ansible_python_interpreter=$ansible_python" \
  -e "tq9000_com1=$pty status_text=<24> status_byte=36"
stop_sim
expect_recap info "ok=2 changed=0 unreachable=0 failed=0"
expect_unwritten info "$work/info.state"
[ ! -s "$work/info.printed" ] || fail "info: the printer printed: $(cat "$work/info.printed")"

play missing "${test_play[@]}" -e "tq9000_com1=/dev/null profile=$work/site.json" \
  -e executable=tq9000ctl-not-installed
expect_recap missing "ok=0 changed=0 unreachable=0 failed=1"
expect_msg missing "tq9000ctl not found: no tq9000ctl-not-installed on PATH"

# The example playbooks as shipped, with their ansible.cfg, on one till of store_harbour that is
# this machine: the simulator is named by the modules' port option, and the backups and the
# inventory's repository are scratch folders.
printf '%s\n' '[store_harbour]' 'localhost ansible_connection=local' '[terminals:children]' \
  store_harbour >"$work/inventory.ini"
example=(-i "$work/inventory.ini" -e "ansible_python_interpreter=$ansible_python")
start_sim "$work/example.state"
ANSIBLE_CONFIG="$ansible_dir/examples/ansible.cfg" play example \
  "$ansible_dir/examples/apply-profile.yml" "${example[@]}" \
  -e "tq9000_port=$pty tq9000_backup_dir=$work/example-backups"
stop_sim
expect_recap example "ok=1 changed=1 unreachable=0 failed=0"
expect_state example "$work/example.state" "${harbour_state[@]}"
expect_files example 1 "$work/example-backups"

# Two nights of the inventory: the till's file is committed each night, and the second commit
# changes nothing but the time of the read.
export GIT_AUTHOR_NAME=run.sh GIT_AUTHOR_EMAIL=run.sh@localhost
export GIT_COMMITTER_NAME=run.sh GIT_COMMITTER_EMAIL=run.sh@localhost
repo="$work/printer-inventory"
start_sim "$work/nightly.state"
for night in night1 night2; do
  [ "$night" = night1 ] || sleep 1  # the time of the read is to the second
  ANSIBLE_CONFIG="$ansible_dir/examples/ansible.cfg" play "$night" \
    "$ansible_dir/examples/nightly-inventory.yml" "${example[@]}" \
    -e "tq9000_port=$pty tq9000_inventory_repo=$repo"
done
stop_sim
expect_recap night2 "ok=7 changed=2 unreachable=0 failed=0"
expect_unwritten nightly "$work/nightly.state"
commits="$(git -C "$repo" rev-list --count HEAD 2>/dev/null || echo 0)"
[ "$commits" -eq 2 ] || fail "nightly: $commits commits in $repo, not 2"
changed="$(git -C "$repo" diff -U0 HEAD~1 HEAD -- printers/localhost.json 2>&1 |
  grep -E '^[-+] ' | grep -vE '^[-+]    "time": "[0-9TZ:-]+"$' || true)"
[ -z "$changed" ] || fail "nightly: the second night changed more than the time: $changed"
grep -qF '"ClampDelay": 15,' "$repo/printers/localhost.json" ||
  fail "nightly: printers/localhost.json does not hold the printer's fields"
tq9000ctl load "$repo/printers/localhost.json" show >/dev/null 2>"$work/nightly.err" ||
  fail "nightly: the till's file is not a profile: $(cat "$work/nightly.err")"

PYTHONPATH="$work/collections" "$ansible_python" -m unittest discover -s "$here" \
  -p 'test_*.py' 2>&1 | tail -n 3 || fail "unit tests"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "tq9000.printer: all checks passed"
