#!/usr/bin/env bash
# Starts the program under a virtual X display and takes a picture of the screen, to see
# the windows as a user would: scripts/screenshot.sh PROGRAM_DIR OUT.png [SECONDS]
set -euo pipefail
dir="$1"
out="$2"
wait="${3:-3}"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    env -u QT_QPA_PLATFORM "$1/tavelo" & pid=$!
    sleep "$3"
    import -window root "$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' _ "$dir" "$out" "$wait"
