#!/usr/bin/python3
"""Writes Excel 97-2003 (BIFF8) books for the old-format converter's tests.

usage: make_old_books.py shop DIR [--records N]
       make_old_books.py strings FILE [--split-pair]
       make_old_books.py formulas FILE
       make_old_books.py lo-formulas FILE

Run it with the system python (/usr/bin/python3), which has xlwt and openpyxl.
"""

import datetime
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import xlwt

KUCUN = ["商品编号", "商品名称", "单位", "库存数量", "库存均价", "库存金额",
         "卖出核价", "供货厂商", "缺货报警", "备注"]
RUKU = ["商品编号", "商品名称", "单位", "进货数量", "进货价格", "进货金额",
        "库存均价", "供货厂商", "进货日期", "备注"]
CHUKU = ["商品编号", "商品名称", "单位", "卖出数量", "卖出价格", "卖出金额",
         "库存均价", "客户名称", "销售日期", "备注"]

# Code, name, unit, quantity, average price, sale price, maker, alarm level, note.
# None leaves the cell out; "" writes a BLANK record: old books have both.
ITEMS = [
    (1001, "可口可乐330ml", "瓶", 24, 2.35, 3, "供货厂商甲", 5, "夏季促销"),
    (1002, "A4复印纸70g", "包", 10, 18.5, 25, "文具批发乙", 2, ""),
    (6901234567892, "𠀀号矿泉水550ml", "瓶", 100, 0.1, 1.5, "供货厂商甲", 10, None),
    (1004, "㐀记酱油500ml", None, 7, 6.8, 9.9, "调味品丙", 3, "单位未填"),
    (1005, "雪碧2L", "瓶", -3, 12.5, 14, "供货厂商甲", 0, "先卖后进"),
    (1006, "5号电池AA", "节", 0, 1.2, 2, "", 20, "缺货"),
]

DATE = xlwt.easyxf(num_format_str="yyyy-mm-dd")
DATETIME = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm")
MONEY = xlwt.easyxf(num_format_str="0.00")
PLAIN = xlwt.Style.default_style
BIFF8_ROWS = 65536


def put_row(ws, r, values, styles=None):
    for c, v in enumerate(values):
        if v is not None:
            ws.write(r, c, v, styles[c] if styles else PLAIN)


def amount(qty, price):
    return round(qty * price, 2)


def inventory_book():
    wb = xlwt.Workbook()
    ws = wb.add_sheet("Sheet1")
    put_row(ws, 0, KUCUN)
    for r, (code, name, unit, qty, avg, sale, maker, alarm, note) in enumerate(ITEMS, 1):
        put_row(ws, r, [code, name, unit, qty, avg, amount(qty, avg), sale, maker, alarm, note])
    return wb


def journal_book(caption, records, selling):
    """Sheet 1 takes as many records as BIFF8 allows; the rest spill to further sheets."""
    wb = xlwt.Workbook()
    styles = [PLAIN] * 5 + [MONEY, PLAIN, PLAIN, DATE, PLAIN]
    first = datetime.date(2011, 5, 3)
    people = ["张三", "李四", "王五"] if selling else [i[6] or "供货厂商甲" for i in ITEMS]
    sheets = 0

    def new_sheet():
        nonlocal sheets
        sheets += 1
        ws = wb.add_sheet("Sheet%d" % sheets)
        put_row(ws, 0, caption)
        return ws, 1

    ws, r = new_sheet()
    for n in range(records):
        if r == BIFF8_ROWS:
            ws, r = new_sheet()
        code, name, unit, _, avg, sale, *_ = ITEMS[n % len(ITEMS)]
        qty = 1 + n % 12
        price = sale if selling else avg
        note = "单号%06d" % n if n % 7 == 0 else ("" if n % 7 == 1 else None)
        day = first + datetime.timedelta(days=n % 3000)
        if n == 1:  # kept with the time of day it was entered
            day = datetime.datetime.combine(day, datetime.time(14, 30))
        put_row(ws, r, [code, name, unit, qty, price, amount(qty, price), avg,
                        people[n % len(people)], day, note],
                styles[:8] + [DATETIME if n == 1 else DATE] + styles[9:])
        r += 1
    return wb, sheets


def shop(outdir, records):
    os.makedirs(outdir, exist_ok=True)
    inventory_book().save(os.path.join(outdir, "tvkucun.dat"))
    ruku, sheets = journal_book(RUKU, records, selling=False)
    ruku.save(os.path.join(outdir, "tvruku.dat"))
    journal_book(CHUKU, records, selling=True)[0].save(os.path.join(outdir, "tvchuku.dat"))
    report = xlwt.Workbook()
    report.add_sheet("Sheet1").write(0, 0, "销售报表")
    report.save(os.path.join(outdir, "tvbaocun.dat"))
    print("%s: %d items, %d records per journal on %d sheet(s)"
          % (outdir, len(ITEMS), records, sheets))


