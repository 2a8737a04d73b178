#!/usr/bin/env bash
# Builds a release of the system into build-run/ and starts the viewer on the
# given image file (or its test pattern) when a display is present; otherwise
# it lists what was built.
#   bash scripts/run.sh [image file]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build-run/bin/vornixview "$@"
fi
echo "No display: not starting vornixview. Built:"
ls build-run/bin
