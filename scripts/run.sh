#!/usr/bin/env bash
# Builds a release of the system into build-run/ and runs its main job: the
# console lintra takes a scan session on the simulated scanner with the
# default scenario (simulator/scenarios/intraoral_plates.ini, or the scenario
# file given) and prints what it made; then the first image is shown in
# vornixview when a display is present.
# With a terminal you answer lintra yourself (pick the mode, press Esc as it
# asks); without one, ptydrive answers it: mode 1, Esc once the plates have
# passed, Esc again.
#   bash scripts/run.sh [scenario file]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)"

scenario="$(realpath "${1:-simulator/scenarios/intraoral_plates.ini}")"
out="$(pwd)/build-run/session"
rm -rf "$out"
mkdir -p "$out/Images"
# The ini file beside the library (where it looks when the registry names
# none): the default modes, with images, temporary file and log kept in $out.
awk -v out="$out" '{ print } /^\[Scanner\]/ { print "ImagePath=" out "/Images"; print "TempFile=" out "/Tarvel.tmp"; print "Logfile=" out "/Tarvel" }' \
  simulator/scenarios/Tarvel.ini >build-run/bin/Tarvel.INI
export VORNIX_SCANNER_SIM="$scenario" VORNIX_REGISTRY_DIR="$out/registry"

if [ -t 0 ] && [ -t 1 ]; then
  build-run/bin/lintra || true
else
  bash scripts/lintra-session.sh build-run/bin 1
fi
echo "Session log: $out/Tarvel.log"
first=$(find "$out/Images" -maxdepth 1 -name 'KP*.QEW' | sort | head -n 1)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -n "$first" ]; then
  exec build-run/bin/vornixview "$first"
fi
echo "No display: not starting vornixview."
