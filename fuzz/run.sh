#!/usr/bin/env bash
# Runs the reader's fuzzer for a number of seconds on the seeds here plus a fresh set of
# books written by mkbooks. Usage: run.sh FUZZ_BINARY SECONDS [MKBOOKS]
set -euo pipefail
fuzzer="$(realpath "$1")"
seconds="$2"
mkbooks="$(realpath -m "${3:-$(dirname "$fuzzer")/../tools/mkbooks}")"
here="$(cd "$(dirname "$0")" && pwd)"
artifacts="$(realpath -m "${FUZZ_ARTIFACTS:-$PWD}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/books"
cp "$here"/seeds/* "$work/corpus/"
if [ -x "$mkbooks" ]; then
  "$mkbooks" "$work/books" >/dev/null
  cp "$work/books"/*.dat "$work/corpus/"
fi
cd "$work"
"$fuzzer" -artifact_prefix="$artifacts/" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus 2>&1 | tail -n 12
