#!/usr/bin/env bash
# Draws every picture the program shows -- the main window's shop picture,
# the About box icon and strip, the eleven toolbar button glyphs, and the
# application icon the desktop shows for it at each hicolor size -- from
# ImageMagick vector primitives and Noto Serif CJK SC text.
#
# The JPEGs in resources/pictures/ are this script's output.  They are
# committed so that building the program does not need ImageMagick; rerun
# this script only when a picture has to change.
#
# Needs: ImageMagick 6 (convert), python3, fonts-noto-cjk.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$here/pictures"
mkdir -p "$out"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

noto_dir=/usr/share/fonts/opentype/noto
serif_regular_ttc="$noto_dir/NotoSerifCJK-Regular.ttc"
serif_bold_ttc="$noto_dir/NotoSerifCJK-Bold.ttc"

# ImageMagick 6 always opens face 0 of a .ttc, which in the Noto CJK
# collections is the Japanese face: shared characters would come out with
# Japanese glyph shapes.  Copy the Simplified Chinese face (index 2) out into
# a stand-alone font file so the text is drawn with the mainland forms.
extract_face() {
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
src, index, dst = sys.argv[1], int(sys.argv[2]), sys.argv[3]
data = open(src, 'rb').read()
if data[:4] != b'ttcf':
    raise SystemExit(src + ' is not a font collection')
count = struct.unpack('>I', data[8:12])[0]
if index >= count:
    raise SystemExit('%s has only %d faces' % (src, count))
start = struct.unpack('>I', data[12 + 4 * index:16 + 4 * index])[0]
ntables = struct.unpack('>H', data[start + 4:start + 6])[0]
records = [struct.unpack('>4sIII', data[start + 12 + 16 * i:start + 28 + 16 * i])
           for i in range(ntables)]
directory, body = bytearray(), bytearray()
first = 12 + 16 * ntables
for tag, checksum, offset, length in records:
    directory += struct.pack('>4sIII', tag, checksum, first + len(body), length)
    body += data[offset:offset + length]
    body += b'\0' * (-len(body) % 4)
with open(dst, 'wb') as f:
    f.write(data[start:start + 12] + directory + body)
PY
}

SC_FACE=2
serif="$work/serif-sc.otf"
serif_bold="$work/serif-sc-bold.otf"
extract_face "$serif_regular_ttc" "$SC_FACE" "$serif"
extract_face "$serif_bold_ttc" "$SC_FACE" "$serif_bold"

# Palette: deep blue and teal carry the program's identity, a warm amber is
# the single accent; the cardboard tones only appear on boxes.
NAVY='#1d3f63'
BLUE='#1f5a8f'
SKY='#dcebf6'
TEAL='#2a8a8f'
TEAL_DARK='#1d6a6f'
AMBER='#e08a2c'
RUST='#c8552b'
RUST_DARK='#8e3516'
GREEN='#2e9a5a'
GREEN_DARK='#1d6b3c'
CARD='#dcaa5e'
CARD_DARK='#8b5e1a'
CARD_LINE='#b98234'
DIALOG='#efefef'

# JPEG settings.  Full-resolution chroma keeps small coloured shapes from
# bleeding into the background, and -strip keeps the files free of anything
# that would change from one run to the next.
#
# The icon and glyphs are keyed: the program turns every pixel close to the
# bottom-left pixel's colour transparent.  At quality 92 the DCT ringing
# around a 24-pixel glyph moves background pixels, the corner included, by
# up to 25 levels, which would leave a speckled grey fringe; at 100 they stay
# within 3 levels, and the files are still only about 1.5 KB.
jpeg_opts=(-strip -sampling-factor 1x1 -interlace none)
photo_quality=92
keyed_quality=100

