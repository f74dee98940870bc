#!/usr/bin/env bash
# Usage: check_exports.sh HEADER LIBRARY
# Fails unless every KRAVINA_API function of HEADER is a defined dynamic symbol of LIBRARY
# under its plain C name, and the library exports no other function.
set -euo pipefail
header=$1 lib=$2
declared=$(grep -oE 'KRAVINA_API [a-z ]+\b(KRAVinA_[A-Za-z0-9_]+)\(' "$header" | grep -oE 'KRAVinA_[A-Za-z0-9_]+' | sort -u)
exported=$(nm -D --defined-only "$lib" | awk '$2 == "T" {print $3}' | sort -u)
[ -n "$declared" ] || { echo "no exports declared in $header"; exit 1; }
missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
extra=$(comm -13 <(echo "$declared") <(echo "$exported") | grep -vE '^_(init|fini)$' || true)
if [ -n "$missing" ] || [ -n "$extra" ]; then
  [ -n "$missing" ] && echo "declared but not exported:" && echo "$missing"
  [ -n "$extra" ] && echo "exported but not declared:" && echo "$extra"
  exit 1
fi
echo "$(echo "$declared" | wc -l) exports checked"
