#!/usr/bin/env bash
# The Windows build, from Linux: installs what is missing, cross-builds the programs and their
# tests with MinGW-w64 (the `windows` preset), runs the tests under Wine, and builds the installer,
# the ZIP and the MSI and checks them (each package installs silently under Wine, the installed
# tq9000ctl.exe runs, and uninstalling leaves nothing behind). Fails when any step or test fails.
# Works as root on a fresh Debian 12 machine with no display.
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
# The project's version, read from the one place it is written: project() in CMakeLists.txt.
VERSION="$(sed -n 's/^project(tq9000_config VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

# The stages, in the order they run. A stage is a function named stage_<name>; to add one, write
# the function below and put its name here.
STAGES=(packages wine_prefix wine_com1 wine_server display build host_sim tests usb e2e installer msi)

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
  install_missing wine wine64 fonts-wine nsis wixl
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

# "tq9000ctl $VERSION" from the program, whose output Wine gives with Windows line ends.
expect_version() {
  local output
  output="$("$WINE" "$1" --version | tr -d '\r')"
  [ "$output" = "tq9000ctl $VERSION" ] || fail "$1 --version said \"$output\""
}

# The installer runs with /S (no pages, no questions) and returns when it has finished; the
# uninstaller copies itself away and returns at once, so its copy is waited for.
check_silent_install() {
  local setup="$1"
  local folder="$WINEPREFIX/drive_c/Program Files/tq9000" state="$PACKAGES/nsis-check"
  remove_earlier_nsis_install "$folder"
  mkdir -p "$state"
  prefix_state "$state/before"
  "$WINE" "$setup" /S || fail "the installer exited with $?"
  [ -f "$folder/bin/tq9000ctl.exe" ] || fail "the installer did not install $folder/bin/tq9000ctl.exe"
  expect_version "$folder/bin/tq9000ctl.exe"
  [ -f "$folder/bin/tq9000_config_app.exe" ] || fail "the installer did not install the form"
  find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name 'tq9000 configuration.lnk' | grep -q . ||
    fail "the installer made no Start-menu shortcut for the form"
  expect_icon "the installer's uninstall entry (DisplayIcon)" \
    "$(reg_value "$UNINSTALL_KEY\\tq9000" DisplayIcon)"
  [ -f "$folder/Uninstall.exe" ] || fail "the installer left no uninstaller"
  run_nsis_uninstaller "$folder"
  expect_nothing_left "$state/before" "the uninstaller"
  log "installer: installed, ran and uninstalled"
}

run_nsis_uninstaller() {
  "$WINE" "$1/Uninstall.exe" /S || fail "the uninstaller exited with $?"
  # Its copy runs as "...\Un.exe /S _?=C:\Program Files\tq9000\".
  wait_for_wine_program 'Un\.exe /S _\?=' || fail "the uninstaller did not finish in 20 s"
}

