#!/usr/bin/env bash
# Builds the benchmarks optimised, without sanitizers, and runs them on a
# tmpfs folder (/dev/shm). Each benchmark reports its ratio to the natural limit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_SANITIZE=OFF
cmake --build build-bench -j "$(nproc)"
export VORNIX_BENCH_DIR=${VORNIX_BENCH_DIR:-/dev/shm}
for b in build-bench/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
