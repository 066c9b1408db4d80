"""Writes the openpyxl-made books that the interoperability tests read back.

openpyxl writes every text as an inline string with character references, no XML
declaration and absolute relationship targets, which is a different dialect from
LibreOffice's; the books below exercise it.

usage: make_openpyxl_books.py OUTDIR
"""

import datetime
import io
import os
import re
import sys
import zipfile

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904


def journal(wb):
    ws = wb.active
    ws.title = "出库"
    ws.append(["商品编号", "商品名称", "单位", "卖出数量", "卖出价格", "卖出金额",
               "库存均价", "客户名称", "销售日期", "备注"])
    ws.append([1001, "可口可乐330ml", "瓶", 12, 98.35, 1230.5, 0.1, "张三", "2011-05-03", None])
    # A date the user typed as a date: a number with a date style.
    ws.append([1002, "雪碧 2L", "瓶", 1, 2.5, 2.5, 2, "李四", datetime.date(2011, 5, 4), "退货"])
    # A time of day on the date must not move it to another day.
    ws.append([1003, "<特价>&\"酒\"", "箱", -1, 0, 0, 0, "王五",
               datetime.datetime(2011, 5, 5, 23, 59, 59), "  两头空格  "])
    other = wb.create_sheet("其他")
    other["A1"] = "第二页"
    other["A200"] = 7
    return wb


def swap_sheet_order(path):
    """Lists the second sheet first in workbook.xml, leaving the part names alone."""
    with zipfile.ZipFile(path) as z:
        parts = [(i, z.read(i.filename)) for i in z.infolist()]
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in parts:
            if info.filename == "xl/workbook.xml":
                text = data.decode("utf-8")
                sheets = re.findall(r"<sheet [^>]*/>", text)
                assert len(sheets) == 2, sheets
                text = text.replace(sheets[0], "\0").replace(sheets[1], sheets[0])
                text = text.replace("\0", sheets[1])
                data = text.encode("utf-8")
            z.writestr(info, data)
    with open(path, "wb") as f:
        f.write(out.getvalue())


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)

    journal(openpyxl.Workbook()).save(os.path.join(outdir, "openpyxl_journal.xlsx"))

    wb = journal(openpyxl.Workbook())
    wb.epoch = CALENDAR_MAC_1904
    wb.save(os.path.join(outdir, "openpyxl_1904.xlsx"))

    wb = openpyxl.Workbook()
    wb.active.title = "后面"
    wb.active["A1"] = "不该读到"
    front = wb.create_sheet("前面")
    front.append(["商品编号", "商品名称"])
    front.append([2001, "第一张表"])
    path = os.path.join(outdir, "openpyxl_reordered.xlsx")
    wb.save(path)
    swap_sheet_order(path)


if __name__ == "__main__":
    main()
