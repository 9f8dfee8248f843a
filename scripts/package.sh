#!/usr/bin/env bash
# Builds the Debian package from the default build and prints its path:
# build/default/package/dmmlogger_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset default >/dev/null
targets="dmmlog dmm-sim dmm-release-files"
# Read the whole list first: grep -q closing the pipe early fails the test under pipefail.
help=$(cmake --build --preset default --target help)
if grep -q '^\.\.\. dmmlogger$' <<<"$help"; then
  targets="$targets dmmlogger"
fi
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)" --target $targets >&2

cd build/default
rm -f package/*.deb
cpack -G DEB >&2
ls "$PWD"/package/*.deb
