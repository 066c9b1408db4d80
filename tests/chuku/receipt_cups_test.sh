#!/usr/bin/env bash
# Till receipts through a real scheduler. A queue that does not exist must leave the sale
# posted and say that the receipt was not printed. A raw queue, set up as the README tells
# a shop to set up a thermal printer, must deliver the receipt's ESC/POS bytes untouched,
# the same bytes the driver's print folder catches. A queue with a driver of its own must
# get a page of the paper's width and the receipt's length.
#
# usage: receipt_cups_test.sh DRIVE MKBOOKS SHEET
set -euo pipefail
drive=$1 mkbooks=$2 sheet=$3
source "$(dirname "$0")/../store/print/private_cups.sh"

# A sale of three cans in a fresh folder FOLDER, its receipt printed in MODE on QUEUE as
# chosen in the settings dialog (where the settings file names SAVED), or caught in the
# print folder PRINTTO when one is given; prints the boxes, then the item's stock row.
sell() {
    local books=$1 saved=$2 queue=$3 mode=$4 printto=${5:-}
    mkdir -p "$books" ${printto:+"$printto"}
    "$mkbooks" "$books" >/dev/null
    "$sheet" "$books/tvkucun.dat" put 2 1001 可口可乐 瓶 10 2.5 25 3.5 甲饮料厂 5
    printf '[receipt]\nprinter=%s\nwidth=58\nmode=%s\nautoprint=1\n' "$saved" "$mode" \
        >"$books/tvstorekeep.ini"
    client env QT_QPA_PLATFORM=offscreen "$drive" 2>/dev/null <<SCRIPT | grep -v '^qt: '
dir $books
today 2011-05-03 14:30
${printto:+printto $printto}
window main
click SpeedButton5
window config
set Edit1 小店
set Edit2 电话 8812345
set printerCombo $queue
click BitBtn2
window chuku
set Edit2 1001
click SpeedButton1
click SpeedButton2
cell StringGrid_chuku 3 1 3
cell StringGrid_chuku 4 1 3.5
cell StringGrid_chuku 5 1 10.5
cell StringGrid_chuku 7 1 张三
answer yes
click SpeedButton4
messages
SCRIPT
    "$sheet" "$books/tvkucun.dat" dump | sed -n 2p
}

fail() {
    echo "$1"
    shift
    printf '%s\n' "$@"
    exit 1
}

out=$(sell "$dir/missing" NoSuchQueue NoSuchQueue escpos)
posted='2: 1001 | 可口可乐 | 瓶 | 7 | 2.5 | 17.5 | 3.5 | 甲饮料厂 | 5'
grep -qx 'error: 销售出库已完成，库存和出库记录都已保存；但小票没有打印：' <<<"$out" &&
    grep -qx '找不到小票打印机“NoSuchQueue”：系统中没有这个打印队列' <<<"$out" &&
    grep -qxF "$posted" <<<"$out" ||
    fail "a missing queue: expected the sale posted and the receipt's failure, got:" "$out"
"$sheet" "$dir/missing/tvchuku.dat" dump | grep -q '^2: 1001 | 可口可乐 | 瓶 | 3 ' ||
    fail "a missing queue: the journal lacks the sale"

# The printer is a listener on a local port, as a network till printer listens on 9100; it
# keeps the bytes of one job. (A file: device would not do: CUPS writes one only through a
# filter, and a raw queue has none.)
timeout 60 python3 -c '
import socket, sys
server = socket.create_server(("127.0.0.1", 0))
with open(sys.argv[1] + ".tmp", "w") as port:
    port.write(str(server.getsockname()[1]))
import os; os.rename(sys.argv[1] + ".tmp", sys.argv[1])
connection, _ = server.accept()
with open(sys.argv[2], "wb") as out:
    while chunk := connection.recv(65536):
        out.write(chunk)
' "$dir/port" "$dir/out/till.bin" &
listener=$!
for _ in $(seq 100); do
    [ -s "$dir/port" ] && break
    sleep 0.1
done
# No scheduler to ask is not a missing queue.
out=$(CUPS_SERVER=$dir/none.sock sell "$dir/no-cups" Till Till escpos)
grep -qx '打印系统（CUPS）没有运行，小票打印机“Till”不能使用' <<<"$out" ||
    fail "no scheduler: expected the box to say so, got:" "$out"

# No PPD and no model: a raw queue, which hands jobs to the device as they come.
client lpadmin -p Till -E -v "socket://127.0.0.1:$(cat "$dir/port")" 2>"$dir/log/lpadmin.err" ||
    { cat "$dir/log/lpadmin.err"; exit 1; }
# The settings name no queue: the dialog lists the new one, and it is chosen there.
out=$(sell "$dir/raw" "" Till escpos)
[ "$out" = $'confirm: 确认开始进行销售出库操作吗？\n'"$posted" ] ||
    fail "the raw queue: expected the sale posted without a word, got:" "$out"
await_one_job Till
wait "$listener"

sell "$dir/caught" "" Till escpos "$dir/caught/out" >/dev/null
cmp "$dir/out/till.bin" "$dir/caught/out/receipt-001.bin" ||
    fail "the queue delivered other bytes than the receipt's"
echo "the raw queue delivered the receipt's $(wc -c <"$dir/out/till.bin") bytes"

# A PDF driver that takes any page size, as till printers' drivers do.
ppd=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd
[ -r "$ppd" ] || { echo "missing $ppd: run scripts/install-deps.sh"; exit 1; }
{
    cat "$ppd"
    printf '%s\n' '*VariablePaperSize: True' '*MaxMediaWidth: "3000"' '*MaxMediaHeight: "30000"' \
        '*HWMargins: 0 0 0 0' '*CustomPageSize True: "pop pop pop pop pop"' \
        '*ParamCustomPageSize Width: 1 points 36 3000' \
        '*ParamCustomPageSize Height: 2 points 36 30000' \
        '*ParamCustomPageSize WidthOffset: 3 points 0 0' \
        '*ParamCustomPageSize HeightOffset: 4 points 0 0' \
        '*ParamCustomPageSize Orientation: 5 int 0 0'
} >"$dir/till-page.ppd"
chmod 644 "$dir/till-page.ppd"
client lpadmin -p TillPage -E -v "file:$dir/out/till.pdf" -P "$dir/till-page.ppd" \
    2>"$dir/log/lpadmin.err" || { cat "$dir/log/lpadmin.err"; exit 1; }
out=$(sell "$dir/page" TillPage TillPage driver)
[ "$out" = $'confirm: 确认开始进行销售出库操作吗？\n'"$posted" ] ||
    fail "the driver's queue: expected the sale posted without a word, got:" "$out"
await_one_job TillPage
sell "$dir/page-caught" TillPage TillPage driver "$dir/page-caught/out" >/dev/null
size() { pdfinfo "$1" | sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 \2/p'; }
# The scheduler passes a custom size in whole points.
printed=$(size "$dir/out/till.pdf") caught=$(size "$dir/page-caught/out/receipt-001.pdf")
awk -v p="$printed" -v c="$caught" 'BEGIN {
    split(p, a, " "); split(c, b, " ")
    exit !(int(a[1] + 0.5) == 164 && a[2] - b[2] <= 1 && b[2] - a[2] <= 1)
}' || fail "the driver's page: expected 58 mm (164 pt) wide and $caught pt long, got $printed"
echo "the driver's queue printed a page of ${printed/ / x } pt"
