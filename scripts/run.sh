#!/usr/bin/env bash
# Builds a release of the system into build-run/ and runs its main job on the
# simulated scanner: the console lintra takes a scan session with the default
# scenario (simulator/scenarios/intraoral_plates.ini, or the scenario file
# given, relative to the current folder) and prints what it made; then the
# first image is shown in vornixview when a display is present.
# With --calibrate, calibrate scans the flat field of
# simulator/scenarios/flat_field.ini (or the scenario given) in the 100 um
# mode, files the normalization file and enters it as Kalibrierdaten.
# With a terminal you answer the console yourself; without one, ptydrive
# answers it (scripts/lintra-session.sh, scripts/calibrate-session.sh).
# Each run keeps its session in a folder of its own under build-run/sessions/:
# the ini file, images, temporary file, log, calibration files and registry.
#   bash scripts/run.sh [--calibrate] [scenario file]
set -euo pipefail
usage() {
  echo "usage: bash scripts/run.sh [--calibrate] [scenario file]" >&2
  exit 2
}
tool=lintra
if [ "${1:-}" = "--calibrate" ]; then
  tool=calibrate
  shift
fi
[ $# -le 1 ] || usage
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -eq 1 ]; then
  case "$1" in -*) usage ;; esac
  if [ ! -f "$1" ] || [ ! -r "$1" ]; then
    echo "run.sh: cannot read the scenario file '$1'" >&2
    exit 2
  fi
  scenario="$(realpath "$1")"
elif [ "$tool" = calibrate ]; then
  scenario="$root/simulator/scenarios/flat_field.ini"
else
  scenario="$root/simulator/scenarios/intraoral_plates.ini"
fi

cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)"

# The next free session folder (mkdir claims it, so two runs never share one).
mkdir -p build-run/sessions
n=1
while ! mkdir "build-run/sessions/$(printf '%03d' "$n")" 2>/dev/null; do n=$((n + 1)); done
out="$root/build-run/sessions/$(printf '%03d' "$n")"
ini="$out/Tarvel.INI"
mkdir -p "$out/Images" "$out/Calibration" "$out/registry"
# The default modes, with this session's folders.
awk -v out="$out" '{ print } /^\[Scanner\]/ { print "ImagePath=" out "/Images"; print "TempFile=" out "/Tarvel.tmp";
  print "Logfile=" out "/Tarvel"; print "CalibrationPath=" out "/Calibration" }' simulator/scenarios/Tarvel.ini >"$ini"
# The registry names the ini file (value IniFile of the driver's key).
hex=$(printf '%s' "$ini" | od -An -v -tx1 | tr -d ' \n')
printf 'VORNIXREG 1\nK Software\\Kessmar\\Tarvel\nV 1 IniFile %s\n' "$hex" >"$out/registry/HKEY_LOCAL_MACHINE.reg"
export VORNIX_SCANNER_SIM="$scenario" VORNIX_REGISTRY_DIR="$out/registry"
echo "Session folder: $out"
echo "Scenario: $scenario"

status=0
if [ -t 0 ] && [ -t 1 ]; then
  "build-run/bin/$tool" || status=$?
else
  bash "scripts/$tool-session.sh" build-run/bin || status=$?
fi
echo
echo "Session log: $out/Tarvel.log"

if [ "$tool" = calibrate ]; then
  filed=$(find "$out/Calibration" -maxdepth 1 -name '*.kor' | sort | head -n 1)
  if [ -z "$filed" ]; then
    echo "No normalization file was filed (calibrate ended with status $status): see its output above and the session log."
    exit 1
  fi
  echo "Normalization file: $filed"
  line=$(grep -i '^[[:space:]]*Kalibrierdaten[[:space:]]*=' "$ini" || true)
  echo "Ini file $ini: ${line:-no Kalibrierdaten (the file was not taken as the calibration)}"
  exit 0
fi

images=$(find "$out/Images" -maxdepth 1 -name 'KP*.QEW' | sort)
if [ -z "$images" ]; then
  echo "No image was made (lintra ended with status $status): see its output above, the session log and the"
  echo "scenario's header comment."
  exit 1
fi
echo "Images in $out/Images: $(echo "$images" | wc -l)"
first=$(echo "$images" | head -n 1)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  if [ -x build-run/bin/vornixview ]; then
    exec build-run/bin/vornixview "$first"
  fi
  echo "vornixview was not built: not showing $first."
else
  echo "No display: not starting vornixview."
fi