# render NAME WIDTH HEIGHT FACTOR BACKGROUND MVG
#   Draws MVG on a canvas FACTOR times larger than the picture and boxes it
#   down, which anti-aliases every edge evenly.  The MVG is written in the
#   picture's own pixel units: the leading affine maps a coordinate c (pixel
#   p spans [p, p+1]) onto the large canvas, so edges on whole numbers land
#   exactly on pixel boundaries after the box filter.
render() {
    local name=$1 w=$2 h=$3 f=$4 bg=$5 mvg=$6
    # The drawing goes in as a string: Debian's ImageMagick policy refuses
    # "-draw @file".
    convert -size $((w * f))x$((h * f)) "xc:$bg" \
        -draw "$(scaled_mvg $((w * f)) $((h * f)) "$f" "$mvg")" \
        -scale "${w}x${h}!" \
        "${jpeg_opts[@]}" -quality "$keyed_quality" "$out/$name"
}

# scaled_mvg CANVAS_WIDTH CANVAS_HEIGHT SCALE MVG
#   Prints MVG behind the viewbox and affine that render describes.
scaled_mvg() {
    printf 'viewbox 0 0 %d %d\n' "$1" "$2"
    printf 'affine %s,0,0,%s,-0.5,-0.5\n' "$3" "$3"
    cat "$4"
}

