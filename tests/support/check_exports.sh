#!/usr/bin/env bash
# Usage: check_exports.sh MACRO LIBRARY HEADER...
# Fails unless every function the headers declare with MACRO is a defined dynamic symbol
# of LIBRARY under its plain C name, and the library exports no other function.
set -euo pipefail
macro=$1 lib=$2
shift 2
declared=$(cat "$@" | tr '\n' ' ' | grep -oE "$macro [A-Za-z_ ]+[ *]+[A-Za-z_][A-Za-z0-9_]*\(" \
  | sed -E 's/\($//; s/.*[ *]//' | sort -u)
exported=$(nm -D --defined-only "$lib" | awk '$2 == "T" {print $3}' | sort -u)
[ -n "$declared" ] || { echo "no exports declared with $macro"; exit 1; }
missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
extra=$(comm -13 <(echo "$declared") <(echo "$exported") | grep -vE '^_(init|fini)$' || true)
if [ -n "$missing" ] || [ -n "$extra" ]; then
  [ -n "$missing" ] && echo "declared but not exported:" && echo "$missing"
  [ -n "$extra" ] && echo "exported but not declared:" && echo "$extra"
  exit 1
fi
echo "$(echo "$declared" | wc -l) exports checked"
