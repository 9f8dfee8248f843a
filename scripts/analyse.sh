#!/usr/bin/env bash
# Static analysis of the tree: clang-tidy (the checks in .clang-tidy) and cppcheck over the
# translation units of the default build, shellcheck over the shell scripts. Run it after
# the default build: it reads build/default/compile_commands.json and the generated
# headers. Prints each finding once and how long each tool took; fails on any finding.
# clang-tidy reads the programs' units; the tests' and benchmarks' only with
# DMM_TIDY_TESTS=1 (half as much time again; cppcheck and the compiler check them).
#   scripts/analyse.sh                   all three
#   scripts/analyse.sh cppcheck ...      only the tools named (clang-tidy, cppcheck, shellcheck)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build/default
jobs=$(nproc 2>/dev/null || echo 2)
tools=("$@")
[ ${#tools[@]} -gt 0 ] || tools=(clang-tidy cppcheck shellcheck)

if [ ! -f "$build/compile_commands.json" ]; then
  echo "analyse: no $build/compile_commands.json; build the default preset first" >&2
  exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The build's compile commands less moc's generated files and the precompiled headers,
# each unit once. The forced include of a precompiled header is dropped: the tools read
# each unit with the includes it names itself (and GCC's compiled form is not theirs).
python3 - "$build/compile_commands.json" "$scratch" <<'EOF'
import json, re, sys
units = {}
for unit in json.load(open(sys.argv[1])):
    if '_autogen/' in unit['file'] or '/cmake_pch' in unit['file']:
        continue
    unit['command'] = re.sub(r' -Winvalid-pch| -include \S*cmake_pch\.hxx', '', unit['command'])
    units.setdefault(unit['file'], unit)
json.dump(list(units.values()), open(sys.argv[2] + '/compile_commands.json', 'w'), indent=1)
open(sys.argv[2] + '/units', 'w').write(''.join(f + '\n' for f in sorted(units)))
EOF

# Prints the findings (each once) and the count; returns 1 if there is any.
report() {
  local tool=$1 findings=$2 seconds=$3 count
  count=$(wc -l < "$findings")
  sed "s|^$root/||" "$findings"
  echo "analyse: $tool: $count findings (${seconds}s)"
  [ "$count" -eq 0 ]
}

run_clang_tidy() {
  mkdir -p "$scratch/tidy"
  local skip="^$root/(tests|bench|fuzz)/"
  [ "${DMM_TIDY_TESTS:-0}" = 0 ] || skip='^$'
  # One output file a unit, so that parallel runs do not interleave.
  # shellcheck disable=SC2016  # the inner shell expands these, once a unit
  xargs -P "$jobs" -I{} sh -c \
    'clang-tidy -p "$1" --quiet "$2" > "$3/$(echo "$2" | tr / _).log" 2>&1 || true' \
    _ "$scratch" {} "$scratch/tidy" < <(grep -Ev "$skip" "$scratch/units")
  # A header's finding is reported by every unit that includes it: keep it once.
  cat "$scratch/tidy"/*.log | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' |
    sort -u > "$scratch/clang-tidy.findings" || true
}

run_cppcheck() {
  mkdir -p "$scratch/cppcheck"
  # unusedFunction stays off (not in --enable): Qt calls slots by name, through moc.
  # useStlAlgorithm is off: a plain loop reads as well as std::transform or accumulate.
  # What it would find in Qt's and the system's headers is theirs.
  # Result's two constructors are implicit on purpose: a function returns a value or a
  # Status as it stands (the same line tells clang-tidy).
  cppcheck --project="$scratch/compile_commands.json" --library=qt --library=googletest \
    --std=c++20 --enable=warning,style,performance,portability --inline-suppr \
    --suppress=useStlAlgorithm --suppress='*:/usr/*' --suppress=missingIncludeSystem \
    --suppress="noExplicitConstructor:$root/resources/status.h" \
    --cppcheck-build-dir="$scratch/cppcheck" -j "$jobs" --quiet \
    --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
    2> "$scratch/cppcheck.out" || true
  grep -E '^[^ ]+:[0-9]+:[0-9]+: [a-z]+: ' "$scratch/cppcheck.out" |
    sort -u > "$scratch/cppcheck.findings" || true
}

run_shellcheck() {
  local scripts
  mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
  shellcheck --format=gcc "${scripts[@]}" > "$scratch/shellcheck.findings" || true
}

status=0
for tool in "${tools[@]}"; do
  start=$SECONDS
  case $tool in
    clang-tidy) run_clang_tidy ;;
    cppcheck) run_cppcheck ;;
    shellcheck) run_shellcheck ;;
    *) echo "analyse: unknown tool $tool" >&2; exit 2 ;;
  esac
  report "$tool" "$scratch/$tool.findings" $((SECONDS - start)) || status=1
done
exit $status