# --------------------------------------------------------------------------
# main.jpg -- the main window's picture, centred on a white client area, so
# every edge must stay pure white.
# --------------------------------------------------------------------------
main_picture() {
    local w=560 h=330 f=2
    local bg="$work/main-bg.png"

    # A pale blue glow that has faded to white well before the edges.
    convert -size $((w * f))x$((h * f)) \
        -define gradient:center=$((w * f / 2)),$((h * f / 2 - 6)) \
        -define gradient:radii=$((w * f / 2 - 24)),$((h * f / 2 - 14)) \
        radial-gradient:'#e3eef8-#ffffff' "$bg"

    cat >"$work/main.body" <<EOF
stroke none

# soft ground shadow under the shop and its cartons
fill '#dde7f0'
ellipse 124,270 114,9 0,360

# cartons waiting to be shelved
fill '$CARD_DARK'
path 'M 14,238 H 50 V 266 H 14 Z'
path 'M 20,216 H 45 V 239 H 20 Z'
fill '$CARD'
path 'M 16,240 H 48 V 264 H 16 Z'
path 'M 22,218 H 43 V 237 H 22 Z'
fill '$CARD_LINE'
path 'M 30,240 H 34 V 264 H 30 Z'
path 'M 16,246 H 48 V 247 H 16 Z'
path 'M 31,218 H 34 V 237 H 31 Z'

push graphic-context
translate 6,0

# parapet and sign board
fill '$NAVY'
path 'M 44,66 H 212 V 74 H 44 Z'
fill '$BLUE'
path 'M 50,74 H 206 V 106 H 50 Z'
fill '#2a6aa3'
path 'M 53,77 H 203 V 103 H 53 Z'
fill '#ffffff'
font '$serif_bold'
font-size 17
text 87,97 '百 货 商 店'

# walls, a little darker where the awning shades them
fill '#f5efe3'
path 'M 50,106 H 206 V 264 H 50 Z'
fill '#ebe2d1'
path 'M 50,130 H 206 V 150 H 50 Z'
fill '#e2d7c3'
path 'M 50,106 H 53 V 264 H 50 Z'
path 'M 203,106 H 206 V 264 H 203 Z'

# striped awning with a scalloped hem, teal at both ends
fill '#ffffff'
path 'M 38,110 H 218 V 134 H 38 Z'
circle 68,134 68,144
circle 108,134 108,144
circle 148,134 148,144
circle 188,134 188,144
fill '$TEAL'
path 'M 38,110 H 58 V 134 H 38 Z'
path 'M 78,110 H 98 V 134 H 78 Z'
path 'M 118,110 H 138 V 134 H 118 Z'
path 'M 158,110 H 178 V 134 H 158 Z'
path 'M 198,110 H 218 V 134 H 198 Z'
circle 48,134 48,144
circle 88,134 88,144
circle 128,134 128,144
circle 168,134 168,144
circle 208,134 208,144
fill '$TEAL_DARK'
path 'M 36,105 H 220 V 111 H 36 Z'

# shop window with two shelves of goods
fill '$NAVY'
path 'M 62,158 H 144 V 250 H 62 Z'
fill '#e4f0f8'
path 'M 65,161 H 141 V 247 H 65 Z'
fill '#d3e4f0'
path 'M 65,161 L 94,161 L 65,194 Z'
fill '$NAVY'
path 'M 65,194 H 141 V 197 H 65 Z'
path 'M 65,230 H 141 V 233 H 65 Z'
fill '$CARD'
path 'M 70,176 H 86 V 194 H 70 Z'
path 'M 114,214 H 133 V 230 H 114 Z'
fill '$AMBER'
path 'M 90,182 H 102 V 194 H 90 Z'
path 'M 72,218 H 84 V 230 H 72 Z'
fill '$TEAL'
path 'M 106,172 H 118 V 194 H 106 Z'
path 'M 89,209 H 109 V 230 H 89 Z'
fill '#ffffff'
path 'M 122,180 H 136 V 194 H 122 Z'
fill '#9fb9d1'
path 'M 122,192 H 136 V 194 H 122 Z'
fill '$CARD_LINE'
path 'M 77,176 H 79 V 194 H 77 Z'
path 'M 114,221 H 133 V 223 H 114 Z'
fill '#1f7479'
path 'M 89,209 H 109 V 212 H 89 Z'

# door
fill '$NAVY'
path 'M 156,158 H 198 V 264 H 156 Z'
fill '$BLUE'
path 'M 159,161 H 195 V 264 H 159 Z'
fill '#e4f0f8'
path 'M 163,165 H 191 V 208 H 163 Z'
fill '#d3e4f0'
path 'M 163,165 L 181,165 L 163,186 Z'
fill '$AMBER'
circle 189,230 189,233

# step
fill '#b9c9d8'
path 'M 42,264 H 214 V 271 H 42 Z'

pop graphic-context

# title block
font '$serif_bold'
font-size 30
fill '$TEAL'
text 250,152 'Tavelo'
fill '$NAVY'
text __TITLE_X__,152 '进销存门店版'

fill '$AMBER'
path 'M 252,166 H 300 V 169 H 252 Z'
fill '#b9cde0'
path 'M 300,167 H 536 V 168 H 300 Z'

fill '$AMBER'
roundrectangle 252,180 304,202 4,4
fill '#ffffff'
font-size 15
text __VERSION_X__,197 'V2.0'

fill '#4b6278'
font '$serif'
font-size 16
text 252,234 '进货 · 销售 · 库存 · 报表'
EOF

    # "Tavelo" is set in the same face, so measure it to butt the Chinese
    # part against it with a hair of space.
    local latin_w
    latin_w=$(convert -font "$serif_bold" -pointsize $((30 * f)) \
        label:Tavelo -format '%w' info:)
    local title_x
    title_x=$(awk -v x=250 -v lw="$latin_w" -v f="$f" \
        'BEGIN { printf "%d", x + lw / f + 3 }')
    # Centre the version number in its 52-pixel tag.
    local version_w version_x
    version_w=$(convert -font "$serif_bold" -pointsize $((15 * f)) \
        label:V2.0 -format '%w' info:)
    version_x=$(awk -v w="$version_w" -v f="$f" \
        'BEGIN { printf "%.1f", 252 + (52 - w / f) / 2 }')
    sed -i -e "s/__TITLE_X__/$title_x/" -e "s/__VERSION_X__/$version_x/" \
        "$work/main.body"

    convert "$bg" \
        -draw "$(scaled_mvg $((w * f)) $((h * f)) "$f" "$work/main.body")" \
        -scale "${w}x${h}!" \
        "${jpeg_opts[@]}" -quality "$photo_quality" "$out/main.jpg"
}

