#!/usr/bin/env bash
# The real program on a real (virtual) X display: it starts with the xcb platform, stays
# up, and draws its main window with its pictures and text.
set -euo pipefail
program="$1"
mkbooks="$2"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$program" "$dir/tavelo"
"$mkbooks" "$dir" >/dev/null
bash "$(dirname "$0")/../../scripts/screenshot.sh" "$dir" "$dir/screen.png" 3
# A blank or crashed start leaves a screen of one or two colours; the main window with its
# pictures and Song-face captions has thousands.
colours=$(identify -format '%k' "$dir/screen.png")
echo "colours on screen: $colours"
[[ "$colours" -gt 1000 ]]
# Nothing was written beside the books at start-up.
ls "$dir" | sort | tr '\n' ' '
[[ "$(ls "$dir" | grep -vc -e '^tv.*\.dat$' -e '^tavelo$' -e '^screen.png$')" -eq 0 ]]
# --help and --version answer on the terminal, without a display, and open no window.
env -u DISPLAY -u QT_QPA_PLATFORM "$program" --version | grep -qx "Tavelo进销存门店版 [0-9.]*"
env -u DISPLAY -u QT_QPA_PLATFORM "$program" --help | grep -q "^用法：tavelo \[--dir 文件夹\]"
