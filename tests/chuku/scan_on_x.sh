#!/usr/bin/env bash
# A USB barcode scanner is a keyboard: it types the code's digits and Return. Here xdotool
# types through a real X server into the stock-out window as soon as it is shown (the
# keyboard must start in 商品编号), twice, and the
# item must stand in the grid once, counted twice, with the code field ready again. The
# sale then goes through the payment dialog as a cashier works it: the cash handed over
# typed and Enter. The books keep the payment, and the ESC/POS job opens the drawer. Tab
# then takes the keyboard from 商品编号 to 销售出库.
set -euo pipefail
drive=$1 mkbooks=$2 sheet=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$mkbooks" . >/dev/null
"$sheet" tvkucun.dat put 2 6901234567892 矿泉水 瓶 24 0.8 19.2 1.5 乙厂 6
printf '[receipt]\nprinter=Till\nmode=escpos\nautoprint=1\n' >tvstorekeep.ini
mkdir out

cat >script <<END
dir $work
today 2011-05-05
printto $work/out
click SpeedButton2
window chuku
wait 8000
dump StringGrid_chuku
get Edit2
answer yes
pay dialog
click SpeedButton4
wait 8000
messages
END

cat >typist <<'END'
xdotool search --sync --name "销售出库" >/dev/null
sleep 0.5
for scan in 1 2; do
  xdotool type --delay 15 6901234567892
  xdotool key Return
done
xdotool search --sync --name "收款" >/dev/null
sleep 0.5
xdotool type --delay 15 5
xdotool key Return
END

env -u QT_QPA_PLATFORM HOME="$work" xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c '(bash typist &); "$1" --display <script' _ "$drive" >out.txt 2>err || {
  cat out.txt err
  exit 1
}
"$sheet" tvdanju.dat dump | cut -d'|' -f9,13- >>out.txt
od -An -tx1 -N7 out/receipt-001.bin >>out.txt
expected=$(printf '10 2\n商品编号\t商品名称\t单位\t卖出数量\t卖出价\t卖出金额\t库存均价\t客户名称\t售出日期\t备注\n6901234567892\t矿泉水\t瓶\t2\t1.5\t3.00\t0.8\t散客\t2011-05-05\t\n\nconfirm: 确认开始进行销售出库操作吗？\npay: 应收 3.00\n 金额合计 | 现金 | 微信 | 支付宝 | 银行卡 | 赊账 | 实收 | 找零 | 备注\n 3 | 3 | 0 | 0 | 0 | 0 | 5 | 2\n 1b 40 1b 70 00 19 fa')
if [ "$(cat out.txt)" != "$expected" ]; then
  echo "expected:"
  echo "$expected"
  echo "got:"
  cat out.txt err
  exit 1
fi
# The keyboard alone reaches the buttons, in the order they are read: four Tabs from
# 商品编号 (调阅数据, 增加数据, 删除数据) are on 销售出库, and Space presses it.
printf 'dir %s\nclick SpeedButton2\nwindow chuku\nwait 3000\nmessages\n' "$work" >script
cat >typist <<'END'
xdotool search --sync --name "销售出库" >/dev/null
sleep 0.5
xdotool key Tab Tab Tab Tab space
END
said=$(env -u QT_QPA_PLATFORM HOME="$work" xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c '(bash typist &); "$1" --display <script' _ "$drive" 2>/dev/null)
[ "$said" = "info: 表格中没有可以出库的数据，请先录入" ] || { echo "Tab did not reach 销售出库: $said"; exit 1; }
# The driver's own options in either order: Qt must not take --echo for a display's name.
for order in "--display --echo" "--echo --display"; do
  echo "today 2011-05-05" | env -u QT_QPA_PLATFORM HOME="$work" xvfb-run -a "$drive" $order \
    2>/dev/null | grep -qx "> today 2011-05-05" || { echo "drive $order did not start"; exit 1; }
done
echo "two scans and a cash payment through the X server: one line, counted twice, change 2"