# --------------------------------------------------------------------------
# About box: icon and decorative strip, both on the dialog's grey.
# --------------------------------------------------------------------------
about_icon() {
    cat >"$work/icon.body" <<EOF
stroke none

# carton behind the ledger
fill '$CARD_DARK'
path 'M 38,20 H 62 V 42 H 38 Z'
fill '$CARD'
path 'M 39,21 H 61 V 41 H 39 Z'
fill '$CARD_LINE'
path 'M 48,21 H 52 V 29 H 48 Z'
path 'M 39,27 H 61 V 28 H 39 Z'

# ledger: page block, then cover
fill '$NAVY'
path 'M 14,5 H 43 V 44 H 14 Z'
fill '#ffffff'
path 'M 15,6 H 42 V 43 H 15 Z'
fill '#c9d6e2'
path 'M 15,41 H 42 V 42 H 15 Z'
path 'M 15,38 H 42 V 39 H 15 Z'
fill '$NAVY'
path 'M 10,3 H 38 V 40 H 10 Z'
fill '$BLUE'
path 'M 11,4 H 37 V 39 H 11 Z'
fill '$TEAL'
path 'M 11,4 H 16 V 39 H 11 Z'
fill '$AMBER'
path 'M 19,31 H 34 V 33 H 19 Z'
fill '#ffffff'
font '$serif_bold'
font-size 24
text 19.5,27 'T'
EOF
    render about_icon.jpg 72 48 4 "$DIALOG" "$work/icon.body"
}

about_strip() {
    local w=188 h=18 f=4
    # Fade the band into the grey with a horizontal mask.
    convert -size $((w * f))x$((10 * f)) -define gradient:direction=east \
        gradient:"$NAVY-$TEAL" "$work/band.png"
    convert -size $((10 * f))x$((w * f)) gradient:'#ffffff-#000000' -rotate -90 \
        -level 0%,45% "$work/band-mask.png"
    convert -size $((w * f))x$((10 * f)) "xc:$DIALOG" "$work/band.png" \
        "$work/band-mask.png" -composite "$work/band-faded.png"

    convert -size $((w * f))x$((1 * f)) -define gradient:direction=east \
        gradient:"$AMBER-$DIALOG" "$work/line.png"

    convert -size $((w * f))x$((h * f)) "xc:$DIALOG" \
        "$work/band-faded.png" -geometry +0+$((3 * f)) -composite \
        "$work/line.png" -geometry +0+$((15 * f)) -composite \
        -scale "${w}x${h}!" "${jpeg_opts[@]}" -quality "$photo_quality" \
        "$out/about_strip.jpg"
}

# --------------------------------------------------------------------------
# Button glyphs, 24 x 24 on the dialog grey.  Every shape carries a dark
# edge so it never fades into the grey that the program keys out.
# --------------------------------------------------------------------------

# A closed carton: dark edge, cardboard face, a lid seam and tape strip.
carton() {   # x0 y0 x1 y1
    local x0=$1 y0=$2 x1=$3 y1=$4
    local tape_l tape_r
    tape_l=$(awk -v a="$x0" -v b="$x1" 'BEGIN { printf "%g", (a + b) / 2 - 1 }')
    tape_r=$(awk -v a="$x0" -v b="$x1" 'BEGIN { printf "%g", (a + b) / 2 + 1 }')
    cat <<EOF
fill '$CARD_DARK'
path 'M $x0,$y0 H $x1 V $y1 H $x0 Z'
fill '$CARD'
path 'M $((x0 + 1)),$((y0 + 1)) H $((x1 - 1)) V $((y1 - 1)) H $((x0 + 1)) Z'
fill '$CARD_LINE'
path 'M $((x0 + 1)),$((y0 + 3)) H $((x1 - 1)) V $((y0 + 4)) H $((x0 + 1)) Z'
path 'M $tape_l,$((y0 + 1)) H $tape_r V $((y0 + 4)) H $tape_l Z'
EOF
}

