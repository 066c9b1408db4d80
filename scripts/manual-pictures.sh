#!/usr/bin/env bash
# Remakes the user manual's pictures from the program's own windows. A sample shop is
# booked through the windows as a shop keeper would: its first purchase, half a month of
# sales, a customer's return, goods sent back to the supplier and a restock; then the
# windows are grabbed on a fixed day, so that every run draws the same pictures.
#
# usage: scripts/manual-pictures.sh BUILD_DIR   (uses BUILD_DIR/tools/drive and mkbooks)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
# shellcheck source=scripts/pictures-common.sh
source "$root/scripts/pictures-common.sh"
pictures_start "$1" "$root/docs/manual/pictures"

# The receipt queue is named so that the settings picture shows one; nothing is printed.
printf '[receipt]\nprinter=Till\nwidth=58\nmode=escpos\n' >"$work/tvstorekeep.ini"

# Runs one start of the program on the commands from standard input. A box other than the
# postings' questions and the settings' "saved" means the sample shop was not booked as
# the pictures show it: the script stops and shows it.
drive() {
  local boxes
  boxes=$( (cat; echo messages) | QT_QPA_PLATFORM=offscreen "$build/tools/drive" 2>"$work/drive.err") || {
    cat "$work/drive.err" >&2
    exit 1
  }
  if grep -v -e '^confirm: 确认\(开始进行.*操作\|检索库存量低于预设报警值商品\)吗？$' -e '^info: 单位名字和联系信息设置修改成功！$' -e '^$' <<<"$boxes"; then
    echo "$0: unexpected boxes above" >&2
    exit 1
  fi
}

# The first delivery, on the first of the month: eight items new to the books.
{
  echo "dir $work"
  echo "today 2026-03-01 08:30"
  echo "window config"
  echo "set Edit1 明月便利店"
  echo "set Edit2 电话 0571-88886666  文一路 18 号"
  echo "click BitBtn1"
  echo "window ruku"
  row=1
  while read -r code name unit qty price supplier sale alert; do
    echo "click SpeedButton2"
    echo "cell StringGrid_ruku 0 $row $code"
    echo "cell StringGrid_ruku 1 $row $name"
    echo "cell StringGrid_ruku 2 $row $unit"
    echo "cell StringGrid_ruku 3 $row $qty"
    echo "cell StringGrid_ruku 4 $row $price"
    echo "cell StringGrid_ruku 6 $row 0"
    echo "cell StringGrid_ruku 7 $row $supplier"
    echo "cell StringGrid_ruku 9 $row $sale"
    echo "cell StringGrid_ruku 10 $row $alert"
    row=$((row + 1))
  done <<'ITEMS'
1001 可口可乐 瓶 48 1.9 明泉饮料批发 3 12
1002 矿泉水 瓶 72 0.8 明泉饮料批发 2 24
1003 方便面 袋 40 3.1 东升食品商行 4.5 10
1004 纯牛奶 盒 36 2.6 东升食品商行 3.5 12
1005 薯片 袋 20 4.2 东升食品商行 6 6
1006 洗衣粉 袋 8 9.5 百家日用品 12 3
1007 牙膏 支 10 6.8 百家日用品 9 3
1008 毛巾 条 6 10 百家日用品 15 2
ITEMS
  echo "click N2"
  echo "answer yes"
  echo "click SpeedButton4"
} | drive

