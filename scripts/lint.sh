#!/usr/bin/env bash
# The tree's C++ files as clang-format (the repository's .clang-format) would write them;
# fails naming the files that differ. Fix with: clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/dmm-format.$$; then
  sed -n 's/^\([^ :]*\):[0-9]*:[0-9]*: error:.*/not formatted: \1/p' /tmp/dmm-format.$$ | sort -u >&2
  rm -f /tmp/dmm-format.$$
  exit 1
fi
rm -f /tmp/dmm-format.$$
echo "format: ${#files[@]} files as clang-format writes them"