def sst_pieces(stream):
    """The SST record's body and its CONTINUE bodies, as written into the Workbook stream."""
    pieces, pos, in_sst = [], 0, False
    while pos < len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        body = stream[pos + 4:pos + 4 + size]
        if rid == 0x00FC or (in_sst and rid == 0x003C):
            pieces.append(body)
            in_sst = True
        elif in_sst:
            break
        pos += 4 + size
    return pieces


def split_points(pieces):
    """(string index, UTF-16 units before the cut) for each string cut by a CONTINUE.

    Handles only what xlwt writes for these strings: two-byte, no rich text, no phonetics.
    """
    cuts, p = [], 8
    for k in range(struct.unpack_from("<I", pieces[0], 4)[0]):
        if p == len(pieces[0]):
            pieces, p = pieces[1:], 0
        units, flags = struct.unpack_from("<HB", pieces[0], p)
        assert flags == 1, flags
        p, done = p + 3, 0
        while True:
            take = min(units - done, (len(pieces[0]) - p) // 2)
            done, p = done + take, p + 2 * take
            if done == units:
                break
            cuts.append((k, done))
            pieces, p = pieces[1:], 1  # a continued string repeats its flags byte
    return cuts


def strings(path, split_pair=False):
    digits = "零一二三四五六七八九"
    words = ["商品", "货号", "批次", "仓库", "柜台", "条码", "规格", "客户"]
    texts = ["名称"] + ["%s%s%d%s" % (words[i % 8], digits[i % 10] * (1 + i % 17), i,
                                      "号" * (i % 5)) for i in range(5000)]
    assert len(set(texts)) == len(texts)

    def build():
        wb = xlwt.Workbook()
        ws = wb.add_sheet("Sheet1")
        for r, t in enumerate(texts):
            ws.write(r, 0, t)
        return wb

    wb = build()
    pieces = sst_pieces(wb.get_biff_data())
    cuts = split_points(pieces)
    assert len(pieces) > 1 and cuts
    note = ""
    if split_pair:
        # A writer that counts UTF-16 units may cut a surrogate pair in two. Swapping two
        # BMP characters for one supplementary character keeps every piece's layout.
        k, at = cuts[0]
        texts[k] = texts[k][:at - 1] + "\U00020000" + texts[k][at + 1:]
        wb = build()
        assert split_points(sst_pieces(wb.get_biff_data())) == cuts
        note = ", surrogate pair cut in A%d" % (k + 1)
    wb.save(path)
    print("%s: SST %d bytes in %d records, %d strings cut%s"
          % (path, sum(map(len, pieces)), len(pieces), len(cuts), note))


def formulas(path):
    wb = xlwt.Workbook()
    ws = wb.add_sheet("Sheet1")
    put_row(ws, 0, ["商品名称", "数量", "价格", "金额", "说明"])
    put_row(ws, 1, ["可口可乐330ml", 24, 2.35, 56.4, "普通单元格"])
    put_row(ws, 2, ["A4复印纸70g", 10, 18.5])
    ws.write(2, 3, xlwt.Formula("B3*C3"))
    ws.write(2, 4, xlwt.Formula('"编号"&A3'))
    ws.write(3, 0, "合计")
    ws.write(3, 3, xlwt.Formula("SUM(D2:D3)"))
    wb.save(path)


def lo_formulas(path):
    import openpyxl
    with tempfile.TemporaryDirectory() as tmp:
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.append(["数量", "文字", "日期", "商品名称"])
        ws.append([21, "ab", datetime.date(2011, 5, 3), "可口可乐330ml"])
        ws["A3"] = "=A2*2"
        ws["B3"] = '="ab"&"cd"'
        ws["C2"].number_format = "yyyy-mm-dd"
        src = os.path.join(tmp, "lo.xlsx")
        wb.save(src)
        # A private profile lets several conversions run at once.
        subprocess.run(["soffice", "-env:UserInstallation=file://%s/profile" % tmp,
                        "--headless", "--convert-to", "xls", src, "--outdir", tmp],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(tmp, "lo.xls"), path)


def main():
    args = sys.argv[1:]
    if len(args) >= 2 and args[0] == "shop":
        records = 5
        if args[2:3] == ["--records"] and len(args) == 4:
            records = int(args[3])
        elif len(args) != 2:
            sys.exit(__doc__)
        shop(args[1], records)
    elif args[:1] == ["strings"] and args[2:] in ([], ["--split-pair"]) and len(args) >= 2:
        strings(args[1], split_pair=len(args) == 3)
    elif len(args) == 2 and args[0] in ("formulas", "lo-formulas"):
        {"formulas": formulas, "lo-formulas": lo_formulas}[args[0]](args[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