glyph() {   # name, body on stdin
    cat >"$work/$1.body"
    render "$1" 24 24 4 "$DIALOG" "$work/$1.body"
}

glyphs() {
    {
        echo "stroke none"
        carton 2 13 14 22
        carton 4 5 13 13
        cat <<EOF
# magnifier over the stock
stroke '$NAVY'
stroke-width 2.2
stroke-linecap round
line 18.6,17.6 21.8,20.8
stroke-width 1.6
fill '$SKY'
circle 16,14 16,18.6
stroke none
fill '#ffffff'
circle 14.8,12.8 14.8,14.2
EOF
    } | glyph glyph_kucun.jpg

    {
        echo "stroke none"
        carton 2 7 15 21
        cat <<EOF
# arrow leaving the carton
fill '$RUST_DARK'
path 'M 8,11 H 15 V 7 L 23,14 L 15,21 V 17 H 8 Z'
fill '$RUST'
path 'M 9,12 H 16 V 9.4 L 21.3,14 L 16,18.6 V 16 H 9 Z'
EOF
    } | glyph glyph_chuku.jpg

    {
        echo "stroke none"
        carton 3 12 21 22
        cat <<EOF
# arrow dropping into the carton
fill '$GREEN_DARK'
path 'M 9.5,1 H 14.5 V 7 H 18.5 L 12,14.5 L 5.5,7 H 9.5 Z'
fill '$GREEN'
path 'M 10.5,2 H 13.5 V 8 H 16.3 L 12,13 L 7.7,8 H 10.5 Z'
EOF
    } | glyph glyph_ruku.jpg

    glyph glyph_backup.jpg <<EOF
stroke none
# diskette body with the clipped corner
fill '$NAVY'
path 'M 3,3 H 19 L 21,5 V 21 H 3 Z'
fill '$BLUE'
path 'M 4,4 H 18.6 L 20,5.4 V 20 H 4 Z'
# metal shutter
fill '#c9d3dc'
path 'M 7,3 H 17 V 10 H 7 Z'
fill '$NAVY'
path 'M 13,4.5 H 15.5 V 8.5 H 13 Z'
# label
fill '#ffffff'
path 'M 6,13 H 18 V 21 H 6 Z'
fill '#9fb9d1'
path 'M 8,15 H 16 V 16 H 8 Z'
path 'M 8,18 H 14 V 19 H 8 Z'
EOF

    # gear: eight teeth around a rim, each tooth with a lighter face
    {
        echo "stroke none"
        echo "fill '$NAVY'"
        local a
        for a in 0 45 90 135 180 225 270 315; do
            cat <<EOF
push graphic-context
translate 12,12
rotate $a
path 'M -2.3,-11 H 2.3 V -6 H -2.3 Z'
pop graphic-context
EOF
        done
        cat <<EOF
circle 12,12 12,3.6
fill '#5b84ad'
circle 12,12 12,4.8
fill '$NAVY'
circle 12,12 12,8.6
# the axle hole is left in the dialog grey so the program keys it out
fill '$DIALOG'
circle 12,12 12,9.8
EOF
        for a in 0 45 90 135 180 225 270 315; do
            cat <<EOF
push graphic-context
translate 12,12
rotate $a
fill '#5b84ad'
path 'M -1.3,-10 H 1.3 V -7 H -1.3 Z'
pop graphic-context
EOF
        done
    } | glyph glyph_config.jpg

    glyph glyph_help.jpg <<EOF
stroke none
# open book: cover, then two pages meeting at the spine
fill '$TEAL_DARK'
path 'M 1,6 L 12,8 L 23,6 V 21 L 12,22 L 1,21 Z'
fill '#ffffff'
path 'M 2.5,4 C 6,3.6 9.5,4.4 11.4,6.2 V 20.2 C 9.5,18.6 6,18 2.5,18.8 Z'
path 'M 21.5,4 C 18,3.6 14.5,4.4 12.6,6.2 V 20.2 C 14.5,18.6 18,18 21.5,18.8 Z'
stroke '$NAVY'
stroke-width 1
fill none
path 'M 2.5,4 C 6,3.6 9.5,4.4 11.4,6.2 V 20.2 C 9.5,18.6 6,18 2.5,18.8 Z'
path 'M 21.5,4 C 18,3.6 14.5,4.4 12.6,6.2 V 20.2 C 14.5,18.6 18,18 21.5,18.8 Z'
stroke '#7fa6c8'
line 4.5,8 9.5,9
line 4.5,11 9.5,12
line 4.5,14 9.5,15
line 14.5,9 19.5,8
line 14.5,12 19.5,11
line 14.5,15 19.5,14
EOF

    glyph glyph_home.jpg <<EOF
stroke none
# chimney, walls, door, then the roof over them
fill '$NAVY'
path 'M 16,3 H 19 V 9 H 16 Z'
fill '$CARD_DARK'
path 'M 4,11 H 20 V 22 H 4 Z'
fill '#f6ecd6'
path 'M 5,11 H 19 V 21 H 5 Z'
fill '$NAVY'
path 'M 10,14 H 15 V 22 H 10 Z'
fill '$BLUE'
path 'M 11,15 H 14 V 22 H 11 Z'
fill '$RUST_DARK'
path 'M 12,0.8 L 23.6,11.4 L 21.4,13.8 L 12,5.2 L 2.6,13.8 L 0.4,11.4 Z'
fill '$RUST'
path 'M 12,2.2 L 22.2,11.5 L 21.4,12.4 L 12,3.8 L 2.6,12.4 L 1.8,11.5 Z'
EOF

    glyph glyph_about.jpg <<EOF
stroke none
# a serifed "i" on a blue disc
fill '$NAVY'
circle 12,12 12,1.4
fill '#2f72b3'
circle 12,12 12,2.5
fill '#ffffff'
circle 12,7.2 12,5.4
path 'M 9.5,10 H 13.2 V 17.5 H 14.6 V 19 H 9.4 V 17.5 H 10.8 V 11.5 H 9.5 Z'
EOF

    glyph glyph_mail.jpg <<EOF
stroke none
# envelope
fill '$NAVY'
path 'M 1,5 H 23 V 20 H 1 Z'
fill '#fffaf0'
path 'M 2,6 H 22 V 19 H 2 Z'
# lower seams, faint
stroke '#9fb9d1'
stroke-width 1
line 2.5,18.5 9.5,12
line 21.5,18.5 14.5,12
# the flap
stroke '$NAVY'
stroke-width 1.4
stroke-linejoin round
fill '#e6eef6'
path 'M 2,6 L 12,14 L 22,6'
EOF

    glyph glyph_fenxi.jpg <<EOF
stroke none
# three bars on a base line, a rising profit line over them
fill '$NAVY'
path 'M 2,21 H 22 V 22.5 H 2 Z'
path 'M 3,13 H 8 V 21 H 3 Z'
path 'M 9.5,9 H 14.5 V 21 H 9.5 Z'
path 'M 16,5 H 21 V 21 H 16 Z'
fill '$BLUE'
path 'M 4,14 H 7 V 21 H 4 Z'
path 'M 10.5,10 H 13.5 V 21 H 10.5 Z'
path 'M 17,6 H 20 V 21 H 17 Z'
stroke '$AMBER'
stroke-width 2
stroke-linecap round
stroke-linejoin round
fill none
path 'M 2.5,12 L 9,8.5 L 13,10 L 21.5,2.5'
EOF

    glyph glyph_wanglai.jpg <<EOF
stroke none
# the account book: cover edge, page, spine and ruled lines
fill '$NAVY'
path 'M 2,1 H 16 V 19 H 2 Z'
fill '#ffffff'
path 'M 3,2 H 15 V 18 H 3 Z'
fill '$TEAL'
path 'M 3,2 H 6 V 18 H 3 Z'
fill '#9fb9d1'
path 'M 8,5 H 13 V 6 H 8 Z'
path 'M 8,8 H 13 V 9 H 8 Z'
# money going out to the right and coming back to the left
fill '$GREEN_DARK'
path 'M 8,10 H 17 V 7.5 L 22.5,11.5 L 17,15.5 V 13 H 8 Z'
fill '$GREEN'
path 'M 9,11 H 18 V 9.6 L 20.9,11.5 L 18,13.4 V 12 H 9 Z'
fill '$RUST_DARK'
path 'M 22,17 H 13 V 14.5 L 7.5,18.5 L 13,22.5 V 20 H 22 Z'
fill '$RUST'
path 'M 21,18 H 12 V 16.6 L 9.1,18.5 L 12,20.4 V 19 H 21 Z'
EOF
}

