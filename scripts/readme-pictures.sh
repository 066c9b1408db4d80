#!/usr/bin/env bash
# Remakes the README's pictures with the program's own windows: a sample shop's month of
# sales is written into a scratch folder, and the driver shows the windows on a virtual X
# display and grabs them. Run it again when a window changes.
#
# usage: scripts/readme-pictures.sh [BUILD_DIR] [OUT_DIR]   (defaults: build docs/pictures)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/pictures}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavelo-pictures-XXXXXX")
trap 'rm -rf "$work"' EXIT

"$build/tools/mkbooks" "$work" >/dev/null
# name, unit, price, average cost
items=("可口可乐 瓶 3 1.9" "雪碧 瓶 3 1.9" "矿泉水 瓶 2 0.8" "方便面 袋 4.5 3.1" "薯片 袋 6 4.2"
       "纯牛奶 盒 3.5 2.6" "面包 个 5 3.4" "啤酒 瓶 4 2.7" "洗衣粉 袋 12 9.5" "牙膏 支 9 6.8"
       "毛巾 条 15 10" "火腿肠 根 2 1.2")
RANDOM=2026
row=2
for day in $(seq 1 30); do
  for _ in $(seq 1 $((2 + RANDOM % 5))); do
    i=$((RANDOM % ${#items[@]}))
    read -r name unit price cost <<<"${items[$i]}"
    qty=$((1 + RANDOM % 12))
    remark=""
    if [ $((RANDOM % 15)) -eq 0 ]; then remark="退货"; qty=$((1 + qty / 4)); fi
    amount=$(awk -v q="$qty" -v p="$price" 'BEGIN { printf "%g", q * p }')
    "$build/tools/sheet" "$work/tvchuku.dat" put "$row" $((1001 + i)) "$name" "$unit" "$qty" \
      "$price" "$amount" "$cost" 零售 "$(printf '2026-11-%02d' "$day")" "$remark"
    row=$((row + 1))
  done
done

xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/drive" <<SCRIPT
dir $work
today 2026-11-30
window main
grab $out/main.png
window fenxi
set Edit1 2026-11-01
click SpeedButton1
grab $out/fenxi.png
SCRIPT
echo "pictures in $out"
