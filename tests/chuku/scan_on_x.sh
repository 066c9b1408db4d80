#!/usr/bin/env bash
# A USB barcode scanner is a keyboard: it types the code's digits and Return. Here xdotool
# types through a real X server into the stock-out window shown on it, twice, and the
# item must stand in the grid once, counted twice, with the code field ready again.
set -euo pipefail
drive=$1 mkbooks=$2 sheet=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$mkbooks" . >/dev/null
"$sheet" tvkucun.dat put 2 6901234567892 矿泉水 瓶 24 0.8 19.2 1.5 乙厂 6

cat >script <<END
dir $work
today 2011-05-05
click SpeedButton2
window chuku
focus Edit2
wait 8000
dump StringGrid_chuku
get Edit2
END

cat >typist <<'END'
xdotool search --sync --name "销售出库" >/dev/null
sleep 0.5
for scan in 1 2; do
  xdotool type --delay 15 6901234567892
  xdotool key Return
done
END

env -u QT_QPA_PLATFORM HOME="$work" xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c '(bash typist &); "$1" --display <script' _ "$drive" >out 2>err || {
  cat out err
  exit 1
}
expected=$(printf '10 2\n商品编号\t商品名称\t单位\t卖出数量\t卖出价\t卖出金额\t库存均价\t客户名称\t售出日期\t备注\n6901234567892\t矿泉水\t瓶\t2\t1.5\t3.00\t0.8\t\t2011-05-05\t\n')
if [ "$(cat out)" != "$expected" ]; then
  echo "expected:"
  echo "$expected"
  echo "got:"
  cat out err
  exit 1
fi
echo "two scans through the X server: one line, counted twice"
