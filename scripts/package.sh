#!/usr/bin/env bash
# Builds the Debian package from the default build and prints its path:
# build/default/package/dmmlogger_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-programs.sh dmmlog dmm-sim dmm-release-files

cd build/default
rm -f package/*.deb
cpack -G DEB >&2
ls "$PWD"/package/*.deb
