#!/usr/bin/env bash
# Builds a release of the system into build-run/ and runs its main job: a
# scan session on the simulated scanner with the default scenario
# (simulator/scenarios/intraoral_plates.ini, or the scenario file given),
# which prints the images it made; then shows the first image in vornixview
# when a display is present.
#   bash scripts/run.sh [scenario file]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)"

scenario="$(realpath "${1:-simulator/scenarios/intraoral_plates.ini}")"
out="$(pwd)/build-run/session"
rm -rf "$out"
first=$(VORNIX_SCANNER_SIM="$scenario" VORNIX_REGISTRY_DIR="$out/registry" \
  build-run/bin/scansession --ini simulator/scenarios/Tarvel.ini --images "$out/Images" | tee /dev/stderr | tail -n 1)
echo "Session log: $out/Images/Tarvel.log"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -f "$first" ]; then
  exec build-run/bin/vornixview "$first"
fi
echo "No display: not starting vornixview."
