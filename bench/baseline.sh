#!/usr/bin/env bash
# Builds bench_process from another commit (default: the one before HEAD), for bench/run.sh
# to time beside this one on the same books: TAVELO_BENCH_BASELINE=DIR/bench_process.
#
# usage: bench/baseline.sh [REV [DIR]]   (DIR default: build-baseline)
# The tool is this commit's, built on the older engine and rules; an engine without the
# row scans is searched row by row, as its windows did.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rev=${1:-HEAD~1}
dir=${2:-$root/build-baseline}
sha=$(git -C "$root" rev-parse "$rev")

mkdir -p "$dir"
rm -rf "$dir/src"
git -C "$root" worktree prune
git -C "$root" worktree add --detach "$dir/src" "$sha" >/dev/null
trap 'git -C "$root" worktree remove --force "$dir/src" >/dev/null 2>&1 || true' EXIT
cp "$root/bench/whole_process.cpp" "$dir/src/bench/"
flags=
if ! grep -q "scanRows" "$dir/src/store/DataBooks.h"; then
  flags=-DTAVELO_ROW_BY_ROW
fi
if ! grep -q "bench_process" "$dir/src/bench/CMakeLists.txt"; then
  cat >> "$dir/src/bench/CMakeLists.txt" <<'CMAKE'
add_executable(bench_process whole_process.cpp)
target_include_directories(bench_process PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(bench_process PRIVATE tavelo_ledger tavelo_bench_books)
CMAKE
fi
cmake -S "$dir/src" -B "$dir/build" -DTAVELO_BUILD_BENCH=ON -DTAVELO_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$dir/build" --target bench_process -j "$(nproc)" >/dev/null
cp "$dir/build/bench/bench_process" "$dir/bench_process"
echo "$dir/bench_process: bench_process of $(git -C "$root" log -1 --format='%h %s' "$sha")"
