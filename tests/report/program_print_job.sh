#!/usr/bin/env bash
# The program's own print path, as a shop keeper takes it: the inventory window lists two
# items in the everything view and "输出打印" prints them on the default printer, with no
# print folder set. Run by cups_default_printer_test.sh against its private scheduler.
#
#   program_print_job.sh DRIVE MKBOOKS SHEET no-printer   the box must say there is none
#   program_print_job.sh DRIVE MKBOOKS SHEET print QUEUE  the list goes out without a word
set -euo pipefail

drive=$1 mkbooks=$2 sheet=$3 mode=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$mkbooks" "$dir" >/dev/null
"$sheet" "$dir/tvkucun.dat" put 2 A0001 可口可乐330ml 罐 24 2.5 60 3 甲厂 5
"$sheet" "$dir/tvkucun.dat" put 3 A0002 康师傅红烧牛肉面 袋 40 3.2 128 4.5 乙厂 5
report=$(sha256sum <"$dir/tvbaocun.dat")

out=$(QT_QPA_PLATFORM=offscreen "$drive" 2>&1 <<SCRIPT
dir $dir
today 2011-05-03
window config
set Edit1 小店
set Edit2 电话 8812345
window kucun
set ComboBox3 商品全部信息
set ComboBox2 包含
set Edit1 A
click SpeedButton7
answer yes
click SpeedButton9
messages
status
SCRIPT
)
out=$(grep -v '^qt: ' <<<"$out" || true)

[ "$(sha256sum <"$dir/tvbaocun.dat")" = "$report" ] || { echo "the report book changed"; exit 1; }
case $mode in
no-printer)
    want=$'confirm: 确认输出当前数据到打印机吗？\nerror: 没有可用的打印机：请先在系统中设置默认打印机'
    grep -qF -- "$want" <<<"$out" || { echo "expected the no-printer box, got:"; echo "$out"; exit 1; }
    ;;
print)
    if grep -q '^error: ' <<<"$out"; then
        echo "the print failed:"
        echo "$out"
        exit 1
    fi
    grep -qx 'confirm: 确认输出当前数据到打印机吗？' <<<"$out" ||
        { echo "expected the question, got:"; echo "$out"; exit 1; }
    ;;
*)
    echo "usage: $0 DRIVE MKBOOKS SHEET no-printer | print QUEUE"
    exit 2
    ;;
esac
