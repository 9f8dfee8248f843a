#!/usr/bin/env bash
# Checks that includes run down the layers of scripts/layers.conf: core files include
# no Qt header and only core files (keeping the folder order), and no window file
# includes one of a higher layer. The tools are held to their own layers: dmm-sim is
# core, dmmlog may use everything but the application top. Tests and benchmarks may
# include anything.
#   scripts/check-layers.sh [SOURCE_ROOT]
# Prints every wrong include and exits 1 when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
conf="$root/scripts/layers.conf"
cd "$root"

declare -A rank=([core]=0 [line]=1 [toolkit]=2 [windows]=3 [top]=4)
declare -A folderRank=([resources]=0 [meterlink]=1 [shell]=2 [displays]=3 [logger]=4)
patterns=()
layers=()
while read -r pattern layer _; do
  [[ -z "${pattern:-}" || "$pattern" == \#* ]] && continue
  if [[ -z "${rank[$layer]+x}" ]]; then
    echo "$conf: unknown layer '$layer' for $pattern" >&2
    exit 2
  fi
  patterns+=("$pattern")
  layers+=("$layer")
done < "$conf"

layer_of() {
  local file=$1 i
  for i in "${!patterns[@]}"; do
    # shellcheck disable=SC2053
    if [[ "$file" == ${patterns[$i]} ]]; then
      echo "${layers[$i]}"
      return
    fi
  done
  echo core
}

status=0
complain() {
  echo "layers: $1" >&2
  status=1
}

check_file() {
  local file=$1 own=$2 ownFolder=$3 ceiling=$4
  local ownRank=${rank[$own]}
  local n=0 line target tl tf
  local re='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]+)[>"]'
  while IFS= read -r line; do
    n=$((n + 1))
    [[ "$line" =~ $re ]] || continue
    target=${BASH_REMATCH[2]}
    if [[ "${BASH_REMATCH[1]}" == "<" ]]; then
      if [[ "$own" == core && ( "$target" == Q* || "$target" == q* ) ]]; then
        complain "$file:$n: the core file includes <$target>"
      fi
      continue
    fi
    tf=${target%%/*}
    [[ -n "${folderRank[$tf]+x}" ]] || continue
    tl=$(layer_of "$target")
    if (( ${rank[$tl]} > ownRank )) || (( ${rank[$tl]} > ceiling )); then
      complain "$file:$n: $own file includes $target ($tl)"
    elif [[ "$own" == core && -n "$ownFolder" ]] && (( ${folderRank[$tf]} > ${folderRank[$ownFolder]} )); then
      complain "$file:$n: core file of $ownFolder/ includes $target, a core file of $tf/ above it"
    fi
  done < "$file"
}

for folder in resources meterlink shell displays logger; do
  while IFS= read -r -d '' file; do
    file=${file#./}
    check_file "$file" "$(layer_of "$file")" "$folder" 4
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done
if [[ -d tools/dmm-sim ]]; then
  while IFS= read -r -d '' file; do
    check_file "${file#./}" core "" 0
  done < <(find tools/dmm-sim -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
fi
if [[ -d tools/dmmlog ]]; then
  while IFS= read -r -d '' file; do
    check_file "${file#./}" windows "" 3
  done < <(find tools/dmmlog -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
fi
exit $status
