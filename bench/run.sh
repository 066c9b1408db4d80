#!/usr/bin/env bash
# Generates the benchmark books once, then times our engine, openpyxl, orcus and a bare
# inflate of the sheet on the same files, and the database engine on a private PostgreSQL
# server started for the run, and prints the figures beside their targets.
#
# usage: bench/run.sh [BUILD_DIR]   (default build-bench, configured -DTAVELO_BUILD_BENCH=ON)
# BENCH_RUNS=N sets how many runs of each external tool the medians are taken from.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
bin=$build/bench
runs=${BENCH_RUNS:-3}
# Debian's interpreter: openpyxl comes from its packages, not from whatever is first on PATH.
py=/usr/bin/python3

for tool in bench_books bench_process store_bench bench_open_journal ui_bench entry_bench ledger_bench kucun_bench report_bench legacy_bench fenxi_bench receipt_bench database_bench; do
  if [ ! -x "$bin/$tool" ]; then
    echo "missing $bin/$tool: build with -DTAVELO_BUILD_BENCH=ON first (make bench)" >&2
    exit 1
  fi
done
for tool in orcus-xlsx unzip /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tavelo-bench-XXXXXX")
trap 'bash "$root/scripts/pg-cluster.sh" stop "$work/pg" >/dev/null || true; rm -rf "$work"' EXIT

echo "== generating the books"
"$bin/bench_books" "$work/books"

echo "== our engine (median of 5 repetitions)"
"$bin/store_bench" --books="$work/books" --benchmark_filter='^BM_(Open|Scan|Append|Save)' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/engine.json" --benchmark_out_format=json

echo "== deflate and inflate of the sheet (median of 3 repetitions)"
"$bin/store_bench" --books="$work/books" --benchmark_filter='^BM_(Deflate|Inflate)Sheet' \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/deflate.json" --benchmark_out_format=json

echo "== peak memory of opening the journal"
/usr/bin/time -v "$bin/bench_open_journal" "$work/books/tvchuku.dat" 2>"$work/peak.txt"
grep "Maximum resident set size" "$work/peak.txt"

echo "== the string grid, offscreen (median of 3 repetitions)"
"$bin/ui_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== the stock-in and stock-out windows on 10,000 and 100,000 items (fetch, scan, posting), and the journal search on 100,000 records read afresh and kept, offscreen (median of 3 repetitions)"
"$bin/entry_bench" --benchmark_filter='^BM_(Stock|Search|Profit)' --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true 2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== the same postings through the ledger alone, no window (median of 3 repetitions)"
"$bin/ledger_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

echo "== the inventory query on 10,000 and 100,000 items, offscreen (median of 3 repetitions)"
"$bin/kucun_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== the export and printouts of 100,000 records, and a sales bill of 30 lines, offscreen (median of 3 repetitions)"
"$bin/report_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== the sales analysis of 100,000 records by month and by day, the charts painted, offscreen (median of 3 repetitions; target under 500 ms)"
"$bin/fenxi_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR\|propagateSizeHints'

echo "== a till receipt of 30 lines: drawn, rasterised and encoded as ESC/POS at 58 and 80 mm, and as a driver's page (median of 3 repetitions)"
"$bin/receipt_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== converting a stock-in journal of 100,000 records from the older binary format (median of 3 repetitions)"
"$bin/legacy_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

echo "== the database engine beside the workbook engine: 20-line postings, the journal search, the sales analysis, four tills at once (median of 3 repetitions)"
# Run as root, the server runs as nobody, who must reach its folder through ours.
chmod go+x "$work"
bash "$root/scripts/pg-cluster.sh" start "$work/pg" >/dev/null
"$bin/database_bench" --cluster="$work/pg" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/database.json" --benchmark_out_format=json

echo "== a sale at the till, files, database and offline: the last scan to the payment dialog shown (to_dialog_ms), and the payment to the receipt handed on (to_receipt_ms; offline, the sale flushed to the outbox on the way); targets 300 ms in all on the files, 100 ms on the database, 50 ms from the payment on offline (median of 3 repetitions); BM_SendOutbox above is 1,000 queued sales sent"
TAVELO_BENCH_CONNINFO=$(cat "$work/pg/conninfo") "$bin/entry_bench" --benchmark_filter='^BM_Till' \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  2>&1 | grep -v '^qt\.\|XDG_RUNTIME_DIR'

echo "== side by side"
"$py" "$root/bench/compare.py" --work "$work" --runs "$runs"

echo "== whole processes on shops of 100,000 and 1,000,000 records, beside the previous commit and openpyxl"
# TAVELO_BENCH_BASELINE: a bench_process to compare with; unset, the previous commit's is
# built (bench/baseline.sh); "none" leaves it out.
baseline=${TAVELO_BENCH_BASELINE:-}
if [ -z "$baseline" ]; then
  bash "$root/bench/baseline.sh" HEAD~1 "$build/baseline"
  baseline=$build/baseline/bench_process
fi
beside=()
if [ "$baseline" != none ]; then
  beside=(--baseline "$baseline")
fi
"$bin/bench_books" "$work/shop100k" 100000 10000 shop
"$bin/bench_books" "$work/shop1m" 1000000 10000 shop
"$py" "$root/bench/processes.py" --work "$work" --ours "$bin/bench_process" "${beside[@]}" \
  --runs "${BENCH_PROCESS_RUNS:-5}"
