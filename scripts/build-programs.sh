#!/usr/bin/env bash
# Installs what the build needs and builds the given targets of the default preset,
# and dmmlogger as well when the build has the desktop program (-DDMM_BUILD_GUI=ON).
# Build output goes to standard error, so callers can print results on standard output.
#   scripts/build-programs.sh dmm-sim dmmlog
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset default >/dev/null
targets=("$@")
# Read the whole list first: grep -q closing the pipe early fails the test under pipefail.
help=$(cmake --build --preset default --target help)
if grep -q '^\.\.\. dmmlogger$' <<<"$help"; then
  targets+=(dmmlogger)
fi
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >&2
