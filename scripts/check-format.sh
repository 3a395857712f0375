#!/usr/bin/env bash
# Checks that every C++ source and header git tracks is formatted as .clang-format says. Lists the
# files that differ and fails when any does; `clang-format -i FILE` formats one.
#   scripts/check-format.sh            uses clang-format from PATH
#   CLANG_FORMAT=clang-format-14 scripts/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format="${CLANG_FORMAT:-clang-format}"

if ! command -v "$clang_format" >/dev/null; then
    echo "check-format: $clang_format not found (Debian: apt-get install clang-format)" >&2
    exit 2
fi

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.cc' '*.cxx' '*.h' '*.hh' '*.hpp' '*.inl')
if [ "${#files[@]}" -eq 0 ]; then
    echo "check-format: git tracks no C++ files here" >&2
    exit 2
fi

# One run over all files: clang-format reports each place that differs as file:line:col.
status=0
report="$("$clang_format" --style=file --dry-run -Werror "${files[@]}" 2>&1)" || status=$?
differing="$(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
    <<<"$report" | sort -u)"

if [ -n "$differing" ]; then
    echo "check-format: $(wc -l <<<"$differing") of ${#files[@]} files differ from .clang-format:"
    sed 's/^/  /' <<<"$differing"
    exit 1
fi
if [ "$status" -ne 0 ]; then
    echo "check-format: $clang_format failed:" >&2
    echo "$report" >&2
    exit 2
fi
echo "check-format: all ${#files[@]} files formatted"