# What an earlier run that failed midway may have left: its installation is uninstalled, and what
# an uninstaller could no longer find is removed (the installer would otherwise stop, finding an
# uninstall entry whose uninstaller is gone).
remove_earlier_nsis_install() {
  local folder="$1" key
  if [ -f "$folder/Uninstall.exe" ]; then
    log "installer: uninstalling what an earlier run left"
    run_nsis_uninstaller "$folder"
  fi
  rm -rf "$folder"
  for key in "$UNINSTALL_KEY\\tq9000" 'HKLM\Software\tq9000 project'; do
    "$WINE" reg delete "$key" /f >/dev/null 2>&1 || true
  done
}

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# The value NAME of the registry key KEY, or nothing.
reg_value() {
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# C:\... (a path in the prefix) as a Linux path.
linux_path() {
  local path="${1#[Cc]:\\}"
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}

# A Linux path as Wine sees it, on its drive Z:.
wine_path() {
  local path
  path="$(realpath -m "$1")"
  echo "Z:${path//\//\\}"
}

# An icon as Windows names one ("C:\...\x.exe,0" or "C:\...\x.ico"): an existing exe or .ico
# file, or Windows shows none.
expect_icon() {
  local what="$1" icon="${2%,*}"
  [[ "$icon" =~ \.(exe|ico)$ ]] || fail "$what names no icon file: \"$2\""
  [ -f "$(linux_path "$icon")" ] || fail "$what names $icon, which does not exist"
}

# Waits up to 20 s while a program of this prefix whose command line matches PATTERN (pgrep -f)
# runs; fails if it still does.
wait_for_wine_program() {
  local _
  for _ in $(seq 100); do
    wine_program_running "$1" || return 0
    sleep 0.2
  done
  return 1
}

wine_program_running() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

# What installing may change, recorded in OUT.files and OUT.keys to be compared afterwards: the
# files and folders of the prefix's C: (the temporary folders aside) and every key and value of
# HKLM\Software, one a line.
prefix_state() {
  local out="$1"
  (cd "$WINEPREFIX/drive_c" && find . ! -ipath './windows/temp/*' ! -ipath './users/*/temp/*') |
    LC_ALL=C sort >"$out.files"
  rm -f "$out.reg"
  "$WINE" regedit /E "$(wine_path "$out.reg")" 'HKEY_LOCAL_MACHINE\Software'
  [ -f "$out.reg" ] || fail "regedit exported nothing to $out.reg"
  iconv -f UTF-16 -t UTF-8 "$out.reg" | tr -d '\r' |
    awk '/^\[/ { key = $0; print key; next } NF { print key "\t" $0 }' | LC_ALL=C sort >"$out.keys"
}

# The folders and keys that Windows Installer keeps for every product, empty when none is
# installed: made by the first MSI a prefix installs, there on every Windows, and none of ours.
WINDOWS_INSTALLER_OWN=(
  './windows/Installer'
  '[HKEY_LOCAL_MACHINE\Software\Classes\Installer]'
  '[HKEY_LOCAL_MACHINE\Software\Classes\Installer\Features]'
  '[HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products]'
  '[HKEY_LOCAL_MACHINE\Software\Classes\Installer\UpgradeCodes]'
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UpgradeCodes]'
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UserData]'
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18]'
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components]'
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products]'
)

# Fails, naming them, if files, folders, keys or values are there that were not at BEFORE
# (prefix_state), but for Windows Installer's own.
expect_nothing_left() {
  local before="$1" what="$2" after="$1-after" left
  prefix_state "$after"
  left="$( (LC_ALL=C comm -13 "$before.files" "$after.files"
    LC_ALL=C comm -13 "$before.keys" "$after.keys") |
    grep -vxF -f <(printf '%s\n' "${WINDOWS_INSTALLER_OWN[@]}") || true)"
  [ -z "$left" ] || fail "$what left behind:"$'\n'"$left"
}

# The MSI: installed by msiexec /qn, checked, uninstalled without a trace; then installed over an
# older version, and over itself by a rebuild of the same version (a new product code), each
# replacing the one before; refused over a newer version; and uninstalled again. Windows Installer
# registers a per-machine product under HKLM (a per-user one under HKCU), where the checks look.
stage_msi() {
  cmake --build --preset windows --target msi >/dev/null
  local msi="$PACKAGES/tq9000-$VERSION-win64.msi" state="$PACKAGES/msi-check"
  [ -f "$msi" ] || fail "no MSI $msi"
  local version older="$state/tq9000-older.msi" rebuilt="$state/tq9000-rebuilt.msi"
  version="$(sed -n 's/.*define ProductVersion = "\(.*\)".*/\1/p' "$MSI_SOURCE")"
  rm -rf "$state"
  mkdir -p "$state"
  rebuild_msi "$older" -D ProductVersion="$OLDER_MSI_VERSION" -D ReplacesBelow=0.0.2
  rebuild_msi "$rebuilt"
  uninstall_our_msi_products
  prefix_state "$state/before"

  msiexec_expect 0 /i "$msi"
  expect_msi_installed "$version"
  msiexec_expect 0 /x "$msi"
  expect_nothing_left "$state/before" "msiexec /x"

  msiexec_expect 0 /i "$older"
  expect_msi_installed "$OLDER_MSI_VERSION"
  msiexec_expect 0 /i "$msi"
  expect_msi_installed "$version"
  msiexec_expect 0 /i "$rebuilt"
  expect_msi_installed "$version"
  # 1603, "fatal error during installation", of which a Linux exit status keeps the low byte.
  msiexec_expect $((1603 % 256)) /i "$older"
  expect_msi_installed "$version"
  msiexec_expect 0 /x "$rebuilt"
  expect_nothing_left "$state/before" "msiexec /x after the upgrades"
  log "msi: $(basename "$msi") ($(du -k "$msi" | cut -f1) KB) installed and uninstalled," \
    "replaced an older version and was replaced by its rebuild, refused a downgrade"
}

