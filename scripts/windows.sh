#!/usr/bin/env bash
# The Windows build, from Linux: installs what is missing, cross-builds the programs and their
# tests with MinGW-w64 (the `windows` preset), runs the tests under Wine, and builds the installer
# and the ZIP and checks them (the installer installs silently under Wine and the installed
# tq9000ctl.exe runs). Fails when any step or test fails. Works as root on a fresh Debian 12
# machine with no display.
#
#   scripts/windows.sh               every stage, in order
#   scripts/windows.sh build tests   only the stages named (see STAGES below)
#
# Wine keeps its prefix (about 700 MB, 15 s to create) outside the build tree, in
# $TQ_WINEPREFIX (default ~/.cache/tq9000/wine), and reuses it on the next run. One persistent
# wineserver serves every Wine program of the run: without it each one waits about 3 s for the
# server of the one before to time out.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Wine prefix, its COM1: and its server (WINEPREFIX, TQ9000_WINE, tq_wine_...).
# shellcheck source=scripts/wine-com1.sh
. scripts/wine-com1.sh
WINE="$TQ9000_WINE"
BUILD=build/windows
PACKAGES="$BUILD/packages"
VERSION="$(sed -n 's/^project(tq9000_config VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

# The stages, in the order they run. A stage is a function named stage_<name>; to add one, write
# the function below and put its name here.
STAGES=(packages wine_prefix wine_com1 wine_server display build host_sim tests usb e2e installer)

