#!/usr/bin/env bash
# The include check on a copy of the tree: clean as it is, and failing on each kind of
# wrong include planted into it.
#   test_check_layers.sh SOURCE_ROOT
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

copy() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree/scripts" "$work/tree/tools"
  cp -r "$src"/{resources,meterlink,shell,displays,logger} "$work/tree/"
  cp -r "$src/tools/dmm-sim" "$src/tools/dmmlog" "$work/tree/tools/"
  cp "$src/scripts/layers.conf" "$src/scripts/check-layers.sh" "$work/tree/scripts/"
}

failures=0
expect() {  # expect clean|wrong DESCRIPTION [FILE LINE] [MESSAGE]
  local want=$1 what=$2 file=${3:-} line=${4:-} message=${5:-}
  copy
  [[ -n "$file" ]] && printf '%s\n' "$line" >> "$work/tree/$file"
  local out rc=0
  out=$("$work/tree/scripts/check-layers.sh" "$work/tree" 2>&1) || rc=$?
  if [[ "$want" == clean && $rc -ne 0 ]]; then
    echo "FAIL: $what: the check failed: $out"
    failures=$((failures + 1))
  elif [[ "$want" == wrong && ( $rc -ne 1 || "$out" != *"$message"* ) ]]; then
    echo "FAIL: $what: rc $rc, output: $out"
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

expect clean "the tree as it is"
expect wrong "a window including the main window" \
  logger/graphicalrecord.cpp '#include "shell/main5.h"' \
  'logger/graphicalrecord.cpp:'
expect wrong "a core file including a window" \
  logger/acquisition/recorder.cpp '#include "logger/chart/pegraph.h"' \
  'core file includes logger/chart/pegraph.h (windows)'
expect wrong "a core file including Qt" \
  displays/rules/needle.h '#include <QWidget>' \
  'the core file includes <QWidget>'
expect wrong "the link owner including the logger" \
  meterlink/meterlink.h '#include "logger/data/logrecord.h"' \
  'core file of meterlink/ includes logger/data/logrecord.h'
expect wrong "the toolkit including a window" \
  shell/toolkit/prompter.cpp '#include "displays/comparator.h"' \
  'toolkit file includes displays/comparator.h (windows)'
expect wrong "the simulator including the line" \
  tools/dmm-sim/main.cpp '#include "meterlink/serial/serialline.h"' \
  'includes meterlink/serial/serialline.h (line)'
expect clean "a window including the toolkit" \
  logger/graphicalrecord.cpp '#include "shell/toolkit/prompter.h"'
exit $((failures > 0))
