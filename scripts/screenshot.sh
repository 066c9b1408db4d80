#!/usr/bin/env bash
# Starts the program under a virtual X display and takes a picture of the screen, to see
# the windows as a user would:
#   scripts/screenshot.sh PROGRAM OUT.png [SECONDS [TITLES [ACTION]]]
# PROGRAM is the program folder (its tavelo is started) or the program itself. TITLES, if
# given, is a file that gets the titles of the windows on screen, one a line. ACTION, if
# given, is a shell command run on the display before the picture is taken (xdotool ...).
set -euo pipefail
program="$1"
[[ -d "$program" ]] && program="$program/tavelo"
out="$2"
wait="${3:-3}"
titles="${4:-/dev/null}"
action="${5:-true}"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    env -u QT_QPA_PLATFORM "$1" & pid=$!
    sleep "$3"
    eval "$5"
    import -window root "$2"
    for window in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        xdotool getwindowname "$window"
    done >"$4"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' _ "$program" "$out" "$wait" "$titles" "$action"
