"""Times the other readers on the benchmark books and prints them beside our engine.

Called by bench/run.sh after the engine's benchmarks wrote their JSON:
  compare.py --work DIR --runs N --bench-dir DIR
DIR holds books/ (the generated .dat books), engine.json, deflate.json and
database.json (Google Benchmark output) and peak.txt (/usr/bin/time -v of bench_open_journal).
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

TARGETS = {
    "openpyxl_read": 25.0,    # engine open+read at least this many times faster
    "openpyxl_append": 15.0,  # engine append+save at least this many times faster
    "peak_mb": 100.0,         # peak resident memory of opening the journal, below
    "db_posting": 10.0,       # a database posting at least this many times faster
    "db_search": 1.0,         # a database search no slower than the workbook one
}


def engine_medians(path):
    """Median real time in seconds of every benchmark in a Google Benchmark JSON file."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    out = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"]).replace("/real_time", "")
        out[name] = dict(b, seconds=b["real_time"] * scale[b["time_unit"]])
    return out


def median_of(runs, fn):
    samples = [fn() for _ in range(runs)]
    return statistics.median(samples), samples


def wall(cmd, ok_codes=(0,)):
    start = time.perf_counter()
    proc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if proc.returncode not in ok_codes:
        sys.exit("%s failed (%d): %s" % (" ".join(cmd), proc.returncode,
                                         proc.stderr.decode(errors="replace")))
    return elapsed


def openpyxl_job(mode, book, work):
    here = os.path.dirname(os.path.abspath(__file__))
    cmd = [sys.executable, os.path.join(here, "openpyxl_job.py"), mode, book]
    if mode == "append":
        cmd.append(os.path.join(work, "openpyxl_out.xlsx"))
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    return float(out.decode().strip().splitlines()[-1])


def peak_mb(path):
    with open(path) as f:
        text = f.read()
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    return int(m.group(1)) / 1024.0 if m else float("nan")


