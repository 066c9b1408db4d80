#!/usr/bin/env bash
# Lays out the program directory and starts the program. The data books are written only
# where they do not exist yet, so that a shop's books are never replaced.
set -euo pipefail
build="$1"
dist="$2"
mkdir -p "$dist"
install -m 755 "$build/app/tavelo" "$dist/tavelo"
# The program starts it from its own folder to convert books in the older format.
install -m 755 "$build/tools/convert-legacy" "$dist/convert-legacy"
# "软件教程" opens it when the folder holds no help file of its own.
rm -rf "$dist/manual"
cp -r "$(dirname "$0")/../docs/manual" "$dist/manual"
"$build/tools/mkbooks" "$dist"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display here (DISPLAY is not set): the program is ready in $dist/; start $dist/tavelo from a desktop session, or under xvfb-run -a."
    exit 0
fi
exec "$dist/tavelo"
