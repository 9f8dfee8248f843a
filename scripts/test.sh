#!/usr/bin/env bash
# Checks the format, builds everything with warnings as errors and runs every test: the
# normal build (core, window, end-to-end tests), the sanitizer build (the same tests
# under ASan + UBSan, the windows offscreen), every fuzz target for a bounded time with
# its seed corpus (DMM_FUZZ_SECONDS each, 30 unless set; 0 leaves fuzzing out) and the
# Debian package made from the normal build (unpacked, run, validated, lintian).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
echo "=== format ==="
scripts/lint.sh || status=1
for preset in default asan; do
  echo "=== build: $preset ==="
  cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== tests: $preset ==="
  ctest --preset "$preset" -j "$jobs" || status=1
done

fuzz_seconds=${DMM_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" != 0 ]; then
  echo "=== build: fuzz ==="
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz --target fuzzers -j "$jobs"
  echo "=== fuzz: ${fuzz_seconds}s a target ==="
  scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
echo "=== package ==="
scripts/package-test.sh || status=1
exit $status
