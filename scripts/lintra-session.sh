#!/usr/bin/env bash
# Answers lintra through ptydrive as a user at its terminal would: the scan
# mode, Esc once the plates have passed (the transport ran and stopped, status
# bits 25 and 27; after 15 s when no plate comes), Esc again; prints its
# output as the terminal shows it and ends with lintra's exit status. The
# answers stop when lintra ends or asks "[Press any key to end]" (Enter).
#   bash scripts/lintra-session.sh <folder holding lintra and ptydrive> [mode]
set -euo pipefail
bin="$1"
mode="${2:-1}"
exec "$bin/ptydrive" --timeout 120 --end-on "[Press any key to end]" \
  --expect "Select mode: " --send "$mode\\r" \
  --expect "[Press <ESC> to deactivate]" \
  --try 15 --expect-re 'Status = [01]{6}1' --expect-re 'Status = [01]{4}0[01]0' --send '\e' \
  --expect "[Press <ESC> to finish]" --send '\e' \
  --expect "Scanner closed." -- "$bin/lintra"
