#!/usr/bin/env bash
# check_exports.sh <library> <export list>: the library's dynamic symbol table
# defines exactly the names of the list (stdcall decorations stripped), every
# ordinal once, every decoration equal to 4 x the argument count.
set -euo pipefail
lib=$1 list=$2
want=$(sed 's/#.*//' "$list" | awk 'NF==3 { n=$2; sub(/@[0-9]+$/, "", n); print n }' | sort)
dups=$(sed 's/#.*//' "$list" | awk 'NF==3 { print $1 }' | sort | uniq -d)
if [ -n "$dups" ]; then echo "duplicate ordinals: $dups"; exit 1; fi
bad=$(sed 's/#.*//' "$list" | awk 'NF==3 && $2 ~ /@[0-9]+$/ { d=$2; sub(/^.*@/, "", d); if (d != 4*$3) print $2 }')
if [ -n "$bad" ]; then echo "decoration does not match argument count: $bad"; exit 1; fi
have=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVW]$/ { print $3 }' | sed 's/@.*//' | sort)
if [ "$want" != "$have" ]; then
  echo "exports of $lib differ from $list:"
  diff <(echo "$want") <(echo "$have") || true
  exit 1
fi
echo "$(echo "$want" | wc -l) exports match"
