#!/usr/bin/env bash
# check_layer_symbols.sh <export list> <archive or object>...: none of the
# given archives or objects refers to an export of the list, however it was
# declared (the export header, a relative include, a prototype of its own).
set -euo pipefail
list=$1
shift
exports=$(sed 's/#.*//' "$list" | awk 'NF==3 { n=$2; sub(/@[0-9]+$/, "", n); print n }' | sort -u)
status=0
for file in "$@"; do
  used=$(nm --undefined-only --format=posix "$file" 2>/dev/null | awk '{ print $1 }' | sort -u)
  calls=$(comm -12 <(echo "$exports") <(echo "$used"))
  if [ -n "$calls" ]; then
    for name in $calls; do echo "$(basename "$file") calls the export $name"; done
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "no export called from $# libraries"
exit "$status"
