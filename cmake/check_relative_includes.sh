#!/usr/bin/env bash
# check_relative_includes.sh <folder>...: no shipped source (tests aside)
# includes with a path that climbs out of its folder ("../"), which would
# reach past the include folders a target is given.
set -euo pipefail
found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\.\./' \
          --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' \
          --exclude-dir=tests "$@" || true)
if [ -n "$found" ]; then
  echo "includes that climb out of their folder:"
  echo "$found"
  exit 1
fi
echo "no include climbs out of its folder"
