# Sourced by the bench scripts: takes an existing build directory from the first argument, or
# configures the release preset, and builds the targets named in BENCH_TARGETS there. Leaves the
# folder in `build` and the remaining arguments in `bench_args`.
if [ $# -ge 1 ] && [ -d "$1" ]; then
  build="$1"
  shift
else
  build=build/release
  cmake --preset release >/dev/null
fi
bench_args=("$@")
# shellcheck disable=SC2086  # the targets are words
cmake --build "$build" --target $BENCH_TARGETS -j "$(nproc)" >/dev/null
