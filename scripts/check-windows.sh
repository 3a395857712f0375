#!/usr/bin/env bash
# Compiles every layer that Windows builds share with Linux (framework, the platform seam and its
# Win32 implementation, link, protocol, commands) against the real Windows headers with MinGW-w64,
# so that a change cannot quietly break the Windows build we cannot run here. Syntax and types
# only: nothing is linked or run.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v x86_64-w64-mingw32-g++ >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64
fi

status=0
for source in framework/*.cpp platform/Platform.cpp platform/win32/*.cpp link/*.cpp \
              protocol/*.cpp commands/*.cpp; do
  if ! x86_64-w64-mingw32-g++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I. "$source"; then
    echo "does not compile for Windows: $source" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "Windows headers: all shared layers compile"
exit $status
