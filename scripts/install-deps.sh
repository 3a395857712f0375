#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build and test the utility.
# Safe to run again: it asks apt only when something is missing. Run as root (or with sudo).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config            # build
  nlohmann-json3-dev                          # profiles and JSON output of tq9000ctl
  libgtest-dev libgmock-dev                   # unit tests
  nlohmann-json3-dev                          # tq9000ctl's JSON
  libudev-dev                                 # USB discovery and hot-plug
  umockdev libumockdev-dev                    # USB tests without hardware
  libwxgtk3.2-dev libgtk-3-dev                # the desktop utility
  xvfb xauth fonts-dejavu-core                # window tests without a display
  clang libclang-rt-14-dev                    # fuzz targets (libFuzzer)
  clang-format                                # the format check
  python3 time                                # bench/soak.sh: its judge, and resident memory
  strace                                      # tq9000ctl's end-to-end tests: signals, pipes
  python3-prometheus-client                   # tq9000ctl check: its metrics read by the parser
  ansible-core                                # contrib/ansible/tests/run.sh
  scdoc                                       # the man pages
  dpkg-dev file                               # the Debian package: CPack's dpkg-shlibdeps, file
  lintian man-db udev                         # scripts/check-package.sh
  systemd                                     # the package check: systemd-analyze verify
)
if [ "${TQ_WITH_SCREENSHOT_TOOLS:-0}" = 1 ]; then
  packages+=(imagemagick xdotool)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
