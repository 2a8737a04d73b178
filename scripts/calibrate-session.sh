#!/usr/bin/env bash
# Answers calibrate through ptydrive as a technician at its terminal would:
# the scan mode, Esc once the plate has passed and its image waits (status
# bits 0-7 set, transport stopped; Esc ends the scan when no plate came
# within 15 s, or no image within 20 s more), Y when the new file is
# offered, a key at the end; prints its output as the terminal shows it and ends with
# calibrate's exit status. The answers stop when calibrate ends or asks
# "[Press any key to end]" (Enter).
#   bash scripts/calibrate-session.sh <folder holding calibrate and ptydrive> [mode]
set -euo pipefail
bin="$1"
mode="${2:-2}"
exec "$bin/ptydrive" --timeout 120 --end-on "[Press any key to end]" \
  --expect "Select mode: " --send "$mode\\r" \
  --try 15 --expect "Press any key when done..." \
  --try 20 --expect-re 'Status = [01]{4}0[01]0[01] [01]{8} [01]{8} 0*1' --send '\e' \
  --expect "Set this as the new calibration file? " --send 'y' \
  --expect "Done." -- "$bin/calibrate"
