#!/bin/sh
# Draws icon 128 (murn.ico): one 48 x 48 image with 8 bits per pixel, a
# submarine with its periscope up and a slider bar under it. Run it here after
# changing the picture, and check the result with:
#   identify -verbose murn.ico | grep -i -e geometry -e depth -e type
set -eu
cd "$(dirname "$0")"
convert -size 48x48 gradient:'#3f7fc4-#0b2a52' \
    -fill '#0b2a52' -draw 'rectangle 0,36 47,47' \
    -fill '#d9dde2' -stroke '#20262e' -strokewidth 1 \
    -draw 'roundrectangle 5,22 43,31 5,4' \
    -draw 'rectangle 19,14 29,23' \
    -draw 'rectangle 26,6 27,14' -draw 'rectangle 26,6 32,8' \
    -stroke none -fill '#ffcf33' \
    -draw 'circle 13,26 14,27' -draw 'circle 21,26 22,27' -draw 'circle 34,26 35,27' \
    -fill '#ffffff' -draw 'rectangle 6,40 41,41' \
    -fill '#ffcf33' -stroke '#20262e' -draw 'rectangle 26,37 30,44' \
    -type Palette -colors 256 -depth 8 -compress none \
    BMP3:murn.bmp
# One image, stored as an 8-bit palette bitmap.
convert murn.bmp -type Palette -colors 256 murn.ico
rm -f murn.bmp
