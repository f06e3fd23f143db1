#!/bin/sh
# Draws the updater's icon and button images into directory $1 with ImageMagick.
# Button images are 16 x 16 with 256-colour palettes on the classic grey (192,192,192),
# which the program maps to the button face colour when it loads them; the disabled
# images are the same shapes embossed in grey and white, as Windows draws disabled
# glyphs.
set -eu
out=$1
mkdir -p "$out"
grey='rgb(192,192,192)'
shadow='rgb(128,128,128)'

# button NAME COLOUR DRAW...: NAME.bmp drawn in colour and NAME-disabled.bmp, its shapes
# in shadow grey over a white copy one pixel down and right.
button() {
  name=$1 colour=$2
  shift 2
  convert -size 16x16 xc:"$grey" +antialias -fill "$colour" -stroke "$colour" "$@" \
    -type Palette BMP3:"$out/$name.bmp"
  convert "$out/$name.bmp" -fill white +opaque "$grey" -roll +1+1 \
    \( "$out/$name.bmp" -fill "$shadow" +opaque "$grey" -transparent "$grey" \) -compose over -composite \
    -type Palette BMP3:"$out/$name-disabled.bmp"
}

# Update: an arrow down onto a tray.
button update 'rgb(0,128,0)' -strokewidth 1 -draw 'rectangle 6,1 9,6' -draw 'polygon 2,7 13,7 8,12 7,12' \
  -fill 'rgb(0,64,160)' -stroke 'rgb(0,64,160)' -draw 'rectangle 1,13 14,14'
# Close: a cross.
button close 'rgb(192,0,0)' -strokewidth 2 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'

# Icon: a white arrow down onto a tray, on a blue rounded square; 32 x 32 and 16 x 16.
convert -size 32x32 xc:none -fill 'rgb(30,90,168)' -draw 'roundrectangle 1,1 30,30 6,6' \
  -fill white -draw 'rectangle 13,5 18,15' -draw 'polygon 7,15 24,15 16,24 15,24' -draw 'rectangle 7,25 24,27' \
  \( +clone -resize 16x16 \) "$out/QuilletUpdate.ico"
