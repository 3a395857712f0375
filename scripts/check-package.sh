#!/usr/bin/env bash
# CI: builds the Debian package and checks it the way a user meets it. lintian must find no
# error; the package is installed with apt-get on this machine; the installed programs run
# (tq9000ctl against tq9000-sim, the desktop form under Xvfb); each man page renders without a
# warning and names every action and option its program's --help does; the README and every
# guide in docs/ are in /usr/share/doc, and so is every document a man page names; the udev rule
# marks the right mock serial adapters; then the package is purged and none of its files may be
# left.
# Run as root (or with sudo) on a machine where tq9000-config is not installed.
#   scripts/check-package.sh                  builds build/release
#   scripts/check-package.sh release-werror   reuses CI's release build
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
work="$(mktemp -d)"
installed_here=0
# A check that fails must not leave the package on the machine.
cleanup() {
  if [ "$installed_here" = 1 ] && installed; then apt_get purge tq9000-config >/dev/null 2>&1; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}
apt_get() {  # waits for a dpkg lock held by someone else rather than failing
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
}
installed() { dpkg-query -W -f='${Status}' tq9000-config 2>/dev/null | grep -q "ok installed"; }

check_lintian() {  # package
  local status=0
  lintian --fail-on error --info "$1" >"$work/lintian" 2>&1 || status=$?
  grep -v 'running with root privileges' "$work/lintian" || true
  [ "$status" -eq 0 ] || fail "lintian found errors in $1"
  echo "lintian: no errors"
}

check_programs() {  # version
  local out
  out="$(/usr/bin/tq9000ctl --version)"
  [ "$out" = "tq9000ctl $1" ] || fail "tq9000ctl --version says '$out', not 'tq9000ctl $1'"
  # By name, as a user types it: both programs must come from /usr/bin.
  out="$(PATH=/usr/bin:/bin tq9000-sim -- tq9000ctl read-all show 2>"$work/stderr")" ||
    fail "tq9000-sim -- tq9000ctl read-all show failed: $(cat "$work/stderr")"
  [ "$(grep -cE '^[0-9]+ [A-Za-z]+ ' <<<"$out")" -eq 13 ] &&
    grep -qx '76 ClampDelay 15' <<<"$out" && grep -qx '96 JournalDefaultFont Standard' <<<"$out" ||
    fail "read-all show printed an unexpected form:"$'\n'"$out"
  # The form's start-up probe closes it after its first paint: the installed program opens.
  out="$(TQ9000_STARTUP_PROBE=exit PATH=/usr/bin:/bin timeout 60 xvfb-run -a \
    tq9000-sim -- tq9000_config_app 2>"$work/stderr")" ||
    fail "tq9000_config_app did not open its form: $(cat "$work/stderr")"
  grep -q '^first-paint ' <<<"$out" || fail "tq9000_config_app never painted its form"
  echo "programs: --version, read-all show against the simulator, the form under Xvfb"
}

# The words a program's --help lists at the start of a line (actions) or as options.
help_words() {  # program: its actions and options, from --help's lists (the prose after is not)
  "$1" --help | sed '/^values:/,$d' | grep -oE '^  [a-z-]+|--[a-z-]+' | sed 's/^ *//' | sort -u
}

