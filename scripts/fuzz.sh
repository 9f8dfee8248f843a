#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for a while, each with its seed corpus and its own
# flags (fuzz/CMakeLists.txt), and fails when one of them finds a crash, a leak, a hang or an
# oversized allocation.
#   scripts/fuzz.sh [seconds per target, default 30] [extra libFuzzer flags...]
# New inputs go to build/fuzz/run/<target>/, findings to build/fuzz/findings/; the seed
# corpus in the tree is only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
list=build/fuzz/fuzz-targets.txt
work=build/fuzz/run
findings=build/fuzz/findings
if [ ! -s "$list" ]; then
  echo "no $list: build the fuzz preset first" >&2
  exit 2
fi
mkdir -p "$work" "$findings"
# Each target runs on one core for its time: as many run at once as there are cores
# (DMM_FUZZ_JOBS), so the stage takes its seconds once per that many targets.
jobs=${DMM_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}

# Runs one target and says how it went; returns 1 on a finding or a missing corpus.
run_target() {
  local binary=$1 corpus=$2 name log runs rate own
  read -r -a own <<<"${3:-}"
  name=$(basename "$binary")
  if [ ! -d "$corpus" ]; then
    echo "$name: no seed corpus at $corpus" >&2
    return 1
  fi
  mkdir -p "$work/$name"
  log="$work/$name.log"
  if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "${own[@]}" "${extra[@]}" "$work/$name" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz $name: ${runs:-?} runs, ${rate:-?}/s, no finding"
  else
    echo "fuzz $name: FINDING (inputs in $findings/$name-*)" >&2
    tail -n 60 "$log" >&2
    return 1
  fi
}

extra=("$@")
status=0
running=0
while read -r binary corpus flags; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  run_target "$binary" "$corpus" "$flags" &
  running=$((running + 1))
done <"$list"
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
