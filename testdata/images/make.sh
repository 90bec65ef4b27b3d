#!/usr/bin/env bash
# Regenerates the small image fixtures of the graphics tests with Debian's
# ImageMagick. The outputs are committed; run this only to change them.
# Every picture but the JPEG scaling ones is 16 x 12: red on the left half,
# blue on the right half.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
halves=(-size 16x12 xc:red -fill blue -draw "rectangle 8,0 15,11")

"$convert" "${halves[@]}" -type TrueColor BMP3:halves.bmp
"$convert" "${halves[@]}" halves.png
"$convert" "${halves[@]}" halves.gif
"$convert" "${halves[@]}" halves.ico
"$convert" "${halves[@]}" -depth 8 -compress none halves.tif
"$convert" "${halves[@]}" -quality 95 -sampling-factor 1x1 halves.jpg
"$convert" "${halves[@]}" -quality 95 -interlace JPEG halves-progressive.jpg
"$convert" "${halves[@]}" -colorspace Gray -quality 95 halves-gray.jpg
"$convert" "${halves[@]}" -colorspace CMYK -quality 95 halves-cmyk.jpg
"$convert" "${halves[@]}" -depth 8 halves.psd
# 65 x 49: odd sizes show how the scaled sizes round (up).
"$convert" -size 65x49 gradient:white-black -quality 90 gradient-65x49.jpg
# Icons: a blue disc with a yellow bar on transparent ground at 48, 32 and 16
# pixels (32-bit images), and one whose 256-pixel image is PNG-compressed.
icon=(-size 48x48 xc:none -fill '#2060c0' -draw "circle 24,24 24,4" -fill yellow -draw "rectangle 14,20 34,28")
"$convert" "${icon[@]}" -define icon:auto-resize=48,32,16 icons.ico
"$convert" "${icon[@]}" -define icon:auto-resize=256,32 icon-png.ico
# multiscan-huge-claim.jpg is not made here: a 385-byte input the JPEG fuzzer
# found (less its first byte), a sequential four-component file in two scans whose frame claims
# 4096 x 61708 pixels (the decoder would buffer 2 GB of coefficients).