# --------------------------------------------------------------------------
# The application icon the desktop shows in menus, the task bar and software
# centres: a shop front under a striped awning on a rounded blue tile, with
# the amber door as its one accent.  Unlike everything above it has a
# transparent background, so it is written as RGBA PNG, one file per
# hicolor size, into resources/icons/hicolor/NxN/apps/.  Like the JPEGs the
# PNGs are committed, so building the program does not need ImageMagick.
# --------------------------------------------------------------------------

# stripes X0 X1 Y0 Y1 WIDTH -- the awning's cloth: teal and white stripes
# of WIDTH, teal at both ends.
stripes() {
    local x=$1 n=0
    while [ "$x" -lt "$2" ]; do
        if [ $((n % 2)) -eq 0 ]; then echo "fill '$TEAL'"; else echo "fill '#ffffff'"; fi
        echo "path 'M $x,$3 H $((x + $5)) V $4 H $x Z'"
        x=$((x + $5)) n=$((n + 1))
    done
}

# The full drawing, on a 64-unit square.  The main edges fall on multiples
# of four units so that they stay sharp at 32 and 48 pixels too.
icon_large_body() {
    cat <<EOF
stroke none

# the tile
fill '$NAVY'
roundrectangle 4,4 60,60 12,12
fill '$BLUE'
roundrectangle 5,5 59,59 11,11

# walls, shaded under the awning so its white scallops stand out
fill '#f5efe3'
path 'M 16,28 H 48 V 52 H 16 Z'
fill '#e2d7c3'
path 'M 16,28 H 48 V 34 H 16 Z'

# shop window with a carton on show
fill '$NAVY'
path 'M 20,36 H 32 V 48 H 20 Z'
fill '#e4f0f8'
path 'M 22,38 H 30 V 46 H 22 Z'
fill '$CARD_DARK'
path 'M 23,40 H 29 V 46 H 23 Z'
fill '$CARD'
path 'M 23.5,40.5 H 28.5 V 46 H 23.5 Z'
fill '$CARD_LINE'
path 'M 25.5,40.5 H 26.5 V 46 H 25.5 Z'

# the door, the accent
fill '$RUST_DARK'
path 'M 36,36 H 44 V 52 H 36 Z'
fill '$AMBER'
path 'M 37,37 H 43 V 52 H 37 Z'
fill '#f3c283'
path 'M 38,38 H 42 V 43 H 38 Z'
fill '$RUST_DARK'
circle 41.5,46 41.5,47

# step
fill '#b9c9d8'
path 'M 12,52 H 52 V 54 H 12 Z'

# awning: rod, striped cloth, scalloped hem
fill '$TEAL_DARK'
path 'M 10,12 H 54 V 16 H 10 Z'
EOF
    stripes 12 52 16 28 8
    local x n=0
    for x in 16 24 32 40 48; do
        if [ $((n % 2)) -eq 0 ]; then echo "fill '$TEAL'"; else echo "fill '#ffffff'"; fi
        echo "circle $x,28 $x,32"
        n=$((n + 1))
    done
}

