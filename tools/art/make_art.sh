#!/bin/sh
# Regenerates the installer artwork in res/. With --sheet it also builds a
# contact sheet of everything, enlarged 4x, in /tmp/art_sheet.png.
# Needs python3 and ImageMagick (convert, montage) with the Liberation fonts
# (Debian: fonts-liberation). The results are committed; builds do not run this.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
res="$here/../../res"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$here/make_art.py" --out "$res" --frames "$tmp/frames" ${ONLY:+--only "$ONLY"}

if [ "${1:-}" = "--sheet" ]; then
    shift
    big() { convert "$1" -background '#c0c0c0' -flatten -filter point -scale 400% "$2"; }
    big "$res/kelvar.ico[0]" "$tmp/icon32.png"
    big "$res/kelvar.ico[1]" "$tmp/icon16.png"
    set -- -label icon32 "$tmp/icon32.png" -label icon16 "$tmp/icon16.png"
    for f in arrow_left arrow_right drive_floppy drive_fixed drive_network drive_cdrom drive_ram; do
        big "$res/$f.bmp" "$tmp/$f.png"
        set -- "$@" -label "${f#*_}" "$tmp/$f.png"
    done
    montage -pointsize 11 -background '#808080' -geometry +8+6 -tile 9x "$@" +repage "$tmp/row1.png"
    for i in 00 03 06 09 12 15 18 21 24 27 29; do
        convert "$tmp/frames/frame$i.ppm" -filter point -scale 400% "$tmp/f$i.png"
    done
    montage -background '#808080' -geometry +4+4 -tile 6x "$tmp"/f*.png +repage "$tmp/row2.png"
    convert "$tmp/row1.png" "$tmp/row2.png" "$res/background.bmp" -background '#808080' \
        -gravity west -append +repage /tmp/art_sheet.png
    echo "sheet: /tmp/art_sheet.png"
fi
