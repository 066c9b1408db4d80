#!/usr/bin/env bash
# Remakes the README's pictures with the program's own windows: a sample shop's month of
# sales is written into a scratch folder, and the driver shows the windows on a virtual X
# display (at its own size, not the offscreen platform's small screen) and grabs them. Run
# it again when a window changes.
#
# usage: scripts/readme-pictures.sh [BUILD_DIR] [OUT_DIR]   (defaults: build docs/pictures)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/pictures}
# shellcheck source=scripts/pictures-common.sh
source "$root/scripts/pictures-common.sh"
pictures_start "$build" "$out"
# A month of a corner shop's sales, the same every run: code, name, unit, quantity, price,
# amount, average cost, day, remark; about one record in fifteen a return.
awk 'BEGIN {
  n = split("可口可乐 瓶 3 1.9|雪碧 瓶 3 1.9|矿泉水 瓶 2 0.8|方便面 袋 4.5 3.1|薯片 袋 6 4.2|纯牛奶 盒 3.5 2.6|面包 个 5 3.4|啤酒 瓶 4 2.7|洗衣粉 袋 12 9.5|牙膏 支 9 6.8|毛巾 条 15 10|火腿肠 根 2 1.2", items, "|")
  seed = 2026
  for (day = 1; day <= 30; day++) {
    records = 2 + next_int(5)
    for (r = 0; r < records; r++) {
      i = 1 + next_int(n)
      split(items[i], f, " ")
      qty = 1 + next_int(12)
      remark = ""
      if (next_int(15) == 0) { remark = "退货"; qty = 1 + int(qty / 4) }
      printf "%d\t%s\t%s\t%d\t%s\t%g\t%s\t2026-11-%02d\t%s\n", 1000 + i, f[1], f[2], qty, f[3], qty * f[3], f[4], day, remark
    }
  }
}
function next_int(m) { seed = (seed * 16807) % 2147483647; return int(seed / 1024) % m }' >"$work/sales.tsv"
row=2
while IFS=$'\t' read -r code name unit qty price amount cost day remark; do
  "$build/tools/sheet" "$work/tvchuku.dat" put "$row" "$code" "$name" "$unit" "$qty" "$price" \
    "$amount" "$cost" 零售 "$day" "$remark"
  row=$((row + 1))
done <"$work/sales.tsv"

printf '[receipt]\nprinter=Till\nwidth=58\nmode=escpos\n' >"$work/tvstorekeep.ini"
mkdir "$work/out"

xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" --display <<SCRIPT
dir $work
today 2026-11-30 18:05
printto $work/out
window main
grab $out/main.png
window fenxi
set periodFromEdit 2026-11-01
click analyseButton
grab $out/fenxi.png
window config
set Edit1 明月便利店
set Edit2 电话 0571-88886666
grab $out/config.png
window chuku
set ComboBox1 销售日期
set Edit3 2026-11-30
click SpeedButton12
click N5
SCRIPT

# A day at the till: two cashiers' sales paid in cash, by WeChat and part by card, the
# payment dialog as the cashier sees it, and the shift report at the end of the day.
"$build/tools/sheet" "$work/tvkucun.dat" put 2 1001 可口可乐 瓶 48 1.9 91.2 3 甲饮料厂 12
"$build/tools/sheet" "$work/tvkucun.dat" put 3 1004 方便面 袋 30 3.1 93 4.5 乙食品厂 10
"$build/tools/sheet" "$work/tvkucun.dat" put 4 1006 纯牛奶 盒 40 2.6 104 3.5 丙乳业 10
till() {
  printf '[till]\nname=收银台1\noperator=%s\nfloat=200\n' "$1" | iconv -t GB18030 >"$work/tvstorekeep.ini"
}
scan() {
  for code in "$@"; do printf 'type Edit2 %s\nkey Edit2 Return\n' "$code"; done
}
till 小王
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" --display <<SCRIPT
dir $work
today 2026-12-01 09:12
window chuku
$(scan 1001 1001 1004)
answer yes
pay 现金 20
click SpeedButton4
$(scan 1006 1006)
answer yes
pay 微信
click SpeedButton4
SCRIPT
till 小李
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" --display <<SCRIPT
dir $work
today 2026-12-01 14:30
window chuku
$(scan 1004 1004 1004 1006)
answer yes
pay 现金 10 银行卡
click SpeedButton4
$(scan 1001 1006)
grab $out/chuku.png
answer yes
pay dialog
click SpeedButton4
window modal
set tenderedEdit 10
grab $out/payment.png
key tenderedEdit Return
window chuku
today 2026-12-01 18:05
click shiftReportButton
window shift
grab $out/shift.png
close
SCRIPT

# A stocktake at the end of the day: the whole shop listed, three items counted by scanner
# (a carton's quantity typed before its scan), the beer still to count.
"$build/tools/sheet" "$work/tvkucun.dat" put 5 1008 啤酒 瓶 24 2.7 64.8 4 丁酒厂 12
count() {
  printf 'set qtyEdit %s\n' "$1"
  shift
  for code in "$@"; do printf 'type scanEdit %s\nkey scanEdit Return\n' "$code"; done
}
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" --display <<SCRIPT
dir $work
today 2026-12-01 19:10
window pandian
click listButton
$(count 44 1001)
$(count 25 1004 1004)
$(count 37 1006)
grab $out/pandian.png
SCRIPT

# Regulars on account through the autumn: three customers buy on 赊账, 张阿姨 pays part by
# WeChat, and 往来账 shows the list and her statement.
credit() {
  local day=$1 who=$2 line=1
  shift 2
  printf 'today %s 10:00\n' "$day"
  scan "$@"
  # A code scanned again adds to its line: one line a different code.
  for _ in $(printf '%s\n' "$@" | sort -u); do
    printf 'cell StringGrid_chuku 7 %d %s\n' "$line" "$who"
    line=$((line + 1))
  done
  printf 'answer yes\npay 赊账\nclick SpeedButton4\n'
}
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" --display <<SCRIPT
dir $work
today 2026-09-12 10:00
window chuku
$(credit 2026-09-12 张阿姨 1001 1004 1006 1008 1008)
$(credit 2026-10-03 李师傅 1004 1004 1004 1004 1006 1006)
$(credit 2026-10-20 张阿姨 1006 1006 1006)
$(credit 2026-11-15 王老板 1008 1008 1008 1008 1008 1008 1008 1008)
$(credit 2026-11-28 张阿姨 1001 1001)
today 2026-12-01 19:30
window main
click accountsButton
window wanglai
set nameEdit 张阿姨
click statementButton
set amountEdit 20
set methodCombo 微信
set remarkEdit 九月的货款
click payButton
grab $out/wanglai.png
click returnButton
SCRIPT

# The receipt as the printer would print it: the ESC/POS job's raster bands, one dot a pixel.
python3 - "$work/out/receipt-001.bin" "$out/receipt.png" <<'PY'
import struct, sys, zlib
job = open(sys.argv[1], "rb").read()
at, rows, width = 2, [], 0
while job[at:at + 4] == b"\x1d\x76\x30\x00":
    width, height = job[at + 4] | job[at + 5] << 8, job[at + 6] | job[at + 7] << 8
    at += 8
    rows += [job[at + r * width:at + (r + 1) * width] for r in range(height)]
    at += width * height
# A PNG of one bit a pixel has 1 for white: the printer's bits inverted.
raw = b"".join(b"\0" + bytes(255 - b for b in row) for row in rows)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
with open(sys.argv[2], "wb") as png:
    png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width * 8, len(rows), 1, 0, 0, 0, 0))
              + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
PY
echo "pictures in $out"
