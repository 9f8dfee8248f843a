#!/usr/bin/env bash
# Checks the format, builds everything with warnings as errors and runs every test: the
# normal build (core, window, end-to-end tests) and the static analysis of its compile
# commands (clang-tidy, cppcheck, shellcheck), the sanitizer build (the same tests under
# ASan + UBSan, the windows offscreen), every fuzz target for a bounded time with its seed
# corpus (DMM_FUZZ_SECONDS each, 30 unless set; 0 leaves fuzzing out) and the Debian
# package made from the normal build (unpacked, run, validated, lintian). Each stage says
# how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
SECONDS=0
stage() {
  echo "=== $1 === (${SECONDS}s so far)"
}
stage format
scripts/lint.sh || status=1
# The normal build with warnings as errors (the ci preset builds in build/default).
stage "build: ci"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
# The static analysis of that build runs beside the next stages, at a lower priority: it
# takes the processor time that the tests leave while they wait on timers and devices.
analysis_log=$(mktemp)
trap 'rm -f "$analysis_log"' EXIT
nice -n 10 scripts/analyse.sh >"$analysis_log" 2>&1 &
analysis=$!
stage "tests: default (the analysis running beside them)"
ctest --preset default -j "$jobs" || status=1
stage "build: asan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
stage "tests: asan"
ctest --preset asan -j "$jobs" || status=1
stage "analyse: waiting for its end"
wait "$analysis" || status=1
cat "$analysis_log"

fuzz_seconds=${DMM_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" != 0 ]; then
  stage "build: fuzz"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz --target fuzzers -j "$jobs"
  stage "fuzz: ${fuzz_seconds}s a target"
  scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
stage package
scripts/package-test.sh || status=1
stage "end"
exit $status
