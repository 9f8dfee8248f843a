#!/usr/bin/env bash
# Builds the programs and starts the logger on a simulated meter, in the folder demo/
# (settings file, temporary files and the COM1 link to the simulator live there).
#   scripts/demo.sh            the desktop program, or dmmlog read where there is no display
#   scripts/demo.sh --cli      dmmlog read in this terminal (Ctrl+C ends it)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-programs.sh dmm-sim dmmlog

bin=$PWD/build/default/bin
mkdir -p demo
cd demo
[ -f NRVDL.ini ] || printf 'iPort=1\r\nfHiLimit=3\r\nfLowLimit=1\r\n' > NRVDL.ini

"$bin/dmm-sim" --link COM1 > .sim-device &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s .sim-device ] && [ -e COM1 ] && break; sleep 0.1; done
echo "Simulated meter on $(head -n1 .sim-device), linked as demo/COM1" >&2

if [ "${1:-}" != "--cli" ] && [ -x "$bin/dmmlogger" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/dmmlogger"
else
  "$bin/dmmlog" read --port COM1
fi
