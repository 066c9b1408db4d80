"""Whole processes on shops of 100,000 and 1,000,000 records, side by side in one run:
this commit's engine, an older commit's (bench/baseline.sh), openpyxl, and the bare inflate
of the journal's sheet. Each figure is the median of N runs of a fresh process, its peak
resident memory beside it; a posting runs on a fresh copy of the shop each time.

Called by bench/run.sh:
  processes.py --work DIR --ours BENCH_PROCESS [--baseline BENCH_PROCESS] [--runs N]
DIR holds shop100k/ and shop1m/ (bench_books DIR RECORDS 10000 shop).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (("100k", 100000), ("1m", 1000000))
# (seconds, MB) to stay under; the search's time target is twice the inflate, set below.
TARGETS = {
    ("post", "100k"): (0.3, 80), ("post", "1m"): (1.0, 150),
    ("search", "1m"): (1.5, 250),
    ("analysis", "100k"): (0.4, None), ("analysis", "1m"): (3.0, None),
}


def timed(cmd, before=None):
    """Seconds and peak MB of one run of cmd; `before` prepares the run (not timed)."""
    if before:
        before()
    out = subprocess.run(["/usr/bin/time", "-f", "%e %M"] + cmd, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    if out.returncode != 0:
        sys.exit("%s failed: %s" % (" ".join(cmd), out.stderr))
    seconds, kb = out.stderr.strip().splitlines()[-1].split()
    return float(seconds), int(kb) / 1024.0


def median_run(runs, cmd, before=None):
    samples = [timed(cmd, before) for _ in range(runs)]
    return statistics.median(s for s, _ in samples), max(m for _, m in samples)


def wall(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def fmt(result):
    if result is None:
        return "-"
    seconds, mb = result
    return "%.2f s, %.0f MB" % (seconds, mb) if mb is not None else "%.2f s" % seconds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", required=True)
    ap.add_argument("--ours", required=True)
    ap.add_argument("--baseline")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    engines = [("this commit", args.ours)]
    if args.baseline:
        engines.append(("previous commit", args.baseline))

    rows = []
    for size, records in SIZES:
        shop = os.path.join(args.work, "shop" + size)
        scratch = os.path.join(args.work, "scratch")
        journal = os.path.join(shop, "tvchuku.dat")

        def fresh():
            shutil.rmtree(scratch, ignore_errors=True)
            shutil.copytree(shop, scratch)

        floor = statistics.median(
            wall(["sh", "-c", 'unzip -p "$1" xl/worksheets/sheet1.xml > /dev/null', "sh",
                  journal]) for _ in range(args.runs))
        jobs = [
            ("post", "20-line stock-in", ["post", scratch, "stock-in", "20"], fresh),
            ("post", "10-line sale", ["post", scratch, "sale", "10"], fresh),
            ("search", "包含 search (商品名称 包含 可乐)", ["search", shop, "可乐"], None),
            ("analysis", "销售分析 by month", ["analysis", shop, "2011-01-01", "2100-12-31"], None),
        ]
        for kind, what, cmd, before in jobs:
            figures = [median_run(args.runs, [tool] + cmd, before) for _, tool in engines]
            target = TARGETS.get((kind, size))
            if kind == "search" and size == "100k":
                target = (2 * floor, None)
            met = "-"
            if target:
                seconds, mb = figures[0]
                ok = seconds < target[0] and (target[1] is None or mb < target[1])
                met = "yes" if ok else "NO"
            rows.append((size, what, figures, target, met))
        rows.append((size, "inflate of the journal's sheet (unzip -p)", [(floor, None)], None, "-"))
        # openpyxl only where it finishes in reasonable time and memory.
        if records <= 100000:
            xlsx = os.path.join(args.work, "journal.xlsx")
            shutil.copyfile(journal, xlsx)
            job = os.path.join(HERE, "openpyxl_job.py")
            out = os.path.join(args.work, "openpyxl_out.xlsx")
            append = median_run(args.runs, ["/usr/bin/python3", job, "append", xlsx, out])
            read = median_run(args.runs, ["/usr/bin/python3", job, "read", xlsx])
            rows.append((size, "openpyxl: load, append 10, save", [append], None, "-"))
            rows.append((size, "openpyxl: load and read every cell", [read], None, "-"))

    print()
    head = " | ".join(name for name, _ in engines)
    print("| records | work | %s | target | met |" % head)
    print("|---" * (4 + len(engines)) + "|")
    for size, what, figures, target, met in rows:
        cells = [fmt(f) for f in figures] + ["-"] * (len(engines) - len(figures))
        tgt = "-" if not target else "< %.2f s%s" % (
            target[0], "" if target[1] is None else ", < %d MB" % target[1])
        print("| %s | %s | %s | %s | %s |" % (size, what, " | ".join(cells), tgt, met))


if __name__ == "__main__":
    main()
