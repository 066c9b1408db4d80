#!/usr/bin/env bash
# The Debian package as a shop keeper's machine gets it: made by CPack from this build
# tree, checked with Debian's own tools, unpacked into a scratch root and started from
# there by a user who has never run it.
set -euo pipefail
build="$1"
source="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
deb="$(ls "$work"/out/tavelo_*.deb)"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/contents"
id=com.example.tavelo
for file in usr/bin/tavelo usr/libexec/tavelo/{convert-legacy,mkbooks,sheet,books-db} \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
    usr/share/tavelo/manual/index.html usr/share/man/man1/tavelo.1.gz \
    usr/share/man/zh_CN/man1/tavelo.1.gz \
    usr/share/doc/tavelo/copyright usr/share/doc/tavelo/changelog.gz; do
    grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done
# The manual's pictures came along.
for picture in $(grep -o 'src="[^"]*"' "$source/docs/manual/index.html" | cut -d'"' -f2); do
    grep -qx "usr/share/tavelo/manual/$picture" "$work/contents" || fail "the manual lacks $picture"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for package in fonts-noto-cjk fonts-arphic-uming fonts-hanazono qt6-translations-l10n \
    libqt6widgets6 libqt6printsupport6 libcups2 libpq5; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>/dev/null || true
! grep '^[EW]:' "$work/lintian" || fail "lintian reports errors or warnings"

# A first start on a Chinese desktop, whose documents folder is ~/文档 and does not exist yet.
home="$work/home"
mkdir -p "$home/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/文档"' >"$home/.config/user-dirs.dirs"
# What the program hands to the desktop is written down instead of opened.
mkdir "$work/desktop"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/desktop/xdg-open"
chmod +x "$work/desktop/xdg-open"
start() {
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CURRENT_DESKTOP HOME="$home" \
        PATH="$work/desktop:$PATH" \
        bash "$source/scripts/screenshot.sh" "$root/usr/bin/tavelo" "$1" 4 "$2" "${3:-true}"
}
start "$build/package-first-start.png" "$work/first"
shop="$home/文档/Tavelo进销存"
[[ "$(ls "$shop" | tr '\n' ' ')" == "tvbaocun.dat tvchuku.dat tvdanju.dat tvkucun.dat tvpandian.dat tvruku.dat " ]] ||
    fail "the first start made $(ls -A "$home/文档" 2>&1)"
colours=$(identify -format '%k' "$build/package-first-start.png")
[[ "$colours" -gt 1000 ]] || fail "a blank screen ($colours colours)"
# The main window, and over it the box that says where the books are.
grep -qx 'Tavelo进销存门店版V2.0 ' "$work/first" || fail "no main window: $(cat "$work/first")"
grep -qx 'Tavelo进销存门店版V2.0' "$work/first" || fail "no first-start box: $(cat "$work/first")"

# The next start finds the folder and says nothing; nothing was written beside the program.
touch -d '2026-01-01' "$shop"/*.dat
# 软件教程 (its button's middle) opens the manual that came in the package.
start "$work/second.png" "$work/second" \
    'xdotool mousemove --window "$(xdotool search --name "^Tavelo进销存门店版V2.0 $")" 532 28 click 1; sleep 1'
[[ "$(cat "$work/opened")" == "file://$root/usr/share/tavelo/manual/index.html" ]] ||
    fail "软件教程 opened: $(cat "$work/opened" 2>&1)"
grep -qx 'Tavelo进销存门店版V2.0 ' "$work/second" || fail "no main window at the second start"
! grep -qx 'Tavelo进销存门店版V2.0' "$work/second" || fail "the first-start box came again"
[[ -z "$(find "$shop" -name '*.dat' -newermt '2026-01-02')" ]] ||
    fail "a book was written"
[[ "$(ls "$root/usr/bin")" == tavelo ]] || fail "something was written beside the program"
echo "package: $(basename "$deb"), $(wc -l <"$work/contents") entries; first start: $shop"