# The simplified drawing for 16, 22 and 24 pixels, in pixels: the tile, an
# awning of two-pixel stripes whose teal ones hang a pixel lower for a hem,
# the walls, the window and the amber door.  Goods and scallops would only
# blur at these sizes; at 16 the window is a plain dark pane and the step
# goes too.
icon_small_body() {
    local n=$1 r rod aw0 aw1 cloth hem wall0 wall1 win0 win1 win_top win_bot door0 door1
    case $n in
        #   r  rod aw0 aw1 cloth hem wall0 wall1 win0 win1 win_top win_bot door0 door1
        16) set -- 3 3 3 13 6 7 4 12 5 8 8 11 9 11 ;;
        22) set -- 4 4 4 18 8 9 5 17 6 11 11 16 12 16 ;;
        24) set -- 4 5 5 19 9 10 6 18 7 12 12 17 13 17 ;;
        *) echo "no small icon drawing for $n pixels" >&2; return 1 ;;
    esac
    r=$1 rod=$2 aw0=$3 aw1=$4 cloth=$5 hem=$6 wall0=$7 wall1=$8
    win0=$9 win1=${10} win_top=${11} win_bot=${12} door0=${13} door1=${14}
    local base=$((n - 3))
    cat <<EOF
stroke none
fill '$NAVY'
roundrectangle 1,1 $((n - 1)),$((n - 1)) $r,$r
fill '$BLUE'
roundrectangle 2,2 $((n - 2)),$((n - 2)) $((r - 1)),$((r - 1))
fill '#f5efe3'
path 'M $wall0,$cloth H $wall1 V $base H $wall0 Z'
fill '$NAVY'
path 'M $win0,$win_top H $win1 V $win_bot H $win0 Z'
fill '$AMBER'
path 'M $door0,$win_top H $door1 V $base H $door0 Z'
fill '$TEAL_DARK'
path 'M $aw0,$rod H $aw1 V $((rod + 1)) H $aw0 Z'
EOF
    if [ "$n" -gt 16 ]; then
        cat <<EOF
