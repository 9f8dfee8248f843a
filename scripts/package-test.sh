#!/usr/bin/env bash
# Builds the Debian package and checks it the way an installed system sees it:
# the programs unpacked into a scratch folder run, the desktop entry, the
# AppStream metadata and the manual pages validate, and lintian finds no
# error or warning. Run after the default build (scripts/test.sh) it only packs.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

deb=$(scripts/package.sh | tail -n1)
if [ ! -f "$deb" ]; then
  echo "package test: no package was built"
  echo "package test: 0 passed, 1 failed"
  exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
bin=$root/usr/bin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
id=org.dmmlogger.dmmlogger

passed=0
failed=0
check() {
  local name=$1; shift
  local log=$scratch/check.log
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
    sed 's/^/      /' "$log"
  fi
}

# The first line of --version is "<program> [(dmmlogger)] <version>".
version_is() {
  local line
  line=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$1" --version | head -n1) || return 1
  echo "$line"
  [ "${line##* }" = "$version" ]
}
decodes() {
  local line
  line=$(echo "06 00 00 00 31 2e 32 33 34 00 00 00 00 30 00" | "$bin/dmmlog" decode) || return 1
  echo "$line"
  [ "$line" = "$(printf '6\t1.234\t0\t1.234\t\tV\t1.23399997')" ]
}
# The help is read whole first: grep -q stops at its first match, and a
# longer help would then end on a broken pipe.
sim_helps() {
  local help
  help=$("$bin/dmm-sim" --help) && grep -q -- '--scenario' <<<"$help"
}
recovers_nothing() {
  mkdir -p "$scratch/empty" && [ -z "$("$bin/dmmlog" recover "$scratch/empty")" ]
}
# The unpacked programs together: the simulated meter, three samples logged, the
# file exported as text and drawn as a picture with no display.
logs_exports_plots() {
  local dir=$scratch/run sim rc=0
  mkdir -p "$dir"
  "$bin/dmm-sim" --reading "6;1.234;0" --no-pace --link COM1 --link-dir "$dir" >"$dir/sim.txt" &
  sim=$!
  for _ in $(seq 50); do [ -e "$dir/COM1" ] && break; sleep 0.1; done
  (cd "$dir" && "$bin/dmmlog" log --port COM1 --out run.g26 --count 3) || rc=1
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  [ "$rc" -eq 0 ] && [ "$(stat -c %s "$dir/run.g26")" -eq $((3 * 68)) ] || return 1
  "$bin/dmmlog" export "$dir/run.g26" | tee "$dir/run.csv"
  [ "$(grep -c ',1.234' "$dir/run.csv")" -eq 3 ] || return 1
  env -u DISPLAY -u WAYLAND_DISPLAY "$bin/dmmlog" plot "$dir/run.g26" --out "$dir/run.png" &&
    file "$dir/run.png" | grep -q "PNG image data, 1000 x 681"
}
package_version() { [ "$(dpkg-deb -f "$deb" Version)" = "$version" ]; }
library_dependencies() { dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6'; }
icons() {
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" ] &&
    for size in 16 22 24 32 48 64 128 256; do
      file "$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" |
        grep -q "PNG image data, $size x $size" || return 1
    done
}
desktop_entry() {
  local entry=$root/usr/share/applications/$id.desktop
  desktop-file-validate "$entry" && grep -qx "Exec=dmmlogger" "$entry" &&
    grep -qx "Icon=$id" "$entry" && grep -qx "Categories=Science;Electronics;" "$entry"
}
metainfo() {
  local file=$root/usr/share/metainfo/$id.metainfo.xml
  appstreamcli validate --no-net "$file" && grep -q "release version=\"$version\"" "$file"
}
manual_page() {
  local page=$root/usr/share/man/man1/$1.1.gz err
  err=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || return 1
  [ -z "$err" ] || { echo "$err"; return 1; }
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" | grep -q "dmmlogger $version"
}
lintian_clean() {
  lintian --fail-on error,warning --info --pedantic "$deb" >"$scratch/lintian.txt" 2>&1
  local rc=$?
  cat "$scratch/lintian.txt"
  return $rc
}

check "dmmlog --version" version_is dmmlog
check "dmm-sim --version" version_is dmm-sim
check "dmmlogger --version without a display" version_is dmmlogger
check "dmmlog decode of a display payload" decodes
check "dmm-sim --help" sim_helps
check "dmmlog recover of an empty folder" recovers_nothing
check "dmmlog log, export and plot on dmm-sim" logs_exports_plots
check "package version" package_version
check "computed library dependencies" library_dependencies
check "icon theme pictures" icons
check "desktop entry" desktop_entry
check "AppStream metadata" metainfo
for page in dmmlogger dmmlog dmm-sim; do check "manual page $page" manual_page "$page"; done
check "lintian" lintian_clean
# Informational and pedantic findings are shown, not failed on.
grep -v 'root privileges' "$scratch/lintian.txt" | sed 's/^/lintian: /'

echo "package test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
