#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for a while, each with its seed corpus, and
# fails when one of them finds a crash, a leak, a hang or an oversized allocation.
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
status=0
while read -r binary corpus; do
  name=$(basename "$binary")
  if [ ! -d "$corpus" ]; then
    echo "$name: no seed corpus at $corpus" >&2
    status=1
    continue
  fi
  mkdir -p "$work/$name"
  log="$work/$name.log"
  if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "$@" "$work/$name" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz $name: ${runs:-?} runs, ${rate:-?}/s, no finding"
  else
    echo "fuzz $name: FINDING (inputs in $findings/$name-*)" >&2
    tail -n 60 "$log" >&2
    status=1
  fi
done <"$list"
exit $status