def fmt_s(seconds):
    return "%.0f ms" % (seconds * 1000) if seconds < 10 else "%.1f s" % seconds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", required=True)
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    work = args.work

    # openpyxl refuses unknown extensions: the other tools read .xlsx copies.
    journal = os.path.join(work, "journal.xlsx")
    inventory = os.path.join(work, "inventory.xlsx")
    shutil.copyfile(os.path.join(work, "books", "tvchuku.dat"), journal)
    shutil.copyfile(os.path.join(work, "books", "tvkucun.dat"), inventory)

    engine = engine_medians(os.path.join(work, "engine.json"))
    deflate = engine_medians(os.path.join(work, "deflate.json"))
    ours_read = engine["BM_OpenReadJournal"]["seconds"]
    ours_append = engine["BM_AppendSaveJournal"]["seconds"]
    ours_inventory = engine["BM_OpenReadInventory"]["seconds"]
    ours_open = engine["BM_OpenJournalOnly"]["seconds"]
    ours_scan = engine["BM_ScanOpenJournal"]["seconds"]
    ours_save = engine["BM_SaveOpenJournal"]["seconds"]

    runs = args.runs
    print("timing the other readers, median of %d runs each ..." % runs, flush=True)
    unzip_floor, _ = median_of(runs, lambda: wall(
        ["sh", "-c", 'unzip -p "$1" xl/worksheets/sheet1.xml > /dev/null', "sh", journal]))
    # orcus-xlsx exits 1 even when it read the book.
    orcus, _ = median_of(runs, lambda: wall(["orcus-xlsx", "-f", "none", journal], (0, 1)))
    orcus_inv, _ = median_of(runs, lambda: wall(["orcus-xlsx", "-f", "none", inventory], (0, 1)))
    py_read, py_read_all = median_of(runs, lambda: openpyxl_job("read", journal, work))
    py_append, py_append_all = median_of(runs, lambda: openpyxl_job("append", journal, work))
    py_inv, _ = median_of(runs, lambda: openpyxl_job("read", inventory, work))
    peak = peak_mb(os.path.join(work, "peak.txt"))

    size_mb = os.path.getsize(journal) / 1e6
    print()
    print("Journal: 100,000 records x 10 columns, %.1f MB on disk; inventory: 10,000 items."
          % size_mb)
    print()
    print("| measure | our engine | other | ratio | target | met |")
    print("|---|---|---|---|---|---|")

    def line(what, ours, other_name, other, target=None, lower_is_target=False):
        ratio = other / ours
        if target is None:
            tgt, met = "-", "-"
        else:
            tgt = ">= %gx" % target if target > 1 else "faster"
            met = "yes" if ratio >= target else "NO"
        print("| %s | %s | %s %s | %.1fx | %s | %s |"
              % (what, fmt_s(ours), other_name, fmt_s(other), ratio, tgt, met))

    line("journal open + read every cell", ours_read, "openpyxl load", py_read,
         TARGETS["openpyxl_read"])
    line("journal open + read every cell", ours_read, "orcus-xlsx", orcus, 1.0)
    line("journal open + append 10 + save", ours_append, "openpyxl load+append+save", py_append,
         TARGETS["openpyxl_append"])
    line("inventory open + read every cell", ours_inventory, "openpyxl load", py_inv)
    line("inventory open + read every cell", ours_inventory, "orcus-xlsx", orcus_inv)
    print("| journal open + read vs bare inflate of the sheet | %s | unzip -p %s | %.2fx of the floor | - | - |"
          % (fmt_s(ours_read), fmt_s(unzip_floor), ours_read / unzip_floor))
    print("| peak memory, opening the journal | %.1f MB | | | < %g MB | %s |"
          % (peak, TARGETS["peak_mb"], "yes" if peak < TARGETS["peak_mb"] else "NO"))
    print()
    inflate_zlib = deflate["BM_InflateSheet/libdeflate:0"]["seconds"]
    inflate_ld = deflate["BM_InflateSheet/libdeflate:1"]["seconds"]
    libdeflate_levels = ", ".join(
        "%s at level %s" % (fmt_s(deflate["BM_DeflateSheet/codec:1/level:%d" % lvl]["seconds"]),
                            lvl) for lvl in (1, 3, 6))
    print("Where our time goes: open %s (of which inflating the sheet through libzip %s;"
          " libdeflate inflates it in %s) + reading every cell %s;"
          % (fmt_s(ours_open), fmt_s(inflate_zlib), fmt_s(inflate_ld), fmt_s(ours_scan)))
    print("save of an open book %s (deflating the sheet with libdeflate takes %s)."
          % (fmt_s(ours_save), libdeflate_levels))
    print("openpyxl runs: read %s, append %s (seconds)"
          % (", ".join("%.2f" % s for s in py_read_all),
             ", ".join("%.2f" % s for s in py_append_all)))
    print()
    xml_mb = deflate["BM_DeflateSheet/codec:1/level:6"]["xml_bytes"] / 1e6
    print("Deflate of the journal's sheet XML (%.1f MB) into a zip, median:" % xml_mb)
    print()
    print("| codec | level | time | zip size | ratio |")
    print("|---|---|---|---|---|")
    rows = []
    for name, b in deflate.items():
        m = re.search(r"codec:(\d)/level:(\d+)", name)
        if m:
            rows.append((int(m.group(1)), int(m.group(2)), b))
    for codec_id, level, b in sorted(rows, key=lambda r: (r[0], r[1])):
        codec = "zlib (libzip)" if codec_id == 0 else "libdeflate"
        print("| %s | %d | %s | %.2f MB | %.2f |" % (codec, level, fmt_s(b["seconds"]),
                                                 b["zip_bytes"] / 1e6, b["ratio"]))
    database_table(os.path.join(work, "database.json"))


def database_table(path):
    """The database engine beside the workbook engine, from database_bench's figures."""
    b = engine_medians(path)
    print()
    print("The database engine beside the workbook engine (journals of 100,000 records):")
    print()
    print("| measure | database | workbook | ratio | target | met |")
    print("|---|---|---|---|---|---|")

    def line(what, db, wb, target=None):
        ratio = b[wb]["seconds"] / b[db]["seconds"]
        tgt, met = "-", "-"
        if target is not None:
            tgt, met = ">= %gx" % target, "yes" if ratio >= target else "NO"
        print("| %s | %s | %s | %.2fx | %s | %s |"
              % (what, fmt_s(b[db]["seconds"]), fmt_s(b[wb]["seconds"]), ratio, tgt, met))

    # The target is set against fresh copies of the books; a till posting one after another
    # on the books it keeps is shown beside it.
    for bench, what in (("BM_Sale", "20-line sale"), ("BM_StockIn", "20-line stock-in")):
        line(what + ", fresh copies of the books", bench + "/database", bench + "/workbook",
             TARGETS["db_posting"])
        line(what + ", one after another", bench + "/database", bench + "/workbook_kept")
    for kind in ("first", "kept"):
        line("journal search, %s" % kind, "BM_SearchNames/database_" + kind,
             "BM_SearchNames/workbook_" + kind, TARGETS["db_search"])
    # A till's very first start, before it has copies: shown beside the first search.
    line("journal search, first start without copies", "BM_SearchNames/database_cold",
         "BM_SearchNames/workbook_first")
    for lines in (1, 20):
        print("| four tills at once, %d-line postings | %.0f postings/s | | | | |"
              % (lines, b["BM_FourTills/%d" % lines]["postings"]))


if __name__ == "__main__":
    main()