MSI_SOURCE="$BUILD/packaging/windows/tq9000.wxs"
# Below any release's MSI version.
OLDER_MSI_VERSION=0.0.1

# rebuild_msi OUT [WIXL_OPTION...]: the MSI's source built again (with a new product code, and
# as wixl's -D options say); wixl finds the files from the source's folder.
rebuild_msi() {
  local out
  out="$(realpath -m "$1")"
  shift
  (cd "$(dirname "$MSI_SOURCE")" && wixl -a x64 "$@" -o "$out" "$(basename "$MSI_SOURCE")")
}

# msiexec STATUS /i|/x PACKAGE: runs it with no user interface and expects that exit status.
msiexec_expect() {
  local expected="$1" action="$2" package="$3" status=0
  "$WINE" msiexec "$action" "$(wine_path "$package")" /qn || status=$?
  [ "$status" -eq "$expected" ] ||
    fail "msiexec $action $(basename "$package") exited with $status, not $expected"
}

# The product codes and versions of the MSI products of ours that are installed, one a line.
our_msi_products() {
  "$WINE" reg query "$UNINSTALL_KEY" /s | tr -d '\r' | awk '
    /^HKEY/ { if (ours && msi) print code, version; code = $0; sub(/.*\\/, "", code)
              ours = msi = 0; version = "" }
    $1 == "DisplayName" && $0 ~ /REG_SZ +tq9000 configuration utility$/ { ours = 1 }
    $1 == "WindowsInstaller" && $3 == "0x1" { msi = 1 }
    $1 == "DisplayVersion" { version = $3 }
    END { if (ours && msi) print code, version }'
}

# What an earlier run that failed midway may have left installed.
uninstall_our_msi_products() {
  local code version
  while read -r code version; do
    log "msi: uninstalling $code ($version), left by an earlier run"
    "$WINE" msiexec /x "$code" /qn || fail "could not uninstall $code"
  done < <(our_msi_products)
}

# One product of ours, of VERSION, registered per machine with its icon; the install tree as the
# build staged it; the shortcut to the form with the form's icon; tq9000ctl.exe runs.
expect_msi_installed() {
  local version="$1" products
  products="$(our_msi_products)"
  if [ -z "$products" ] || [ "$(wc -l <<<"$products")" -ne 1 ]; then
    fail "expected one MSI product of ours, found: ${products:-none}"
  fi
  [ "${products#* }" = "$version" ] || fail "installed: version ${products#* }, not $version"
  local icon
  icon="$(msi_product_icon)" ||
    fail "the MSI product is not registered per machine (HKLM\Software\Classes\Installer)"
  expect_icon "the MSI product's icon (ProductIcon)" "$icon"
  local folder="$WINEPREFIX/drive_c/Program Files/tq9000"
  diff -r "$BUILD/packaging/windows/msi-stage" "$folder" >&2 ||
    fail "the MSI did not install the files it was built from"
  expect_shortcut_to_form
  expect_version "$folder/bin/tq9000ctl.exe"
}

# The icon of our product as registered per machine, under HKLM\Software\Classes\Installer
# (for one user it would be HKCU\Software\Microsoft\Installer); fails if there is none.
msi_product_icon() {
  "$WINE" reg query 'HKLM\Software\Classes\Installer\Products' /s | tr -d '\r' | awk '
    /^HKEY/ { if (ours) exit; icon = "" }
    $1 == "ProductIcon" { icon = $0; sub(/.*REG_SZ +/, "", icon) }
    $1 == "ProductName" && $0 ~ /REG_SZ +tq9000 configuration utility$/ { ours = 1 }
    END { if (!ours) exit 1; print icon }'
}

# A per-machine package's shortcut belongs in the common Start menu (ProgramData); Wine's
# Windows Installer puts it in the user's (it reads no ALLUSERS for it), so either is taken.
expect_shortcut_to_form() {
  local link
  link="$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/tq9000 configuration.lnk' |
    head -n 1)"
  [ -n "$link" ] || fail "the MSI made no Start-menu shortcut for the form"
  strings -a "$link" | grep -qxF 'C:\Program Files\tq9000\bin\tq9000_config_app.exe' ||
    fail "the shortcut $link does not start the form"
  # The icon's place is the link's last string (UTF-16, after a length that may read as a letter).
  expect_icon "the shortcut's icon" \
    "$(strings -a -e l "$link" | tail -n 1 | grep -oiE '[a-z]:\\.*\.(ico|exe)(,[0-9]+)?$')"
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
