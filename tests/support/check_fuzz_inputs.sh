#!/usr/bin/env bash
# Usage: check_fuzz_inputs.sh SOURCE_DIR SCRATCH TARGET:SIZE...
# Fails unless scripts/fuzz gives TARGET inputs of at least SIZE bytes and a seed of
# exactly SIZE bytes (the real size of a file the target reads) kept in the corpus from the
# start, unless every target fuzz/CMakeLists.txt builds has its row in fuzz/targets, and
# unless every target has a seed as long as its longest input.
set -euo pipefail
src=$1 scratch=$2
shift 2
rm -rf "$scratch"
status=0
for target in $(sed -n 's/^kravin_add_fuzzer(\([A-Za-z0-9_]*\) .*/\1/p' "$src/fuzz/CMakeLists.txt"); do
  if ! awk -v t="$target" '$1 == t {found = 1} END {exit !found}' "$src/fuzz/targets"; then
    echo "$target: no row in fuzz/targets"
    status=1
  fi
done
# Every target starts from a seed as long as its longest input.
while read -r target max_len _; do
  case $target in '' | '#'*) continue ;; esac
  KRAVIN_FUZZ_BUILD_DIR="$scratch" "$src/scripts/fuzz" --dry-run "$target" 1 >/dev/null
  if ! find "$scratch/seeds/$target" -type f -size "${max_len}c" | grep -q .; then
    echo "$target: no seed as long as its longest input ($max_len bytes)"
    status=1
  fi
done <"$src/fuzz/targets"
for pair in "$@"; do
  target=${pair%%:*} size=${pair##*:}
  line=$(KRAVIN_FUZZ_BUILD_DIR="$scratch" "$src/scripts/fuzz" --dry-run "$target" 1)
  max_len=$(grep -oE -- '-max_len=[0-9]+' <<<"$line" | cut -d= -f2)
  if [ -z "$max_len" ] || [ "$max_len" -lt "$size" ]; then
    echo "$target: longest input ${max_len:-4096 (the default)} is shorter than its $size-byte file"
    status=1
  fi
  for option in -keep_seed=1 -len_control=0; do
    if ! grep -q -- " $option " <<<" $line "; then
      echo "$target: the fuzzer is not run with $option (full-size seeds dropped or reached late)"
      status=1
    fi
  done
  if ! find "$scratch/seeds/$target" -type f -size "${size}c" | grep -q .; then
    echo "$target: no seed of $size bytes"
    status=1
  fi
done
rm -rf "$scratch"
exit $status
