#!/usr/bin/env bash
# Builds the Debian package of the three programs, tq9000-config_VERSION_amd64.deb: installs
# what is missing, configures a release preset, builds what the package carries (not the tests)
# and runs CPack's DEB generator. The last line printed is the package's path.
#   scripts/package.sh                  build/release
#   scripts/package.sh release-werror   reuses CI's release build
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
build="build/$preset"

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target package_contents

rm -f "$build"/tq9000-config_*.deb
(cd "$build" && cpack -G DEB >&2)
deb=("$build"/tq9000-config_*.deb)
[ -f "${deb[0]}" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "${deb[0]}"
