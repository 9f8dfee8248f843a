#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (core, window, end-to-end
# tests), the sanitizer build (core and end-to-end tests under ASan + UBSan) and the
# Debian package made from the normal build (unpacked, run, validated, lintian).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
for preset in default asan; do
  echo "=== build: $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== tests: $preset ==="
  ctest --preset "$preset" -j "$jobs" || status=1
done
echo "=== package ==="
scripts/package-test.sh || status=1
exit $status