fill '#e4f0f8'
path 'M $((win0 + 1)),$((win_top + 1)) H $((win1 - 1)) V $((win_bot - 1)) H $((win0 + 1)) Z'
fill '#b9c9d8'
path 'M $((aw0 - 1)),$base H $((aw1 + 1)) V $((base + 1)) H $((aw0 - 1)) Z'
EOF
    fi
    stripes "$aw0" "$aw1" $((rod + 1)) "$cloth" 2
    local x
    echo "fill '$TEAL'"
    for ((x = aw0; x < aw1; x += 4)); do
        echo "path 'M $x,$cloth H $((x + 2)) V $hem H $x Z'"
    done
}

# render_icon SIZE FACTOR UNITS MVG
#   Like render, but on a transparent canvas into the hicolor theme; the
#   drawing is in UNITS by UNITS and is scaled to fill SIZE pixels.
#   "-scale" weighs each pixel by its opacity, so the anti-aliased edges keep
#   their colour instead of darkening towards the transparent black.
render_icon() {
    local n=$1 f=$2 units=$3 mvg=$4
    local dir="$here/icons/hicolor/${n}x${n}/apps"
    mkdir -p "$dir"
    convert -size $((n * f))x$((n * f)) xc:none \
        -draw "$(scaled_mvg $((n * f)) $((n * f)) \
            "$(awk -v n="$n" -v f="$f" -v u="$units" 'BEGIN { printf "%g", n * f / u }')" \
            "$mvg")" \
        -scale "${n}x${n}!" \
        -strip -define png:exclude-chunks=date,time PNG32:"$dir/com.example.tavelo.png"
}

app_icon() {
    icon_large_body >"$work/app-icon.body"
    local n
    for n in 16 22 24; do
        icon_small_body "$n" >"$work/app-icon-$n.body"
        render_icon "$n" 8 "$n" "$work/app-icon-$n.body"
    done
    for n in 32 48 64 128 256; do
        render_icon "$n" 8 64 "$work/app-icon.body"
    done
}

main_picture
about_icon
about_strip
glyphs
app_icon