log() { echo "windows.sh: $*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

stage_packages() {
  # The Linux side of the tests (tq9000-sim and the end-to-end test program, from the debug preset)
  # needs what the Linux build needs.
  scripts/install-deps.sh
  install_missing --no-install-recommends \
    cmake ninja-build pkg-config nlohmann-json3-dev \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    googletest xvfb xauth xdotool
  # Wine as these tests were measured with: its recommended libraries (X extensions, fonts,
  # GnuTLS) included, the 32-bit half not (the programs and the installer are 64-bit).
  install_missing wine wine64 fonts-wine nsis
}

# apt-get install [OPTION] PACKAGE..., of those packages that are not installed yet.
install_missing() {
  local options=() missing=() p
  while [ $# -gt 0 ] && [ "${1#-}" != "$1" ]; do options+=("$1"); shift; done
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if [ -z "${APT_UPDATED:-}" ]; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    APT_UPDATED=1
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${options[@]}" "${missing[@]}"
}

stage_wine_prefix() {
  tq_wine_make_prefix
}

# COM1: of the prefix names the link that the end-to-end runs point at tq9000-sim's terminal;
# Wine reads it when its server starts, so before the stage below.
stage_wine_com1() {
  tq_wine_map_com1
}

# One server for every Wine program of the run; ours is stopped when the script ends.
stage_wine_server() {
  tq_wine_start_server
}

# What the stages started: the Wine server and the virtual display.
stop_started() {
  tq_wine_stop_server
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
  fi
}
trap stop_started EXIT

# A virtual display for whatever opens a window, when there is none.
stage_display() {
  if [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local number
  for number in $(seq 90 99); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    local wait
    for wait in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$number" ] && { export DISPLAY=":$number"; return 0; }
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  fail "could not start Xvfb"
}

stage_build() {
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$(nproc)"
  check_static "$BUILD/cli/tq9000ctl.exe"
}

# The form tests run the Linux tq9000-sim from inside Wine: the debug build's, as the e2e stage.
stage_host_sim() {
  cmake --preset debug >/dev/null
  cmake --build --preset debug -j "$(nproc)" --target tq9000-sim
}

# Every test of the Windows build under Wine but those over USB, which have a stage of their own.
stage_tests() {
  ctest --preset windows -j 2 -LE usb
}

# The USB printer path under Wine: the link, tq9000ctl.exe and the form against mock USB printers
# plugged into the prefix, backed by the Linux tq9000-sim (tests/wine/README.md). One suite at a
# time: they share the prefix's COM1:, the printers' names and its desktop.
stage_usb() {
  ctest --preset windows -L usb
}

# tq9000ctl.exe against the Linux tq9000-sim: the Linux end-to-end tests of tq9000ctl, built
# from the debug preset, run the Windows program instead (scripts/windows-e2e.sh).
stage_e2e() {
  scripts/windows-e2e.sh "$BUILD"
}

# Every exe stands alone: it may import the system's DLLs, never the compiler's runtime.
check_static() {
  local exe="$1" imports
  imports="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')"
  if grep -Eiq 'libstdc\+\+|libgcc|libwinpthread' <<<"$imports"; then
    fail "$exe needs a runtime DLL beside it: $(tr '\n' ' ' <<<"$imports")"
  fi
  log "$(basename "$exe") imports: $(tr '\n' ' ' <<<"$imports")"
}

stage_installer() {
  rm -rf "$PACKAGES"
  cpack --config "$BUILD/CPackConfig.cmake" -B "$PACKAGES" >/dev/null
  local setup="$PACKAGES/tq9000-setup-$VERSION.exe" zip="$PACKAGES/tq9000-$VERSION-win64.zip"
  [ -f "$setup" ] || fail "no installer $setup"
  [ -f "$zip" ] || fail "no ZIP $zip"
  check_zip "$zip"
  check_silent_install "$setup"
}

check_zip() {
  local zip="$1" unpacked="$PACKAGES/zip-check"
  mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "../$(basename "$zip")")
  local ctl
  ctl="$(find "$unpacked" -name tq9000ctl.exe | head -n 1)"
  [ -n "$ctl" ] || fail "$zip holds no tq9000ctl.exe"
  check_static "$ctl"
  expect_version "$ctl"
  local form
  form="$(find "$unpacked" -name tq9000_config_app.exe | head -n 1)"
  [ -n "$form" ] || fail "$zip holds no tq9000_config_app.exe"
  check_static "$form"
}

# "tq9000ctl 1.0.0.2" from the program, whose output Wine gives with Windows line ends.
expect_version() {
  local output
  output="$("$WINE" "$1" --version | tr -d '\r')"
  [ "$output" = "tq9000ctl $VERSION" ] || fail "$1 --version said \"$output\""
}

# The installer runs with /S (no pages, no questions) and returns when it has finished; the
# uninstaller copies itself away and returns at once, so its end is waited for by the folder.
check_silent_install() {
  local setup="$1"
  local folder="$WINEPREFIX/drive_c/Program Files/tq9000"
  rm -rf "$folder"
  "$WINE" "$setup" /S
  [ -f "$folder/bin/tq9000ctl.exe" ] || fail "the installer did not install $folder/bin/tq9000ctl.exe"
  expect_version "$folder/bin/tq9000ctl.exe"
  [ -f "$folder/bin/tq9000_config_app.exe" ] || fail "the installer did not install the form"
  find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name 'tq9000 configuration.lnk' | grep -q . ||
    fail "the installer made no Start-menu shortcut for the form"
  [ -f "$folder/Uninstall.exe" ] || fail "the installer left no uninstaller"
  "$WINE" "$folder/Uninstall.exe" /S
  local wait
  for wait in $(seq 100); do
    [ -e "$folder/bin/tq9000ctl.exe" ] || { log "installer: installed, ran and uninstalled"; return 0; }
    sleep 0.2
  done
  fail "the uninstaller left $folder/bin/tq9000ctl.exe"
}

run_stage() {
  local name="$1" started=$SECONDS
  declare -F "stage_$name" >/dev/null || fail "no stage \"$name\" (stages: ${STAGES[*]})"
  log "stage $name"
  "stage_$name"
  log "stage $name done in $((SECONDS - started)) s"
}

main() {
  local stages=("$@")
  [ ${#stages[@]} -eq 0 ] && stages=("${STAGES[@]}")
  local stage
  for stage in "${stages[@]}"; do
    run_stage "$stage"
  done
}

main "$@"
