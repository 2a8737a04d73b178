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
# the ini file (scripts/Tarvel.ini with the session's folders), images,
# temporary file, log, calibration files and registry.
#   bash scripts/run.sh [--calibrate] [scenario file]
# VORNIX_RUN_BUILD_DIR names a build folder whose bin/ already holds the
# programs (the tests' build): nothing is installed or built then, and the
# sessions go into its sessions/.
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
here="$PWD"
named="${1:-}"  # the scenario as given: messages name it so
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
if [ -n "${VORNIX_RUN_BUILD_DIR:-}" ]; then
  build="$(realpath "$VORNIX_RUN_BUILD_DIR")"
else
  build="$root/build-run"
  bash scripts/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BENCH=OFF >/dev/null
  # The deliverables and the tools run here (target run_command), no tests.
  cmake --build "$build" -j "$(nproc)" --target run_command
fi
bin="$build/bin"

# A scenario the simulated scanner cannot read whole is refused here, before
# the session starts.
if ! wrong=$(cd "$here" && "$bin/scenariocheck" "${named:-$scenario}" 2>&1); then
  echo "run.sh: the scenario file cannot be used: $wrong" >&2
  exit 2
fi

# The next free session folder (mkdir claims it, so two runs never share one).
mkdir -p "$build/sessions"
n=1
while ! mkdir "$build/sessions/$(printf '%03d' "$n")" 2>/dev/null; do n=$((n + 1)); done
out="$build/sessions/$(printf '%03d' "$n")"
ini="$out/Tarvel.INI"
log="$out/Tarvel.log"
mkdir -p "$out/Images" "$out/Calibration" "$out/registry"
# The default modes, with this session's folders.
awk -v out="$out" '{ print } /^\[Scanner\]/ { print "ImagePath=" out "/Images"; print "TempFile=" out "/Tarvel.tmp";
  print "Logfile=" out "/Tarvel"; print "CalibrationPath=" out "/Calibration" }' scripts/Tarvel.ini >"$ini"
# The registry names the ini file (value IniFile of the driver's key).
hex=$(printf '%s' "$ini" | od -An -v -tx1 | tr -d ' \n')
printf 'VORNIXREG 1\nK Software\\Kessmar\\Tarvel\nV 1 IniFile %s\n' "$hex" >"$out/registry/HKEY_LOCAL_MACHINE.reg"
export VORNIX_SCANNER_SIM="$scenario" VORNIX_REGISTRY_DIR="$out/registry"
echo "Session folder: $out"
echo "Scenario: $scenario"

# The driver's temporary file goes with the session, also when the console
# is interrupted (Ctrl-C ends this script too).
trap 'rm -f "$out/Tarvel.tmp"' EXIT
trap 'rm -f "$out/Tarvel.tmp"; trap - INT; kill -INT $$' INT
trap 'rm -f "$out/Tarvel.tmp"; trap - TERM; kill -TERM $$' TERM
trap 'rm -f "$out/Tarvel.tmp"; trap - HUP; kill -HUP $$' HUP

if [ -t 0 ] && [ -t 1 ]; then
  "$bin/$tool" || true
else
  bash "scripts/$tool-session.sh" "$bin" || true
fi
rm -f "$out/Tarvel.tmp"
echo
# Only what the session left is named: the log exists once a session opened.
see="see the console's output above"
[ -f "$log" ] && see="$see and the session log $log"
# Why the session made nothing, when it did not come to a scan: no log, no
# session was opened; a log without activation, the open failed.
no_scan() {
  if [ ! -f "$log" ]; then
    echo "no mode was chosen, so no scan session was opened"
  elif ! grep -q 'Aktivate_Scanner' "$log"; then
    echo "the scanner could not be opened"
  fi
}
images=$(find "$out/Images" -maxdepth 1 -name 'KP*.QEW' | sort)
count=0
[ -z "$images" ] || count=$(echo "$images" | wc -l)

if [ "$tool" = calibrate ]; then
  filed=$(find "$out/Calibration" -maxdepth 1 -name '*.kor' | sort | head -n 1)
  if [ -z "$filed" ]; then
    why=$(no_scan)
    if [ -n "$why" ]; then
      echo "No normalization file: $why; $see."
    elif [ "$count" -eq 0 ]; then
      echo "No normalization file: the scan made no image; $see."
    else
      echo "No normalization file: calibrate could not make one of the image in $out/Images; $see."
    fi
    exit 1
  fi
  echo "Normalization file: $filed"
  line=$(grep -i '^[[:space:]]*Kalibrierdaten[[:space:]]*=' "$ini" || true)
  echo "Ini file $ini: ${line:-no Kalibrierdaten (the file was not taken as the calibration)}"
  echo "Session log: $log"
  exit 0
fi

if [ "$count" -eq 0 ]; then
  why=$(no_scan)
  if [ -n "$why" ]; then
    echo "No image: $why; $see."
  else
    echo "No image was made; $see, and the scenario's header comment."
  fi
  exit 1
fi
echo "Images made: $count, in $out/Images"
[ -f "$log" ] && echo "Session log: $log"
first=$(echo "$images" | head -n 1)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: not starting vornixview."
  exit 0
fi
if [ ! -x "$bin/vornixview" ]; then
  echo "vornixview was not built: not showing $first."
  exit 0
fi
# A viewer that cannot start (a display that cannot be reached) costs the
# run nothing: one line says so, and the run ends with its own status.
# (The group's own stderr takes the shell's note of a program that aborted.)
messages="$out/vornixview.err"
if { "$bin/vornixview" "$first" 2>"$messages"; } 2>/dev/null; then
  rm -f "$messages"
  exit 0
fi
why=$(grep -m 1 -v '^[[:space:]]*$' "$messages" || true)
rm -f "$messages"
echo "vornixview could not show $first${why:+ ($why)}."
exit 0