# Half a month at the till: each day's basket is scanned (Enter in the code field counts
# an item into the lines at its sale price), the quantities typed, the amounts computed.
# Between the sales, a restock, a towel a customer brought back and crisps sent back.
{
  echo "dir $work"
  while read -r day customer basket; do
    echo "today 2026-03-$day 18:00"
    case $day in
      09)
        echo "window ruku"
        echo "set Edit2 1001"
        echo "click SpeedButton1"
        echo "click SpeedButton2"
        echo "cell StringGrid_ruku 3 1 48"
        echo "cell StringGrid_ruku 4 1 1.8"
        echo "click N2"
        echo "answer yes"
        echo "click SpeedButton4"
        ;;
      10)
        echo "window chuku"
        echo "set Edit2 1008"
        echo "click SpeedButton1"
        echo "click SpeedButton2"
        echo "cell StringGrid_chuku 3 1 1"
        echo "cell StringGrid_chuku 4 1 15"
        echo "cell StringGrid_chuku 5 1 15"
        echo "cell StringGrid_chuku 7 1 张阿姨"
        echo "answer yes"
        echo "click SpeedButton5"
        ;;
      12)
        echo "window ruku"
        echo "set Edit2 1005"
        echo "click SpeedButton1"
        echo "click SpeedButton2"
        echo "cell StringGrid_ruku 3 1 2"
        echo "cell StringGrid_ruku 4 1 4.2"
        echo "click N2"
        echo "answer yes"
        echo "click SpeedButton5"
        ;;
    esac
    echo "window chuku"
    row=1
    for line in $basket; do
      echo "set Edit2 ${line%:*}"
      echo "key Edit2 Return"
      echo "cell StringGrid_chuku 3 $row ${line#*:}"
      [ "$row" -eq 1 ] && echo "cell StringGrid_chuku 7 1 $customer"
      row=$((row + 1))
    done
    echo "click N2"
    echo "answer yes"
    echo "click SpeedButton4"
  done <<'DAYS'
01 零售 1001:6 1002:8 1003:3
02 零售 1004:4 1005:2 1001:4
03 零售 1002:10 1003:4 1007:1
04 零售 1001:8 1004:6 1006:1
05 张阿姨 1002:6 1005:3 1008:1
06 零售 1001:10 1003:5 1004:4 1002:12
07 零售 1001:12 1002:10 1005:4 1004:6
08 零售 1003:2 1006:2 1007:2
09 零售 1001:5 1004:2 1002:4
10 零售 1003:4 1008:2 1001:6
11 零售 1002:6 1004:3 1006:1
12 零售 1001:7 1005:2 1003:3
13 零售 1001:9 1002:8 1004:3 1007:1
14 零售 1001:11 1003:5 1005:3 1002:6
15 零售 1004:2 1006:2 1008:1
16 零售 1001:4 1007:1
DAYS
} | drive

# The pictures, on the evening of the 16th.
drive <<SCRIPT
dir $work
today 2026-03-16 18:30
window main
grab $out/main.png

window ruku
set Edit2 1002
click SpeedButton1
click SpeedButton2
cell StringGrid_ruku 3 1 48
cell StringGrid_ruku 4 1 0.75
click SpeedButton2
cell StringGrid_ruku 0 2 1009
cell StringGrid_ruku 1 2 香皂
cell StringGrid_ruku 2 2 块
cell StringGrid_ruku 3 2 12
cell StringGrid_ruku 4 2 2.5
cell StringGrid_ruku 6 2 0
cell StringGrid_ruku 7 2 百家日用品
cell StringGrid_ruku 9 2 4
cell StringGrid_ruku 10 2 3
click N2
click SpeedButton10
grab $out/ruku.png
answer yes
click SpeedButton4

window chuku
set Edit2 1003
click SpeedButton1
click SpeedButton2
cell StringGrid_chuku 3 1 2
cell StringGrid_chuku 4 1 4.5
cell StringGrid_chuku 7 1 张阿姨
click SpeedButton2
set Edit2 1004
click SpeedButton1
click SpeedButton2
cell StringGrid_chuku 3 2 2
cell StringGrid_chuku 4 2 3.5
cell StringGrid_chuku 7 2 张阿姨
click N2
click SpeedButton10
grab $out/chuku.png
answer yes
click SpeedButton4
set ComboBox1 客户名称
set Edit3 张阿姨
click SpeedButton12
click SpeedButton10
grab $out/chuku-search.png

window kucun
set ComboBox1 商品编号
set ComboBox2 包含
set Edit1 100
set ComboBox3 商品全部信息
click SpeedButton7
click SpeedButton10
grab $out/kucun.png
answer yes
click SpeedButton11
grab $out/kucun-shortage.png

window fenxi
click analyseButton
grab $out/fenxi.png

window config
grab $out/config.png
SCRIPT

echo "pictures in $out"
