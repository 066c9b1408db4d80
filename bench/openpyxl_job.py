"""One openpyxl run on a benchmark book, timed inside the interpreter (imports excluded).

usage: openpyxl_job.py read BOOK.xlsx        load in normal mode and touch every cell
       openpyxl_job.py append BOOK.xlsx OUT  load, append 10 rows, save to OUT
Prints the seconds taken.
"""

import sys
import time

import openpyxl


def main():
    mode, path = sys.argv[1], sys.argv[2]
    start = time.perf_counter()
    wb = openpyxl.load_workbook(path)
    ws = wb.worksheets[0]
    if mode == "read":
        n = 0
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is not None:
                    n += 1
        assert n > 0
    elif mode == "append":
        for i in range(10):
            ws.append([1001 + i, "可口可乐330ml", "瓶", 2, 3.5, 7, 2.8, "张三",
                       "2011-05-03", "退货" if i % 7 == 0 else None])
        wb.save(sys.argv[3])
    else:
        raise SystemExit("unknown mode " + mode)
    print("%.6f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