check_man_pages() {
  local page text word
  for page in tq9000ctl tq9000-sim tq9000_config_app; do
    [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man finds no $page(1)"
    text="$(MANWIDTH=80 man --warnings "$page" 2>"$work/man-warnings")"
    [ ! -s "$work/man-warnings" ] || fail "man $page: $(cat "$work/man-warnings")"
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" ENVIRONMENT EXAMPLES; do
      grep -qx "$section" <<<"$text" || fail "man $page has no $section section"
    done
    [ "$page" = tq9000_config_app ] && continue
    for word in $(help_words "/usr/bin/$page"); do
      grep -qw -- "$word" <<<"$text" || fail "man $page does not mention $word, which --help lists"
    done
  done
  echo "man pages: render without warnings, have their sections, name every action and option"
}

check_docs() {
  local doc=/usr/share/doc/tq9000-config guide named path
  local guides=(docs/*.md)
  [ -f "$doc/README.md.gz" ] || fail "the package does not carry the README"
  for guide in "${guides[@]}"; do
    [ -f "$doc/$guide.gz" ] || fail "the package does not carry $guide (as $doc/$guide.gz)"
  done
  # The documents the man pages name, absolute or relative to $doc, with roff's escapes removed.
  named="$(for page in tq9000ctl tq9000-sim tq9000_config_app; do
    zcat "/usr/share/man/man1/$page.1.gz" | sed 's/\\&//g; s/\\f[A-Z]//g' |
      grep -oE '[A-Za-z0-9_./-]+\.md\.gz'
  done | sort -u)"
  [ -n "$named" ] || fail "no man page names a document under $doc"
  for path in $named; do
    case "$path" in /*) ;; *) path="$doc/$path" ;; esac
    [ -f "$path" ] || fail "a man page names $path, which the package does not carry"
  done
  echo "docs: the README, its ${#guides[@]} guides and the $(wc -w <<<"$named") paths the man pages name"
}

check_udev_rule() {
  local sys=/sys/devices/pci0000:00/0000:00:14.0/usb1
  local ftdi="$sys/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0" acm="$sys/1-3/1-3:1.0/tty/ttyACM0"
  local marker=/run/udev/rules.d/70-tq9000-check.rules
  mm_ignore() {  # device → ID_MM_DEVICE_IGNORE as udev's rules leave it, or nothing
    $SUDO umockdev-run -d tests/package/serial-adapters.umockdev -- \
      udevadm test --action=add "$1" 2>/dev/null | sed -n 's/^ID_MM_DEVICE_IGNORE=//p'
  }
  [ "$(mm_ignore "$ftdi")" = 1 ] || fail "the udev rule leaves an FTDI adapter to ModemManager"
  [ -z "$(mm_ignore "$acm")" ] || fail "the udev rule hides an unmarked ttyACM port"
  $SUDO mkdir -p /run/udev/rules.d
  echo 'SUBSYSTEM=="tty", ATTRS{idVendor}=="1209", ENV{TQ9000_PRINTER}="1"' |
    $SUDO tee "$marker" >/dev/null
  local marked
  marked="$(mm_ignore "$acm")"
  $SUDO rm -f "$marker"
  [ "$marked" = 1 ] || fail "the udev rule leaves a port marked TQ9000_PRINTER to ModemManager"
  echo "udev rule: FTDI adapter ignored, ttyACM port ignored only when marked"
}

# The monitoring units: where systemd finds them, sound to systemd-analyze, and not enabled.
check_systemd_units() {
  local unit path
  for unit in tq9000-check.service tq9000-check.timer; do
    path="$(grep -E "/systemd/system/$unit\$" "$work/files")" || fail "the package has no $unit"
    systemd-analyze verify --man=no "$path" >"$work/verify" 2>&1 ||
      fail "systemd-analyze verify $unit: $(cat "$work/verify")"
    [ ! -e "/etc/systemd/system/timers.target.wants/$unit" ] || fail "$unit was enabled"
  done
  echo "systemd units: the check's service and timer, verified, not enabled"
}

start=$SECONDS
installed && fail "tq9000-config is installed here; the check installs and purges it: remove it"
deb="$(scripts/package.sh "$preset" | tail -n 1)"
version="$(dpkg-deb -f "$deb" Version)"
echo "package: $deb, $(du -k "$deb" | cut -f1) KB, $(dpkg-deb -c "$deb" | grep -vc '^d') files"
check_lintian "$deb"

installed_here=1
apt_get install "$PWD/$deb" >"$work/apt" 2>&1 || fail "apt-get install: $(cat "$work/apt")"
dpkg -L tq9000-config | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$work/files"
check_programs "$version"
check_man_pages
check_docs
check_udev_rule
check_systemd_units

apt_get purge tq9000-config >"$work/apt" 2>&1 || fail "apt-get purge: $(cat "$work/apt")"
! installed || fail "tq9000-config is still installed after purge"
while read -r path; do
  [ ! -e "$path" ] || fail "$path is left after purge"
done <"$work/files"
echo "removed: none of its $(wc -l <"$work/files") files is left"
echo "check-package: passed in $((SECONDS - start)) s"
