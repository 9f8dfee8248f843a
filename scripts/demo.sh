#!/usr/bin/env bash
# Builds the programs and starts the logger on a simulated meter, in the folder demo/
# (settings file, temporary files and the COM1 link to the simulator live there).
#   scripts/demo.sh                    the desktop program, or dmmlog read where there is no display
#   scripts/demo.sh --cli              dmmlog read in this terminal (Ctrl+C ends it)
#   scripts/demo.sh --protocol fs9721  a meter built on that chip (fs9721, fs9922, es51922, ascii14,
#                                      ascii14-600, ascii14-2400, ascii14-9600 or ut71x) instead of
#                                      the adaptor; the settings file's Meter line follows it
#   scripts/demo.sh --detect           the logger finds the meter itself (Meter=auto, or
#                                      dmmlog read --meter auto) instead of being told which
set -euo pipefail
cd "$(dirname "$0")/.."

cli=0
detect=0
protocol=adaptor
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) cli=1 ;;
    --detect) detect=1 ;;
    --protocol)
      [ $# -ge 2 ] || { echo "demo.sh: --protocol needs a name (fs9721, fs9922, es51922, ascii14, ascii14-600, ascii14-2400, ascii14-9600, ut71x)" >&2; exit 2; }
      protocol=$2
      shift
      ;;
    --protocol=*) protocol=${1#--protocol=} ;;
    *) echo "demo.sh: unknown option '$1' (--cli, --detect, --protocol NAME)" >&2; exit 2 ;;
  esac
  shift
done
case "$protocol" in
  adaptor | fs9721 | fs9922 | es51922 | ascii14 | ascii14-600 | ascii14-2400 | ascii14-9600 | ut71x) ;;
  *) echo "demo.sh: --protocol must be fs9721, fs9922, es51922, ascii14, ascii14-600, ascii14-2400, ascii14-9600 or ut71x, not '$protocol'" >&2; exit 2 ;;
esac

scripts/build-programs.sh dmm-sim dmmlog
# What the logger is told: the simulated meter's family, or to find it.
meter=$protocol
[ "$detect" = 0 ] || meter=auto

bin=$PWD/build/default/bin
mkdir -p demo
cd demo
[ -f NRVDL.ini ] || printf 'iPort=1\r\nfHiLimit=3\r\nfLowLimit=1\r\n' > NRVDL.ini
# The meter the desktop program starts with: no Meter line for the adaptor.
sed -i '/^[Mm][Ee][Tt][Ee][Rr]=/d; /^[Dd][Ee][Tt][Ee][Cc][Tt][Ee][Dd][Mm][Ee][Tt][Ee][Rr]=/d' NRVDL.ini
[ "$meter" = adaptor ] || printf 'Meter=%s\r\n' "$meter" >> NRVDL.ini

sim_args=(--link COM1)
[ "$protocol" = adaptor ] || sim_args+=(--protocol "$protocol")
"$bin/dmm-sim" "${sim_args[@]}" > .sim-device &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s .sim-device ] && [ -e COM1 ] && break; sleep 0.1; done
echo "Simulated meter ($protocol) on $(head -n1 .sim-device), linked as demo/COM1" >&2

if [ "$cli" = 0 ] && [ -x "$bin/dmmlogger" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/dmmlogger"
else
  "$bin/dmmlog" read --port COM1 --meter "$meter"
fi
