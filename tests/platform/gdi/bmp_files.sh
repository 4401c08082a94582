#!/bin/sh
# Writes the BMP files the GDI tests load, all made by ImageMagick's convert:
# one small picture in 216 web colours, in every layout convert writes, beside
# its plain 8-bit twin; and the game's artwork as convert writes any 8-bit
# picture by default, run-length encoded.
#   bmp_files.sh <output folder> <artwork.bmp>
set -eu
out=$1
artwork=$2
mkdir -p "$out"
cd "$out"

# Dithered rows (short runs) around two flat shapes (long runs), 61 pixels
# wide so that every row is padded.
convert -size 61x21 gradient:'#003399-#ff9900' \
    -fill '#33cc66' -draw 'rectangle 4,3 44,8' \
    -fill '#cc0033' -draw 'circle 50,15 55,18' \
    -remap netscape: -type Palette -compress None BMP3:twin8.bmp

# Header sizes: 124 by default, 108 for a picture without a rendering
# intent, 40 for BMP3.
convert twin8.bmp rle8.bmp
convert twin8.bmp -intent Undefined rle8_v4.bmp
convert twin8.bmp -compress RLE BMP3:rle8_40.bmp
convert twin8.bmp -type TrueColor -define bmp:subtype=RGB565 rgb565.bmp
convert twin8.bmp -type TrueColorAlpha argb32.bmp
convert twin8.bmp -type TrueColorAlpha -define bmp3:alpha=true BMP3:rgb32_40.bmp
convert twin8.bmp -type TrueColor BMP3:rgb24.bmp

# As BMP3, these two claim colour masks but write none; the tests repair them
# into plain 5-5-5 rows and into masks after the 40-byte header.
convert twin8.bmp -type TrueColor -define bmp:subtype=RGB555 BMP3:rgb555_40.bmp
convert twin8.bmp -type TrueColor -define bmp:subtype=RGB565 BMP3:rgb565_40.bmp

# Upside down, for the tests to mark as stored top-down.
convert twin8.bmp -flip -compress None BMP3:flipped8.bmp
convert twin8.bmp -flip -type TrueColorAlpha flipped_argb32.bmp

convert "$artwork" artwork_rle8.bmp
