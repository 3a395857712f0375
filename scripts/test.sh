#!/usr/bin/env bash
# Installs what is missing, builds with a preset, and runs the whole test suite with CTest.
#   scripts/test.sh            the debug build
#   scripts/test.sh asan       the same suite under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-debug}"

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j 2
