#!/usr/bin/env bash
# Lays out the program directory: the four data books, written only where they do not
# exist yet, so that a shop's books are never replaced.
set -euo pipefail
build="$1"
dist="$2"
mkdir -p "$dist"
"$build/tools/mkbooks" "$dist"
echo "The data books are in $dist/. The program's windows come with the next step of the build."
