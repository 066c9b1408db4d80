#!/usr/bin/env bash
# Runs a reader's fuzzer for a number of seconds on the seeds here plus a fresh set of
# books written by mkbooks, or for the old-format reader on old-format books made here.
# Usage: run.sh FUZZ_BINARY SECONDS [MKBOOKS]
set -euo pipefail
fuzzer="$(realpath "$1")"
seconds="$2"
mkbooks="$(realpath -m "${3:-$(dirname "$fuzzer")/../tools/mkbooks}")"
here="$(cd "$(dirname "$0")" && pwd)"
artifacts="$(realpath -m "${FUZZ_ARTIFACTS:-$PWD}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/books"
options=()
if [ "$(basename "$fuzzer")" = fuzz_legacy ]; then
  # Books in the older format, made here and small enough for the input limit.
  legacy="$here/../tests/legacy"
  perl "$legacy/biff5.pl" "$work/corpus/biff5.xls"
  /usr/bin/python3 "$legacy/make_old_books.py" shop "$work/books" >/dev/null
  /usr/bin/python3 "$legacy/make_old_books.py" lo-formulas "$work/corpus/formulas.xls" >/dev/null
  cp "$work/books"/*.dat "$work/corpus/"
  # The container library leaks a few bytes on some damaged files; the converter is a
  # process that exits at once, so they are not findings here.
  options+=(-detect_leaks=0)
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
else
  cp "$here"/seeds/* "$work/corpus/"
  if [ -x "$mkbooks" ]; then
    "$mkbooks" "$work/books" >/dev/null
    cp "$work/books"/*.dat "$work/corpus/"
  fi
fi
cd "$work"
"$fuzzer" -artifact_prefix="$artifacts/" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  "${options[@]}" -print_final_stats=1 corpus 2>&1 | tail -n 12
