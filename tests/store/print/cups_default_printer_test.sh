#!/usr/bin/env bash
# Prints through the real system path: QtSheetPrinter with no print target asks Qt for the
# default printer, Qt asks CUPS, and the job must come out of a queue. The scheduler is a
# throw-away one of our own (private_cups.sh). Its queue writes jobs to a file through the
# Generic PDF driver, whose output keeps the text layer, so the job's content can be read
# back.
#
# usage: cups_default_printer_test.sh [--expect TEXT]... JOB_NAME JOB_COMMAND [ARG...]
#
# JOB_COMMAND, given "no-printer" or "print QUEUE" after its own arguments, must fail to
# print for want of a default printer, or print one page on QUEUE; the job must carry
# JOB_NAME and its text every TEXT (runs of blanks count as one).
set -euo pipefail

expected=()
while [ "${1:-}" = --expect ]; do
    expected+=("$2")
    shift 2
done
[ $# -ge 2 ] || { echo "usage: $0 [--expect TEXT]... JOB_NAME JOB_COMMAND [ARG...]"; exit 2; }
job_name=$1
shift
job_program=("$@")
queue=TaveloTest
ppd=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd
PATH=$PATH:/usr/sbin:/sbin

for tool in pdftotext pdfinfo python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 1; }
done
[ -r "$ppd" ] || { echo "missing $ppd: run scripts/install-deps.sh"; exit 1; }

source "$(dirname "$0")/private_cups.sh"

# A scheduler without queues: there is nothing to print on, and print() must say so.
client "${job_program[@]}" no-printer

client lpadmin -p "$queue" -E -v "file:$dir/out/job.pdf" -P "$ppd" 2>"$dir/log/lpadmin.err" ||
    { cat "$dir/log/lpadmin.err"; exit 1; }
# A queue that is not the default is not taken for one: the job would land on a printer
# the shop never chose.
client "${job_program[@]}" no-printer
client lpadmin -d "$queue"

client "${job_program[@]}" print "$queue"

await_one_job "$queue"

# The driver wraps the PDF in PJL job commands, as a printer would receive it; poppler reads
# through that envelope.
out=$dir/out/job.pdf
[ -s "$out" ] || { echo "the queue wrote no output"; exit 1; }
head -c 2048 "$out" >"$dir/out/envelope"
grep -aq '^%PDF-' "$dir/out/envelope" || { echo "the output holds no PDF"; exit 1; }
grep -aqF "@PJL JOB NAME = \"$job_name\"" "$dir/out/envelope" ||
    { echo "the job does not carry the book's name"; exit 1; }
info=$(pdfinfo "$out")
grep -q '^Pages: *1$' <<<"$info" || { echo "expected one page:"; echo "$info"; exit 1; }
grep -q '^Page size:.*(A4)' <<<"$info" || { echo "expected an A4 page:"; echo "$info"; exit 1; }

# Qt's PDF writer files some CJK glyphs under compatibility code points; NFKC folds them
# back. Runs of blanks are layout, not content.
text=$(pdftotext -layout -enc UTF-8 "$out" - | python3 -c '
import sys, unicodedata, re
text = unicodedata.normalize("NFKC", sys.stdin.buffer.read().decode("utf-8"))
sys.stdout.buffer.write(re.sub(r"[ \t]+", " ", text).encode("utf-8"))')
missing=0
for want in "${expected[@]}"; do
    if ! grep -qF -- "$want" <<<"$text"; then
        echo "not in the printed text: $want"
        missing=1
    fi
done
if [ "$missing" -ne 0 ]; then
    echo "--- printed text ---"
    printf '%s\n' "$text"
    exit 1
fi
echo "printed on $queue: $(wc -c <"$out") bytes"
