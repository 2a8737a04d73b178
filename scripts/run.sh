#!/usr/bin/env bash
# Builds the system and runs its main job as far as it exists: a simulated
# scan session once the session API is in place; until then the
# deliverables that are built are listed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)"
if [ -x scripts/scan-session.sh ]; then
  exec bash scripts/scan-session.sh build-run "$@"
fi
echo "built:"
ls build-run/bin
