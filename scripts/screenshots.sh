#!/usr/bin/env bash
# Takes the screenshots of the user guide (docs/screenshots/*.png): the desktop
# program on the simulated meter under Xvfb at 1024 x 768, driven with xdotool
# and photographed with imagemagick's import.
#   desktop.png    the windows while the recorder acquires
#   recovery.png   the offer of the samples after the program was killed
#   recovered.png  the recorder with those samples opened
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

if [ "${1:-}" != "--inside" ]; then
  scripts/build-programs.sh dmm-sim
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside
fi

bin=$repo/build/default/bin
out=$repo/docs/screenshots
work=$repo/build/screenshots
rm -rf "$work"
mkdir -p "$work" "$out"
cd "$work"
printf 'iPort=1\r\nfHiLimit=3\r\nfLowLimit=1\r\n' > NRVDL.ini

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# The window whose title is exactly $1, waiting up to 20 s for it.
window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  import -window root "$work/missing.png" 2>/dev/null || true
  echo "screenshots: no window '$1' (see $work/missing.png)" >&2
  return 1
}
keys() {
  local id=$1; shift
  xdotool windowfocus --sync "$id"
  xdotool key --clearmodifiers "$@"
}
shot() {
  sleep 1
  import -window root "$out/$1"
  echo "screenshots: $out/$1" >&2
}

"$bin/dmm-sim" --link COM1 > .sim-device &
pids+=($!)
for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done

"$bin/dmmlogger" &
app=$!
pids+=("$app")
main=$(window "Qm47-26x Data Logging System")
recorder=$(window "Graphical Recorder")
keys "$main" alt+l                      # Link
sleep 3                                 # the first readings
keys "$recorder" F9                     # Start
sleep 30
shot desktop.png

# A killed program leaves its temporary file; the next start offers it back.
kill -9 "$app"
wait "$app" 2>/dev/null || true
"$bin/dmmlogger" &
app=$!
pids+=("$app")
question=$(window "Warning\[W8200\]")
shot recovery.png
keys "$question" alt+y
sleep 2
shot recovered.png
kill -9 "$app"
